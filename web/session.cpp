// The reader and the output forms as the web page and the JavaScript
// package call them: plain C functions over the Emscripten file system, in
// which the browser's files (WORKERFS) or the host's (NODEFS) are mounted.
// A session keeps each file's figures (never its directories) in the order
// read, so that the downloads are written at the end by the same code that
// writes the command line's output, from the same figures.
#include <sstream>
#include <string>
#include <vector>

#include "camera_history.h"
#include "history_format.h"
#include "nef_readout.h"
#include "readout_format.h"
#include "wear_chart.h"

namespace {

struct ReadFile {
    std::string name;    // as the output shows it: the name or the relative path
    NefReadout readout;  // without its directories
    std::string reason;  // empty when the file gave a count
};

std::vector<ReadFile> g_files;
NefReadout g_scratch;  // read into, so that its tables' memory is kept
std::string g_text;    // the last text handed out; valid until the next call

// What the downloads are, by the number JavaScript passes.
enum Output { kJson = 0, kCsv = 1, kCamerasJson = 2, kChart = 3, kCamerasText = 4 };

// One file's JSON object, exactly as one element of the --json array.
std::string JsonElement(const ReadFile& file)
{
    std::ostringstream out;
    ReadoutWriter writer(out, OutputForm::kJson);
    writer.Write(file.name, file.readout, file.reason);
    std::string text = out.str();
    // The writer puts each element on a line of its own, indented: the
    // object starts at its first brace.
    const std::size_t brace = text.find('{');
    return brace == std::string::npos ? std::string() : text.substr(brace);
}

std::vector<BodySummary> Summaries()
{
    CameraHistory history;
    for (const ReadFile& file : g_files)
        history.Add(file.name, file.readout, file.reason.empty());
    return history.TakeSummaries();
}

}  // namespace

extern "C" {

// Forgets every file read so far.
void tessmar_clear() { g_files.clear(); }

// Reads the file at `path` (in the Emscripten file system) under the name
// `name`, keeps its figures and returns its JSON object.
const char* tessmar_read(const char* path, const char* name)
{
    const NefOutcome outcome = ReadNefFile(path, g_scratch);
    ReadFile file;
    file.name = name;
    CopyReadoutWithoutTables(g_scratch, file.readout);
    file.reason = outcome.Reason();
    g_files.push_back(std::move(file));
    g_text = JsonElement(g_files.back());
    return g_text.c_str();
}

// Keeps a file that was not read at all, with why (the browser could not
// hand it over, a folder could not be listed), and returns its JSON object.
const char* tessmar_unreadable(const char* name, const char* reason)
{
    ReadFile file;
    file.name = name;
    file.reason = reason;
    g_files.push_back(std::move(file));
    g_text = JsonElement(g_files.back());
    return g_text.c_str();
}

// Gives the file read last `reason` in place of the reader's, and returns
// its JSON object again: the reader only learns that a read failed, the
// browser knows why (the file was removed, access was withdrawn).
const char* tessmar_replace_reason(const char* reason)
{
    if (g_files.empty())
        return "";
    g_files.back().reason = reason;
    g_text = JsonElement(g_files.back());
    return g_text.c_str();
}

// The whole of one output for every file kept, as the command line writes
// it for the same files.
const char* tessmar_output(int which)
{
    std::ostringstream out;
    switch (which) {
    case kJson:
    case kCsv: {
        ReadoutWriter writer(out, which == kJson ? OutputForm::kJson : OutputForm::kCsv);
        writer.Begin();
        for (const ReadFile& file : g_files)
            writer.Write(file.name, file.readout, file.reason);
        writer.End();
        break;
    }
    case kCamerasJson: WriteHistory(out, OutputForm::kJson, Summaries()); break;
    case kCamerasText: WriteHistory(out, OutputForm::kText, Summaries()); break;
    case kChart: out << WearChartSvg(Summaries()); break;
    default: break;
    }
    g_text = out.str();
    return g_text.c_str();
}

}  // extern "C"
