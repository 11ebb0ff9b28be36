#include "WholeFile.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include <tovik/kwOpenFile.h>

#include "HugePages.h"

namespace ornatex::detail {

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
    // Unbuffered: the one read goes straight into the block, with no stream
    // buffer to allocate, size and copy the file's tail through.
    std::setvbuf(fp, nullptr, _IONBF, 0);
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

namespace {

// Every failed read in every voice, in the order of WholeFileResult.
struct Failure {
    WholeFileResult result;
    Refusal code;
    const char* detail;     // the decoders' words after the quoted name
    bool withError;         // the system's reason follows the detail
    const char* loaderLine; // after "<format> file refused: "; null: prints nothing
};

constexpr Failure failures[] = {
    {WholeFileResult::ok, Refusal::none, "", false, nullptr},
    {WholeFileResult::cannotOpen, Refusal::cannotRead, " cannot be opened", true, nullptr},
    {WholeFileResult::noStatus, Refusal::cannotRead, ": its size cannot be read", true, "its size cannot be read"},
    {WholeFileResult::tooLarge, Refusal::tooLarge, " is larger than 2147483647 bytes", false, "larger than 2147483647 bytes"},
    {WholeFileResult::noMemory, Refusal::noMemory, ": no memory for the whole file", false, nullptr},
    {WholeFileResult::shortRead, Refusal::cannotRead, " could not be read whole", true, "it could not be read whole"},
};
static_assert(sizeof failures / sizeof failures[0] == std::size_t(WholeFileResult::shortRead) + 1,
              "one entry for every WholeFileResult");

const Failure& failureOf(WholeFileResult result) { return failures[static_cast<std::size_t>(result)]; }

}  // namespace

Outcome wholeFileOutcome(const WholeFileStatus& status, const char* path) {
    const Failure& f = failureOf(status.result);
    Outcome outcome;
    outcome.code = f.code;
    if (f.code == Refusal::none) return outcome;
    outcome.reason = std::string("'") + path + "'" + f.detail;
    if (f.withError && status.error) outcome.reason += std::string(": ") + std::strerror(status.error);
    return outcome;
}

std::string wholeFileLoaderLine(WholeFileResult result, const char* format) {
    // The loaders' own words for a file that cannot be opened.
    if (result == WholeFileResult::cannotOpen) return "Missing data..\n";
    const Failure& f = failureOf(result);
    return f.loaderLine ? std::string(format) + " file refused: " + f.loaderLine + "\n" : std::string();
}

}  // namespace ornatex::detail
