// Replacing a file so that its name never shows a partial file: the bytes go
// to a hidden temporary file in the destination's folder, which is renamed
// over the destination only once it is complete and has passed a check.
//
// A process killed before the rename leaves the destination as it was; it
// may leave its temporary file, named ".NAME.ornatex-XXXXXXXX.tmp" beside
// it, which is never picked up as output and may be deleted.
#pragma once

#include <functional>
#include <string>

#include "ByteSink.h"

namespace tool {

// Writes the file's bytes to `out`; returns an empty string, or why not.
using FileProducer = std::function<std::string(ByteSink& out)>;

// Checks the complete temporary file (given by its UTF-8 path) before it is
// renamed; returns an empty string to go on, or why not.
using TempFileCheck = std::function<std::string(const std::string& tempPath)>;

// Has `produce` write the file into a temporary file beside `path`, runs
// `check` on the complete file and renames it over `path` (on Windows with
// MoveFileExW, replacing). The replaced file's permissions are kept.
// Returns an empty string, or one line saying what failed; then nothing is
// left behind and `path` is untouched.
std::string replaceFileAtomically(const std::string& path, const FileProducer& produce, const TempFileCheck& check);

// The name pattern of the temporary files, for the tests: whether a file name
// (not a path) is one.
bool isTemporaryName(const std::string& name);

}  // namespace tool
