// tessmar: prints the camera model, shooting date and shutter counters of
// NEF files, as labelled text or as JSON.
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "readout_format.h"

namespace {

constexpr char kVersion[] = "3.0.0.1";

enum ExitStatus { kAllRead = 0, kSomeUnread = 1, kUsageError = 2 };

void PrintUsage(std::ostream& out)
{
    out << "Usage: tessmar [--json] FILE...\n"
           "Prints the camera model, shooting date and shutter counts of Nikon NEF files.\n"
           "\n"
           "  --json     print one JSON array, an object per file, in the order given\n"
           "  --help     show this help and exit\n"
           "  --version  show the version and exit\n"
           "\n"
           "Exit status: 0 when every file was read, 1 when any could not be read,\n"
           "2 for a usage error.\n";
}

struct Options {
    bool json = false;
    std::vector<std::string> files;
};

}  // namespace

int main(int argc, char** argv)
{
    Options options;
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (optionsEnded || arg.empty() || arg[0] != '-' || arg == "-") {
            options.files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--json") {
            options.json = true;
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
    if (options.files.empty()) {
        std::cerr << "tessmar: no file given\n";
        PrintUsage(std::cerr);
        return kUsageError;
    }

    std::vector<FileReadout> items(options.files.size());
    int status = kAllRead;
    bool firstText = true;
    for (std::size_t i = 0; i < items.size(); ++i) {
        FileReadout& item = items[i];
        item.file = options.files[i];
        item.outcome = ReadNefFile(item.file.c_str(), item.readout);
        if (!item.outcome) {
            std::cerr << "tessmar: " << PrintableText(item.file) << ": " << item.outcome.Reason() << '\n';
            status = kSomeUnread;
            continue;
        }
        if (!options.json) {
            if (!firstText)
                std::cout << '\n';
            WriteText(std::cout, item);
            firstText = false;
        }
    }
    if (options.json)
        WriteJson(std::cout, items);
    return status;
}
