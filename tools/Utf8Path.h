// The tool holds every path as UTF-8 text (on Windows too, where the
// system's names are UTF-16), and converts at the filesystem's door.
#pragma once

#include <filesystem>
#include <string>

namespace tool {

// A UTF-8 name as a filesystem path. Outside Windows the bytes are the name,
// whether or not they are valid UTF-8.
std::filesystem::path pathFromUtf8(const std::string& utf8);

// A path as UTF-8 text (its own bytes outside Windows).
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace tool
