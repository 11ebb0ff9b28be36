#include "Utf8Path.h"

namespace tool {

std::filesystem::path pathFromUtf8(const std::string& utf8) {
#if defined(_WIN32)
    return std::filesystem::u8path(utf8);
#else
    return std::filesystem::path(utf8);
#endif
}

std::string utf8FromPath(const std::filesystem::path& path) {
#if defined(_WIN32)
    return path.u8string();
#else
    return path.native();
#endif
}

}  // namespace tool
