#include "WholeFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include <tovik/kwOpenFile.h>

#include "HugePages.h"

namespace ornatex {

WholeFileStatus readWholeFile(const char* path, ByteBlock& block) {
    block = ByteBlock();
    std::FILE* fp = kwOpenFile(path, "rb");
    if (!fp) return {WholeFileResult::cannotOpen, errno};

    // The size of the file that was opened, not of whatever the name means
    // a moment later (and no second look-up of a name Windows would need
    // converted again).
#if defined(_WIN32)
    struct _stat64 status;
    if (_fstat64(_fileno(fp), &status) != 0) {
#else
    struct stat status;
    if (fstat(fileno(fp), &status) != 0) {
#endif
        const int error = errno;
        std::fclose(fp);
        return {WholeFileResult::noStatus, error};
    }
    if (status.st_size < 0 || status.st_size > INT32_MAX) {
        std::fclose(fp);
        return {WholeFileResult::tooLarge, 0};
    }
    const std::uint64_t size = static_cast<std::uint64_t>(status.st_size);
    // Not aligned: getColorData's callers may free the block from its start.
    if (!block.allocate(size)) {
        std::fclose(fp);
        return {WholeFileResult::noMemory, 0};
    }
    adviseHugePages(block.data(), block.size());
    errno = 0;
    const std::size_t got = size ? std::fread(block.data(), 1, block.size(), fp) : 0;
    const int error = errno;
    std::fclose(fp);
    if (got != block.size()) {
        block = ByteBlock();
        return {WholeFileResult::shortRead, error};
    }
    return {WholeFileResult::ok, 0};
}

Refusal wholeFileRefusal(WholeFileResult result) {
    switch (result) {
        case WholeFileResult::ok: return Refusal::none;
        case WholeFileResult::noMemory: return Refusal::noMemory;
        case WholeFileResult::tooLarge: return Refusal::tooLarge;
        case WholeFileResult::cannotOpen:
        case WholeFileResult::noStatus:
        case WholeFileResult::shortRead: break;
    }
    return Refusal::cannotRead;
}

std::string wholeFileReason(const WholeFileStatus& status, const char* path) {
    const std::string name = std::string("'") + path + "'";
    const auto withError = [&](const char* what) {
        std::string text = name + what;
        if (status.error) text += std::string(": ") + std::strerror(status.error);
        return text;
    };
    switch (status.result) {
        case WholeFileResult::ok: return std::string();
        case WholeFileResult::cannotOpen: return withError(" cannot be opened");
        case WholeFileResult::noStatus: return withError(": its size cannot be read");
        case WholeFileResult::tooLarge: return name + " is larger than 2147483647 bytes";
        case WholeFileResult::noMemory: return name + ": no memory for the whole file";
        case WholeFileResult::shortRead: return withError(" could not be read whole");
    }
    return std::string();
}

void reportWholeFileFailure(WholeFileResult result, const char* format) {
    switch (result) {
        case WholeFileResult::ok:
        case WholeFileResult::noMemory:
            break;
        case WholeFileResult::cannotOpen:
            std::printf("Missing data..\n");
            break;
        case WholeFileResult::noStatus:
            std::printf("%s file refused: its size cannot be read\n", format);
            break;
        case WholeFileResult::tooLarge:
            std::printf("%s file refused: larger than 2147483647 bytes\n", format);
            break;
        case WholeFileResult::shortRead:
            std::printf("%s file refused: it could not be read whole\n", format);
            break;
    }
}

}  // namespace ornatex
