// Opening a file by a UTF-8 name on every platform.
#pragma once

#include <cstdio>

#include <tovik/tovikExport.h>

// Opens `utf8Path` as std::fopen opens a path, with the same `mode`. On
// Windows the name is converted from UTF-8 to UTF-16 and opened through the
// wide-character API, so that any name opens, not only those the ANSI code
// page can spell; a name that is not valid UTF-8 fails with errno EINVAL.
// Elsewhere the bytes are the name, as the system takes them.
TOVIK_API std::FILE* kwOpenFile(const char* utf8Path, const char* mode);
