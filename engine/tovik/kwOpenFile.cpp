#include <tovik/kwOpenFile.h>

#if defined(_WIN32)
#include <windows.h>

#include <cerrno>
#include <string>

namespace {

// UTF-8 to UTF-16; false when the text is not valid UTF-8.
bool toWide(const char* utf8, std::wstring& wide) {
    wide.clear();
    if (!*utf8) return true;
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    if (length <= 0) return false;
    wide.resize(static_cast<std::size_t>(length));
    if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], length) != length) return false;
    wide.resize(static_cast<std::size_t>(length) - 1);  // the terminating zero
    return true;
}

}  // namespace

std::FILE* kwOpenFile(const char* utf8Path, const char* mode) {
    std::wstring path, wideMode;
    if (!toWide(utf8Path, path) || !toWide(mode, wideMode)) {
        errno = EINVAL;
        return nullptr;
    }
    return _wfopen(path.c_str(), wideMode.c_str());
}

#else

std::FILE* kwOpenFile(const char* utf8Path, const char* mode) { return std::fopen(utf8Path, mode); }

#endif
