// `ornatex check PATH...`: walks folders, decodes every image file on all
// cores and says which files the library loads, which it refuses and why.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConsoleIo.h"
#include "FileReport.h"
#include "ImageImport.h"
#include "OptionParser.h"
#include "ProgressBar.h"
#include "ReportFormat.h"
#include "StrictNumber.h"
#include "Utf8Path.h"
#include "WorkerThreads.h"

namespace tool {

namespace {

namespace fs = std::filesystem;

OptionParser makeParser() {
    return OptionParser("check", {
        {"jobs", 'j', 1, "N", "decode on N threads (default: one per core)"},
        {"json", 0, 0, "", "print the full report as one JSON array instead of the summary"},
        {"verbose", 'v', 0, "", "also print the loaders' own text (one thread; on standard error with --json)"},
    });
}

void printHelp(const OptionParser& parser) {
    std::fputs("usage: ornatex check [OPTIONS] PATH...\n"
               "\n"
               "Decodes every image file under each PATH (folders are walked; symbolic links\n"
               "to files are followed, links to folders are not) the way the library\n"
               "decodes it, and prints a summary: how many files load, how many are\n"
               "refused, counted by the library's refusal code (too_large, truncated,\n"
               "unsupported, malformed, ...), how many are not images and how many could\n"
               "not be read. A file found in a folder is taken for an image by its\n"
               "extension (.tga .icb .vda .vst .tif .tiff .rgb .rgba .bw .sgi .int .inta)\n"
               "or its signature (TIFF, SGI, the TGA 2.0 footer); a file named on the\n"
               "command line is always decoded. Each refused file gets one line\n"
               "FILE: REASON on standard error, and so does every entry that cannot be\n"
               "read (a folder or file without permission, a link that leads nowhere or\n"
               "round in a loop): PATH: cannot read: REASON. Nothing is skipped without a\n"
               "word. A progress bar is shown on standard error when it is a terminal.\n"
               "\n",
               stdout);
    std::fputs(parser.optionsHelp().c_str(), stdout);
    std::fputs("\n"
               "Exit status: 0 when nothing was refused, 1 when a file was refused or\n"
               "could not be read, 2 for a usage error.\n",
               stdout);
}

struct Work {
    std::string path;
    bool candidate;         // decode it; otherwise it is reported as not an image unless it looks like one
    bool regular = true;    // a regular file (or a link to one); anything else is not read
    std::string readError;  // why the entry could not be read while walking, when it could not
};

// Walks one folder and everything below it, without following symbolic links
// to folders. Every entry that cannot be looked at is kept with the system's
// reason: a folder that cannot be opened or listed, a link that leads nowhere
// or round in a loop. Unlike recursive_directory_iterator, one unreadable
// folder does not end the walk of the rest.
void walk(const fs::path& folder, std::vector<Work>& found) {
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    if (ec) {
        found.push_back({utf8FromPath(folder), false, false, ec.message()});
        return;
    }
    for (; it != end; it.increment(ec)) {
        const fs::path path = it->path();
        std::error_code typeError;
        const fs::file_status own = it->symlink_status(typeError);
        if (typeError) {
            found.push_back({utf8FromPath(path), false, false, typeError.message()});
        } else if (fs::is_directory(own)) {
            walk(path, found);
        } else if (fs::is_symlink(own)) {
            // A link is looked through to a file, never to a folder (a
            // folder link can lead back up the tree).
            const fs::file_status target = fs::status(path, typeError);
            if (typeError) found.push_back({utf8FromPath(path), false, false, typeError.message()});
            else if (!fs::is_directory(target)) found.push_back({utf8FromPath(path), false, fs::is_regular_file(target), ""});
        } else {
            found.push_back({utf8FromPath(path), false, fs::is_regular_file(own), ""});
        }
    }
    // A listing that breaks off part way (an I/O error) is a folder not read whole.
    if (ec) found.push_back({utf8FromPath(folder), false, false, ec.message()});
}

// Lists the entries to look at, in a stable order: the operands in the order
// given, each folder's entries sorted by path.
std::vector<Work> collect(const std::vector<std::string>& operands) {
    std::vector<Work> work;
    for (const std::string& operand : operands) {
        const fs::path path = pathFromUtf8(operand);
        std::error_code ec;
        if (operand == "-" || !fs::is_directory(path, ec)) {
            work.push_back({operand, true, true, ""});
            continue;
        }
        std::vector<Work> found;
        walk(path, found);
        std::sort(found.begin(), found.end(), [](const Work& a, const Work& b) { return a.path < b.path; });
        for (Work& w : found) work.push_back(std::move(w));
    }
    return work;
}

FileReport examineWork(const Work& w, std::FILE* trace) {
    if (!w.readError.empty()) return unreadable(w.path, w.readError);
    if (w.candidate || (w.regular && isImageCandidate(w.path))) {
        FileReport report = examineFile(w.path, trace);
        // Only refused files are read a second time, by the import step.
        if (report.image && !report.ok && !report.unreadable) report.convertible = importFile(w.path).ok();
        return report;
    }
    std::error_code ec;
    const auto size = w.regular ? fs::file_size(pathFromUtf8(w.path), ec) : 0;
    return notAnImage(w.path, ec ? 0 : size);
}

// Examines every entry on `jobs` threads, each file on one thread, showing
// progress when asked.
std::vector<FileReport> examineAll(const std::vector<Work>& work, unsigned jobs, std::FILE* trace, bool progress) {
    std::vector<FileReport> reports(work.size());
    std::atomic<std::size_t> next{0}, done{0};
    const auto task = [&] {
        for (std::size_t i; (i = next.fetch_add(1)) < work.size();) {
            reports[i] = examineWork(work[i], trace);
            done.fetch_add(1);
        }
    };
    jobs = static_cast<unsigned>(std::min<std::size_t>(jobs, std::max<std::size_t>(work.size(), 1)));
    if (!progress) {
        runOnThreads(jobs, task);
        return reports;
    }
    // Drawn before and after as well: a small tree is done before the
    // first tick.
    ProgressBar bar(stderr, work.size());
    bar.show(0);
    runOnThreads(jobs, task, [&] { bar.show(done.load()); });
    bar.show(done.load());
    bar.clear();
    return reports;
}

// The refusals are counted by code, most frequent first; each file's own
// reason is on its line on standard error.
void printSummary(const std::vector<FileReport>& reports, double seconds) {
    std::size_t loaded = 0, refused = 0, notImages = 0, notRead = 0, convertible = 0;
    std::map<ornatex::Refusal, std::size_t> codes;
    for (const FileReport& r : reports) {
        if (r.unreadable) ++notRead;
        else if (!r.image) ++notImages;
        else if (r.ok) ++loaded;
        else ++refused, ++codes[r.code], convertible += r.convertible;
    }
    std::vector<std::pair<ornatex::Refusal, std::size_t>> byCount(codes.begin(), codes.end());
    std::stable_sort(byCount.begin(), byCount.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::printf("%zu %s checked in %.2f s\n", reports.size(), reports.size() == 1 ? "file" : "files", seconds);
    std::printf("  loaded        %8zu\n", loaded);
    std::printf("  refused       %8zu\n", refused);
    for (const auto& code : byCount)
        std::printf("    %8zu  %-13s %s\n", code.second, ornatex::refusalName(code.first),
                    ornatex::refusalText(code.first));
    std::printf("  not an image  %8zu\n", notImages);
    std::printf("  cannot read   %8zu\n", notRead);
    if (convertible)
        std::printf("%zu of the %zu refused %s can be converted to a format the loaders take:\n"
                    "  ornatex convert -f tga -o DIR FILE...\n",
                    convertible, refused, refused == 1 ? "file" : "files");
}

}  // namespace

int runCheck(int argc, char** argv) {
    OptionParser parser = makeParser();
    if (!parser.parse(argc, argv)) return usageError("check", parser.error());
    if (parser.given("help")) {
        printHelp(parser);
        return exitOk;
    }
    if (parser.operands().empty()) return usageError("check", "no file or folder given");
    unsigned jobs = coreCount();
    if (parser.given("jobs") && !parseCount(parser.value("jobs"), 1, 1024, jobs))
        return usageError("check", "-j needs a whole number of threads from 1 to 1024, not '" +
                                       parser.value("jobs") + "'");
    const bool verbose = parser.given("verbose");
    // The loaders' text of one file must not interleave with another's.
    if (verbose) jobs = 1;

    const auto start = std::chrono::steady_clock::now();
    const std::vector<Work> work = collect(parser.operands());
    const bool progress = !verbose && isTerminal(stderr);
    std::FILE* trace = verbose ? (parser.given("json") ? stderr : stdout) : nullptr;
    const std::vector<FileReport> reports = examineAll(work, jobs, trace, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The refusals in one write: standard error is unbuffered.
    std::string refusals;
    for (const FileReport& r : reports)
        if ((r.image || r.unreadable) && !r.ok) refusals += r.path + ": " + r.error + "\n";
    std::fputs(refusals.c_str(), stderr);
    const bool anyRefused = !refusals.empty();
    if (parser.given("json")) std::fputs(reportsAsJson(reports).c_str(), stdout);
    else printSummary(reports, seconds);
    std::fflush(stdout);
    return anyRefused ? exitFailed : exitOk;
}

}  // namespace tool
