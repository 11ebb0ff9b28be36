// libFuzzer harness for the TIFF loader.
#include "FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static fuzz::MemoryFile file;
    const char* path = file.hold(data, size);
    fuzz::runTIFF(path);
    return 0;
}
