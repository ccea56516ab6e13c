// tessmar: prints the camera model, serial number, shooting date and
// shutter counters of Nikon NEF, NRW and JPEG files and of DNG files
// converted from them, as labelled text, JSON or CSV; or, with --cameras,
// a summary by camera body and a chart of its counts over time.
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "camera_history.h"
#include "chart_file.h"
#include "chart_target.h"
#include "descriptors.h"
#include "file_list.h"
#include "interrupt.h"
#include "history_format.h"
#include "in_flight.h"
#include "listed_reads.h"
#include "output_buffer.h"
#include "progress.h"
#include "readout_format.h"
#include "run_tessmar.h"
#include "text_escape.h"
#include "wear_chart.h"
#include "write_all.h"

namespace {

constexpr char kVersion[] = "3.0.0.1";

// Each status means one thing. Output that could not be written outranks
// the rest: a script must not take a cut-off result for a whole one.
enum ExitStatus { kAllRead = 0, kSomeUnread = 1, kUsageError = 2, kOutputFailed = 3 };

constexpr char kUsage[] =
    "Usage: tessmar [--json | --csv] [-r] FILE|FOLDER...\n"
    "       tessmar --cameras [--json | --csv] [--chart FILE.svg] [-r] FILE|FOLDER...\n"
    "Prints the camera model, serial number, shooting date and shutter counts of\n"
    "Nikon NEF, NRW and JPEG files, and of DNG files converted from them.\n"
    "\n"
    "  -r, --recursive  read every .nef, .nrw, .jpg, .jpeg and .dng file under each\n"
    "                   FOLDER\n"
    "  --json           print one JSON array, an object per file, in order\n"
    "  --csv            print a header line and one CSV row per file\n"
    "  --cameras        print one row per camera body (model and serial number)\n"
    "                   instead: files, first and last shooting date and total\n"
    "                   count, shots between and per day, and where it went down\n"
    "  --chart FILE.svg with --cameras, also draw each body's total count against\n"
    "                   the shooting date into FILE.svg (or /dev/stdout, after the\n"
    "                   table); a camera file or any other file that is not an SVG\n"
    "                   image is refused\n"
    "  --help           show this help and exit\n"
    "  --version        show the version and exit\n"
    "\n"
    "Names and texts are written as they are when they are valid UTF-8; control\n"
    "characters and bytes that are not UTF-8 are escaped: \\xNN in text and CSV\n"
    "(a backslash as \\\\), \\udcNN in JSON (Python's surrogateescape).\n"
    "\n"
    "Exit status: 0 when every file was read, 1 when any file or folder could not\n"
    "be read (each is named on standard error), 2 for a usage error, 3 when the\n"
    "output or the chart could not be written (the run stops at the first failed\n"
    "write).\n";

// Writes `text` to standard error in one call where the system allows, so
// that a line stays whole beside other writers.
// A failed write leaves nowhere to say anything, so it goes unreported.
void WriteError(const std::string& text) { WriteAll(kStandardError, text.data(), text.size()); }

int OutputFailed(int error)
{
    WriteError(std::string("tessmar: cannot write the output: ") + std::strerror(error != 0 ? error : EIO) + "\n");
    return kOutputFailed;
}

struct Options {
    OutputForm form = OutputForm::kText;
    bool recursive = false;
    bool cameras = false;
    std::optional<std::string> chart;
    bool chartToOutput = false;  // the chart follows the summary on standard output
    InFlight inFlight;
    std::vector<std::string> paths;
};

// Returns -1 to go on, or the exit status to end with (after the output
// is closed).
int ParseArguments(int argc, char** argv, Options& options, std::ostream& out)
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
        } else if (arg == "--cameras") {
            options.cameras = true;
        } else if (arg == "--chart" || arg.rfind("--chart=", 0) == 0) {
            if (arg == "--chart" && i + 1 == argc) {
                WriteError(std::string("tessmar: --chart needs a file name\n") + kUsage);
                return kUsageError;
            }
            options.chart = arg == "--chart" ? argv[++i] : arg.substr(std::strlen("--chart="));
        } else if (arg == "-r" || arg == "--recursive") {
            options.recursive = true;
        } else if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return kAllRead;
        } else if (arg == "--version") {
            out << "tessmar " << kVersion << '\n';
            return kAllRead;
        } else {
            WriteError("tessmar: unknown option '" + PrintableText(arg) + "'\n" + kUsage);
            return kUsageError;
        }
    }
    if (options.chart && (!options.cameras || options.chart->empty())) {
        WriteError(std::string(options.cameras ? "tessmar: --chart needs a file name\n"
                                               : "tessmar: --chart goes with --cameras\n") +
                   kUsage);
        return kUsageError;
    }
    if (options.paths.empty()) {
        WriteError(std::string("tessmar: no file given\n") + kUsage);
        return kUsageError;
    }
    if (options.chart) {
        if (const std::string refusal = ChartTargetRefusal(*options.chart, options.paths); !refusal.empty()) {
            WriteError("tessmar: will not write the chart to " + PrintableText(*options.chart) + ": " + refusal +
                       "\n");
            return kUsageError;
        }
        options.chartToOutput = IsStandardOutput(*options.chart);
    }
    const char* inFlight = std::getenv("TESSMAR_IN_FLIGHT");
    if (const std::optional<InFlight> setting = InFlightSetting(inFlight)) {
        options.inFlight = *setting;
    } else {
        WriteError("tessmar: TESSMAR_IN_FLIGHT must be a whole number from 1 to " +
                   std::to_string(kMaxFilesInFlight) + ", not '" + PrintableText(inFlight) + "'\n");
        return kUsageError;
    }
    return -1;
}

