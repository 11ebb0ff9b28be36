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

FileReader::~FileReader() {
    if (fp_) std::fclose(fp_);
}

WholeFileStatus FileReader::open(const char* path) {
    if (fp_) std::fclose(fp_);
    size_ = 0;
    fp_ = kwOpenFile(path, "rb");
    if (!fp_) return {WholeFileResult::cannotOpen, errno};

    // The size of the file that was opened, not of whatever the name means
    // a moment later (and no second look-up of a name Windows would need
    // converted again).
#if defined(_WIN32)
    struct _stat64 status;
    const int statResult = _fstat64(_fileno(fp_), &status);
#else
    struct stat status;
    const int statResult = fstat(fileno(fp_), &status);
#endif
    WholeFileStatus result;
    if (statResult != 0)
        result = {WholeFileResult::noStatus, errno};
    else if (status.st_size < 0 || status.st_size > INT32_MAX)
        result = {WholeFileResult::tooLarge, 0};
    if (result.result != WholeFileResult::ok) {
        std::fclose(fp_);
        fp_ = nullptr;
        return result;
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    // Unbuffered: each read goes straight into the caller's memory, with no
    // stream buffer to allocate, size and copy through.
    std::setvbuf(fp_, nullptr, _IONBF, 0);
    return result;
}

WholeFileStatus FileReader::read(unsigned char* to, std::size_t bytes, std::int64_t offset) {
    if (!fp_) return {WholeFileResult::shortRead, 0};
    errno = 0;
    // Offsets stay below 2^31 (the size limit), so they fit a long everywhere.
    if (offset >= 0 && std::fseek(fp_, static_cast<long>(offset), SEEK_SET) != 0)
        return {WholeFileResult::shortRead, errno};
    const std::size_t got = bytes ? std::fread(to, 1, bytes, fp_) : 0;
    if (got != bytes) return {WholeFileResult::shortRead, errno};
    return {};
}

WholeFileStatus readWholeFile(const char* path, ByteBlock& block) {
    block = ByteBlock();
    FileReader file;
    const WholeFileStatus opened = file.open(path);
    if (opened.result != WholeFileResult::ok) return opened;
    // Not aligned: getColorData's callers may free the block from its start.
    if (!block.allocate(file.size())) return {WholeFileResult::noMemory, 0};
    adviseHugePages(block.data(), block.size());
    const WholeFileStatus read = file.read(block.data(), block.size());
    if (read.result != WholeFileResult::ok) block = ByteBlock();
    return read;
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
