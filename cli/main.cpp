// tessmar: prints the camera model, shooting date and shutter counters of
// Nikon NEF, NRW and JPEG files, as labelled text, JSON or CSV.
#include <iostream>
#include <unistd.h>
#include <string>
#include <vector>

#include "file_list.h"
#include "progress.h"
#include "readout_format.h"

namespace {

constexpr char kVersion[] = "3.0.0.1";

enum ExitStatus { kAllRead = 0, kSomeUnread = 1, kUsageError = 2 };

void PrintUsage(std::ostream& out)
{
    out << "Usage: tessmar [--json | --csv] [-r] FILE|FOLDER...\n"
           "Prints the camera model, shooting date and shutter counts of Nikon NEF, NRW\n"
           "and JPEG files.\n"
           "\n"
           "  -r, --recursive  read every .nef, .nrw, .jpg and .jpeg file under each FOLDER\n"
           "  --json           print one JSON array, an object per file, in order\n"
           "  --csv            print a header line and one CSV row per file\n"
           "  --help           show this help and exit\n"
           "  --version        show the version and exit\n"
           "\n"
           "Exit status: 0 when every file was read, 1 when any could not be read,\n"
           "2 for a usage error.\n";
}

struct Options {
    OutputForm form = OutputForm::kText;
    bool recursive = false;
    std::vector<std::string> paths;
};

// Returns -1 to go on, or the exit status to end with.
int ParseArguments(int argc, char** argv, Options& options)
{
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.paths.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.form = OutputForm::kJson;
        } else if (arg == "--csv") {
            options.form = OutputForm::kCsv;
        } else if (arg == "-r" || arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--help" || arg == "-h") {
            PrintUsage(std::cout);
            return kAllRead;
        } else if (arg == "--version") {
            std::cout << "tessmar " << kVersion << '\n';
            return kAllRead;
        } else {
            std::cerr << "tessmar: unknown option '" << PrintableText(arg) << "'\n";
            PrintUsage(std::cerr);
            return kUsageError;
        }
    }
    if (options.paths.empty()) {
        std::cerr << "tessmar: no file given\n";
        PrintUsage(std::cerr);
        return kUsageError;
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    // Standard error is tied to standard output so that both interleave on
    // a terminal; into a file or pipe that only costs a flush per message.
    if (!isatty(STDOUT_FILENO))
        std::cerr.tie(nullptr);
    Options options;
    if (const int status = ParseArguments(argc, argv, options); status >= 0)
        return status;

    const std::vector<ListedPath> files = ListFiles(options.paths, options.recursive);
    ReadoutWriter writer(std::cout, options.form);
    Progress progress(files.size());
    NefReadout readout;
    int status = kAllRead;

    writer.Begin();
    for (const ListedPath& file : files) {
        std::string reason = file.problem;  // empty while the file counts as read
        if (reason.empty()) {
            const NefOutcome outcome = ReadNefFile(file.path.c_str(), readout);
            if (!outcome)
                reason = outcome.Reason();
            if (outcome.Problem() == NefProblem::kNotAFile && !options.recursive && IsFolder(file.path))
                reason = "is a folder (use -r to read the files in it)";
        } else {
            readout = NefReadout();
        }
        if (!reason.empty()) {
            progress.ClearLine();
            // One write per message: standard error is unbuffered.
            std::cerr << "tessmar: " + PrintableText(file.path) + ": " + reason + "\n";
            status = kSomeUnread;
        }
        writer.Write(file.path, readout, reason);
        progress.FileDone();
    }
    writer.End();
    std::cout.flush();
    return std::cout ? status : kSomeUnread;
}
