// `ornatex check PATH...`: walks folders, decodes every image file on all
// cores and says which files the library loads, which it refuses and why.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "Commands.h"
#include "ConsoleIo.h"
#include "FileReport.h"
#include "FolderIdentity.h"
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
        {"no-follow", 0, 0, "", "do not walk symbolic links to folders (each is listed and counted)"},
        {"verbose", 'v', 0, "", "also print the loaders' own text (one thread; on standard error with --json)"},
    });
}

void printHelp(const OptionParser& parser) {
    std::fputs("usage: ornatex check [OPTIONS] PATH...\n"
               "\n"
               "Decodes every image file under each PATH the way the library decodes it,\n"
               "and prints a summary: how many files load, how many are refused, counted by\n"
               "the library's refusal code (too_large, truncated, unsupported, malformed,\n"
               "...), how many are not images, how many could not be read and how many\n"
               "links were skipped. A file found in a folder is taken for an image by its\n"
               "extension (.tga .icb .vda .vst .tif .tiff .rgb .rgba .bw .sgi .int .inta)\n"
               "or its contents (a TIFF or SGI signature, the TGA 2.0 footer, a header a\n"
               "TGA could hold); a file named on the command line is always decoded, and\n"
               "lands in the same count as it would inside a folder. Each refused file gets\n"
               "one line FILE: REASON on standard error, and so does every entry that\n"
               "cannot be read (a folder or file without permission, a link that leads\n"
               "nowhere or round in a loop): PATH: cannot read: REASON. Nothing is skipped\n"
               "without a word. A progress bar is shown on standard error when it is a\n"
               "terminal.\n"
               "\n"
               "Folders are walked as find -L walks them: symbolic links are followed, to\n"
               "folders too, and each real folder is entered once. A link that leads back\n"
               "to a folder above it is a loop and cannot be read. A second way into a\n"
               "folder already walked, and with --no-follow every link to a folder, is\n"
               "skipped with a line PATH: skipped: REASON on standard error and counted;\n"
               "skipping does not change the exit status.\n"
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
    std::string skipped;    // why a link to a folder was not walked, when it was not (no report)
};

// Walks the folders named on the command line as `find -L` does: links to
// folders are followed unless the caller says not to, every real folder is
// entered once (known by its identity, not its name), and a link that leads
// back to a folder above it is a loop, reported as an entry that cannot be
// read. Every entry that cannot be looked at is kept with the system's
// reason; one unreadable folder does not end the walk of the rest.
class TreeWalk {
public:
    TreeWalk(bool followLinks, std::vector<Work>& found) : follow(followLinks), found(found) {}

    // Walks the real folders first, then the folders behind links, so that a
    // folder reached both ways is listed under its real path.
    void walkOperand(const std::string& operand) {
        FolderIdentity id;
        std::string error;
        if (!identifyFolder(pathFromUtf8(operand), id, error)) {
            found.push_back({operand, false, false, error, ""});
            return;
        }
        if (!firstVisit(operand, id)) return;
        walkFolder(operand, separatorFor(operand), {id});
        while (!links.empty()) {
            const PendingLink link = std::move(links.front());
            links.pop_front();
            enterLink(link);
        }
    }

private:
    // A link to a folder, waiting for the real tree to be walked: its path
    // and the identities of the folders it sits in, from the operand down.
    struct PendingLink {
        std::string path;
        char separator;
        std::vector<FolderIdentity> ancestors;
    };

    // The separator the walk puts between a folder and its entries. On
    // Windows a name typed with '/' keeps getting '/', so that no printed
    // path mixes the two; otherwise it is the system's own.
    static char separatorFor(const std::string& operand) {
#if defined(_WIN32)
        return operand.find('/') != std::string::npos && operand.find('\\') == std::string::npos ? '/' : '\\';
#else
        (void)operand;
        return '/';
#endif
    }

    static std::string join(const std::string& folder, char separator, const std::string& name) {
        const char last = folder.empty() ? separator : folder.back();
#if defined(_WIN32)
        if (last == '/' || last == '\\' || last == ':') return folder + name;
#else
        if (last == '/') return folder + name;
#endif
        return folder + separator + name;
    }

    // Records a folder as walked from `path`; a folder walked before is
    // listed as skipped, with the path it was walked from.
    bool firstVisit(const std::string& path, const FolderIdentity& id) {
        const auto [at, first] = visited.emplace(id, path);
        if (!first) found.push_back({path, false, false, "", "the same folder as " + at->second + ", checked once"});
        return first;
    }

    void enterLink(const PendingLink& link) {
        FolderIdentity id;
        std::string error;
        if (!identifyFolder(pathFromUtf8(link.path), id, error)) {
            found.push_back({link.path, false, false, error, ""});
        } else if (std::find(link.ancestors.begin(), link.ancestors.end(), id) != link.ancestors.end()) {
            found.push_back({link.path, false, false, "a link back to a folder above it (a loop)", ""});
        } else if (firstVisit(link.path, id)) {
            std::vector<FolderIdentity> below = link.ancestors;
            below.push_back(id);
            walkFolder(link.path, link.separator, below);
        }
    }

    // Lists one folder and walks the real folders in it; links to folders
    // wait in `links`. The entry types come from the listing itself: only a
    // link costs a look at what it leads to.
    void walkFolder(const std::string& folder, char separator, const std::vector<FolderIdentity>& ancestors) {
        std::error_code ec;
        fs::directory_iterator it(pathFromUtf8(folder), ec), end;
        if (ec) {
            found.push_back({folder, false, false, ec.message(), ""});
            return;
        }
        std::vector<std::pair<std::string, fs::directory_entry>> entries;
        for (; it != end; it.increment(ec)) entries.emplace_back(utf8FromPath(it->path().filename()), *it);
        // A listing that breaks off part way (an I/O error) is a folder not read whole.
        if (ec) found.push_back({folder, false, false, ec.message(), ""});
        // Sorted, so that which of two ways into a folder is taken does not
        // depend on the order the system lists them in.
        std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.first < b.first; });

        for (const auto& [name, entry] : entries) {
            const std::string path = join(folder, separator, name);
            std::error_code typeError;
            if (entry.is_symlink(typeError)) {
                const fs::file_status target = fs::status(entry.path(), typeError);
                if (typeError) found.push_back({path, false, false, typeError.message(), ""});
                else if (!fs::is_directory(target)) found.push_back({path, false, fs::is_regular_file(target), "", ""});
                else if (!follow) found.push_back({path, false, false, "", "link to a folder (--no-follow)"});
                else links.push_back({path, separator, ancestors});
            } else if (typeError) {
                found.push_back({path, false, false, typeError.message(), ""});
            } else if (entry.is_directory(typeError)) {
                enterFolder(path, separator, ancestors);
            } else {
                found.push_back({path, false, entry.is_regular_file(typeError), "", ""});
            }
        }
    }

    // A real folder is entered once; one met again (a bind mount) is a loop
    // when it is above, and otherwise already walked.
    void enterFolder(const std::string& path, char separator, const std::vector<FolderIdentity>& ancestors) {
        FolderIdentity id;
        std::string error;
        if (!identifyFolder(pathFromUtf8(path), id, error)) {
            found.push_back({path, false, false, error, ""});
            return;
        }
        if (std::find(ancestors.begin(), ancestors.end(), id) != ancestors.end()) {
            found.push_back({path, false, false, "a folder above it again (a loop)", ""});
            return;
        }
        if (!firstVisit(path, id)) return;
        std::vector<FolderIdentity> below = ancestors;
        below.push_back(id);
        walkFolder(path, separator, below);
    }

    bool follow;
    std::vector<Work>& found;
    std::map<FolderIdentity, std::string> visited;
    std::deque<PendingLink> links;
};

