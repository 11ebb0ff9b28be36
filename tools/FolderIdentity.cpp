#include "FolderIdentity.h"

#if defined(_WIN32)
#include <windows.h>

#include <system_error>
#else
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#endif

namespace tool {

#if defined(_WIN32)

bool identifyFolder(const std::filesystem::path& path, FolderIdentity& id, std::string& error) {
    // A folder is opened as a handle only with backup semantics; no access
    // right is asked for, so a folder that cannot be listed still answers.
    const HANDLE h = CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        error = std::system_category().message(static_cast<int>(GetLastError()));
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(h, &info) != 0;
    if (!ok) error = std::system_category().message(static_cast<int>(GetLastError()));
    CloseHandle(h);
    if (!ok) return false;
    id.device = info.dwVolumeSerialNumber;
    id.index = (std::uint64_t(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    return true;
}

#else

bool identifyFolder(const std::filesystem::path& path, FolderIdentity& id, std::string& error) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0) {
        error = std::strerror(errno);
        return false;
    }
    id.device = static_cast<std::uint64_t>(st.st_dev);
    id.index = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

#endif

}  // namespace tool
