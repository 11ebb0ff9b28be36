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
#include "OptionParser.h"
#include "ProgressBar.h"
#include "ReportFormat.h"
#include "StrictNumber.h"
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
               "Decodes every image file under each PATH (folders are walked, symbolic links\n"
               "are not followed) the way the library decodes it, and prints a summary:\n"
               "how many files load, how many are refused, grouped by reason, and how many\n"
               "are not images. A file found in a folder is taken for an image by its\n"
               "extension (.tga .icb .vda .vst .tif .tiff .rgb .rgba .bw .sgi .int .inta)\n"
               "or its signature (TIFF, SGI, the TGA 2.0 footer); a file named on the\n"
               "command line is always decoded. Each refused file gets one line\n"
               "FILE: REASON on standard error. A progress bar is shown on standard error\n"
               "when it is a terminal.\n"
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
    bool candidate;  // decode it; otherwise it is reported as not an image
};

// Lists the files to look at, in a stable order: the operands in the order
// given, each folder's files sorted by path. Problems walking a folder are
// reported as failed entries.
std::vector<Work> collect(const std::vector<std::string>& operands, std::vector<FileReport>& walkErrors) {
    std::vector<Work> work;
    for (const std::string& operand : operands) {
        std::error_code ec;
        if (!fs::is_directory(operand, ec)) {
            work.push_back({operand, true});
            continue;
        }
        std::vector<std::string> found;
        fs::recursive_directory_iterator it(operand, fs::directory_options::skip_permission_denied, ec), end;
        for (; !ec && it != end; it.increment(ec)) {
            std::error_code typeError;
            if (it->is_regular_file(typeError)) found.push_back(it->path().string());
        }
        if (ec) {
            FileReport failed;
            failed.path = operand;
            failed.error = "cannot walk the folder: " + ec.message();
            walkErrors.push_back(failed);
        }
        std::sort(found.begin(), found.end());
        for (std::string& path : found) work.push_back({std::move(path), false});
    }
    return work;
}

FileReport examineWork(const Work& w, std::FILE* trace) {
    if (w.candidate || isImageCandidate(w.path)) return examineFile(w.path, trace);
    std::error_code ec;
    const auto size = fs::file_size(w.path, ec);
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

void printSummary(const std::vector<FileReport>& reports, double seconds) {
    std::size_t loaded = 0, refused = 0, notImages = 0;
    std::map<std::string, std::size_t> reasons;
    for (const FileReport& r : reports) {
        if (!r.image) ++notImages;
        else if (r.ok) ++loaded;
        else ++refused, ++reasons[r.error];
    }
    std::vector<std::pair<std::string, std::size_t>> byCount(reasons.begin(), reasons.end());
    std::stable_sort(byCount.begin(), byCount.end(),
                     [](const auto& a, const auto& b) { return a.second > b.second; });
    std::printf("%zu files checked in %.2f s\n", reports.size(), seconds);
    std::printf("  loaded        %8zu\n", loaded);
    std::printf("  refused       %8zu\n", refused);
    for (const auto& reason : byCount) std::printf("    %8zu  %s\n", reason.second, reason.first.c_str());
    std::printf("  not an image  %8zu\n", notImages);
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
    std::vector<FileReport> reports;
    const std::vector<Work> work = collect(parser.operands(), reports);
    const bool progress = !verbose && isTerminal(stderr);
    std::FILE* trace = verbose ? (parser.given("json") ? stderr : stdout) : nullptr;
    std::vector<FileReport> examined = examineAll(work, jobs, trace, progress);
    reports.insert(reports.end(), std::make_move_iterator(examined.begin()), std::make_move_iterator(examined.end()));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The refusals in one write: standard error is unbuffered.
    std::string refusals;
    for (const FileReport& r : reports)
        if (r.image && !r.ok) refusals += r.path + ": " + r.error + "\n";
    std::fputs(refusals.c_str(), stderr);
    const bool anyRefused = !refusals.empty();
    if (parser.given("json")) std::fputs(reportsAsJson(reports).c_str(), stdout);
    else printSummary(reports, seconds);
    std::fflush(stdout);
    return anyRefused ? exitFailed : exitOk;
}

}  // namespace tool