// Lists the entries to look at, in a stable order: the operands in the order
// given, each folder's entries sorted by path. A folder named on the command
// line is walked even when it is named through a link.
std::vector<Work> collect(const std::vector<std::string>& operands, bool followLinks) {
    std::vector<Work> work;
    std::vector<Work> found;
    TreeWalk walker(followLinks, found);
    for (const std::string& operand : operands) {
        std::error_code ec;
        if (operand == "-" || !fs::is_directory(pathFromUtf8(operand), ec)) {
            work.push_back({operand, true, true, "", ""});
            continue;
        }
        found.clear();
        walker.walkOperand(operand);
        std::sort(found.begin(), found.end(), [](const Work& a, const Work& b) { return a.path < b.path; });
        for (Work& w : found) work.push_back(std::move(w));
    }
    return work;
}

// One entry's report. A file that decode() does not take for an image and
// that has no image name is not an image, whether it was named on the
// command line or found in a folder; with an image name it is a refused
// image either way.
FileReport examineWork(const Work& w, std::FILE* trace) {
    if (!w.skipped.empty()) {
        FileReport skipped;
        skipped.path = w.path;
        skipped.error = "skipped: " + w.skipped;
        return skipped;
    }
    if (!w.readError.empty()) return unreadable(w.path, w.readError);
    if (w.candidate || (w.regular && isImageCandidate(w.path))) {
        // Files the loaders do not take also go to the import step, on the
        // bytes already read: can convert bring them in?
        FileReport report = examineFile(w.path, trace, nullptr, true);
        if (report.code == ornatex::Refusal::notAnImage && !hasImageExtension(w.path)) {
            const bool convertible = report.convertible;
            report = notAnImage(w.path, report.fileSize);
            report.convertible = convertible;
        }
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
void printSummary(const std::vector<FileReport>& reports, std::size_t skippedLinks, double seconds) {
    std::size_t loaded = 0, refused = 0, notImages = 0, notRead = 0, convertible = 0;
    std::map<ornatex::Refusal, std::size_t> codes;
    for (const FileReport& r : reports) {
        if (r.unreadable) ++notRead;
        else if (!r.image) ++notImages, convertible += r.convertible;
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
    std::printf("  skipped links %8zu\n", skippedLinks);
    if (convertible)
        std::printf("%zu of the %zu %s the loaders refuse or do not take can be converted to a format they take:\n"
                    "  ornatex convert -f tga -o DIR FILE...\n",
                    convertible, refused + notImages, refused + notImages == 1 ? "file" : "files");
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
    const std::vector<Work> work = collect(parser.operands(), !parser.given("no-follow"));
    const bool progress = !verbose && isTerminal(stderr);
    std::FILE* trace = verbose ? (parser.given("json") ? stderr : stdout) : nullptr;
    std::vector<FileReport> reports = examineAll(work, jobs, trace, progress);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    // The refusals and skipped links in one write, in the order walked:
    // standard error is unbuffered. A skipped link is no file checked.
    std::string lines;
    bool anyRefused = false;
    std::size_t skippedLinks = 0;
    std::vector<FileReport> checked;
    checked.reserve(reports.size());
    for (std::size_t i = 0; i < reports.size(); ++i) {
        FileReport& r = reports[i];
        if (!work[i].skipped.empty()) {
            ++skippedLinks;
            lines += r.path + ": " + r.error + "\n";
            continue;
        }
        if ((r.image || r.unreadable) && !r.ok) {
            anyRefused = true;
            lines += r.path + ": " + r.error + "\n";
        }
        checked.push_back(std::move(r));
    }
    std::fputs(lines.c_str(), stderr);
    if (parser.given("json")) std::fputs(reportsAsJson(checked).c_str(), stdout);
    else printSummary(checked, skippedLinks, seconds);
    std::fflush(stdout);
    return anyRefused ? exitFailed : exitOk;
}

}  // namespace tool
