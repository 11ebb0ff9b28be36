// velkin carries and exports a few inline engine members that other modules
// may resolve from the program: tovik's kwStream members, moorlat's
// TileTerrain accessors and interceptor's default construction of Ground.
// Taking their addresses in a kept variable makes the compiler emit them;
// their default visibility and velkin.dynlist put them in the dynamic
// symbol table, and nothing else.
#include <interceptor/Ground.h>
#include <moorlat/TileTerrain.h>
#include <tovik/kwStreamExports.h>

namespace velkinExports {

struct Members {
    const kwVec3& (TileTerrain::*centerPos)() const;
    const kwVec3& (TileTerrain::*currentPos)() const;
    Ground* (*groundDefault)(void*);
};

#if defined(__GNUC__)
__attribute__((used))
#endif
static const Members members = {&TileTerrain::getCenterPos, &TileTerrain::getCurrentPos, &Ground::constructDefault};

}  // namespace velkinExports