int ChartFailed(const std::string& path, int error)
{
    WriteError("tessmar: cannot write the chart " + PrintableText(path) + ": " + std::strerror(error) + "\n");
    return kOutputFailed;
}

// The summary, once every file is read, then the chart: the chart file is
// written only after the summary is out whole.
int WriteSummary(const Options& options, std::vector<BodySummary> bodies, std::ostream& out,
                 OutputBuffer& buffer, int status)
{
    WriteHistory(out, options.form, bodies);
    if (options.chartToOutput)
        out << WearChartSvg(bodies);
    if (!buffer.Close())
        return OutputFailed(buffer.Error());
    if (options.chart && !options.chartToOutput) {
        if (const int error = WriteChartFile(*options.chart, WearChartSvg(bodies)); error != 0)
            return ChartFailed(*options.chart, error);
    }
    return status;
}

// Ends a run that a signal stopped before every file was read: the records
// written so far go out whole (a JSON array closed), no summary or chart is
// made from a part of the files, and the process ends by the signal.
[[noreturn]] void EndInterrupted(ReadoutWriter* writer, OutputBuffer& buffer, std::size_t read, std::size_t listed)
{
    if (writer)
        writer->End();
    if (!buffer.Close())
        OutputFailed(buffer.Error());
    WriteError("tessmar: interrupted after " + std::to_string(read) + " of " + std::to_string(listed) + " files\n");
    EndBySignal(InterruptSignal());
}

int ReadAll(const Options& options, std::ostream& out, OutputBuffer& buffer)
{
    // Nothing is opened for output that already cannot be written.
    if (buffer.Error() != 0)
        return OutputFailed(buffer.Error());
    if (options.chart && !options.chartToOutput) {
        if (const int error = CheckChartFile(*options.chart); error != 0)
            return ChartFailed(*options.chart, error);
    }

    const std::vector<ListedPath> files = ListFiles(options.paths, options.recursive);
    ReadoutWriter writer(out, options.form);
    Progress progress(files.size());
    // On a terminal each file's lines show as soon as they are read, and
    // always before a message about the next file.
    const bool outputIsTerminal = IsTerminal(kStandardOutput);
    int status = kAllRead;
    ListedReads reads(files, options.recursive, options.inFlight);
    // With --cameras each file's readout goes into the summary instead.
    std::optional<CameraHistory> history;
    if (options.cameras)
        history.emplace();
    else
        writer.Begin();
    std::size_t read = 0;
    for (const ListedPath& file : files) {
        if (InterruptSignal() != 0) {
            reads.Stop();
            progress.ClearLine();
            EndInterrupted(history ? nullptr : &writer, buffer, read, files.size());
        }
        const FileResult result = reads.Next();
        if (!result.reason.empty()) {
            progress.ClearLine();
            WriteError("tessmar: " + PrintableText(file.path) + ": " + result.reason + "\n");
            status = kSomeUnread;
        }
        if (history)
            history->Add(file.path, result.readout, result.reason.empty());
        else
            writer.Write(file.path, result.readout, result.reason);
        if (outputIsTerminal)
            out.flush();
        if (!out) {
            // No file is opened from here on; those under way are let be.
            reads.Stop();
            progress.ClearLine();
            return OutputFailed(buffer.Error());
        }
        progress.FileDone();
        ++read;
    }
    progress.ClearLine();
    // A signal while the last file was read: the summary is a whole one.
    if (history)
        return WriteSummary(options, history->TakeSummaries(), out, buffer, status);
    writer.End();
    return buffer.Close() ? status : OutputFailed(buffer.Error());
}

}  // namespace

int RunTessmar(int argc, char** argv)
{
    // Before anything is opened: a closed standard output must be found
    // closed, not taken over by the first file read.
    OutputBuffer buffer(kStandardOutput);
    FillClosedStandardDescriptors();
    std::ostream out(&buffer);

    Options options;
    if (const int status = ParseArguments(argc, argv, options, out); status >= 0) {
        if (status == kUsageError)
            return status;
        return buffer.Close() ? status : OutputFailed(buffer.Error());
    }
    CatchInterrupts();
    return ReadAll(options, out, buffer);
}
