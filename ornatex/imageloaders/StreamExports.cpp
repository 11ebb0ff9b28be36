// ornatex carries tovik's inline kwStream members and exports them under
// their kwStream names (readChunk, writeChunk, isBigEndian, swap), so client
// programs may resolve them from this library. See <tovik/kwStream.h>.
#include <tovik/kwStreamExports.h>
