// Real camera files, when the shared sample folder is present: every
// TIFF-structured file listed in expected.tsv, and every camera JPEG it was
// cut from, must give the listed fields and outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "nef_readout.h"

namespace {

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> cells;
    std::stringstream in(line);
    std::string cell;
    while (std::getline(in, cell, '\t'))
        cells.push_back(cell);
    if (!line.empty() && line.back() == '\t')
        cells.emplace_back();
    return cells;
}

}  // namespace

TEST(Samples, EveryListedFileGivesItsExpectedReadout)
{
    const std::filesystem::path dir = TESSMAR_SAMPLES_DIR;
    std::ifstream table(dir / "expected.tsv");
    if (!table)
        GTEST_SKIP() << "SKIPPED: no sample files at " << dir.string() << " (expected.tsv absent)";

    std::string line;
    std::getline(table, line);
    const std::vector<std::string> header = SplitTabs(line);
    const auto column = [&](const char* name) {
        const auto it = std::find(header.begin(), header.end(), name);
        EXPECT_NE(it, header.end()) << "expected.tsv has no column " << name;
        return static_cast<std::size_t>(it - header.begin());
    };
    const std::size_t file = column("file"), camera = column("camera"), date = column("shootingDate"),
                      mechanical = column("mechanical"), electronic = column("electronic"), total = column("total"),
                      outcome = column("outcome"), source = column("source"), container = column("container");

    int rows = 0;
    while (std::getline(table, line)) {
        if (line.empty())
            continue;
        const std::vector<std::string> cells = SplitTabs(line);
        ASSERT_GT(cells.size(), outcome) << line;
        std::vector<std::string> paths = {cells[file]};
        if (cells[container] == "jpeg")
            paths.push_back(cells[source]);
        for (const std::string& path : paths) {
            SCOPED_TRACE(path);
            NefReadout readout;
            const NefOutcome result = ReadNefFile((dir / path).string().c_str(), readout);
            EXPECT_EQ(cells[outcome] == "ok", result.Succeeded()) << result.Reason();
            EXPECT_EQ(cells[camera], readout.m_camera);
            EXPECT_EQ(cells[date], readout.m_shootingDate);
            EXPECT_EQ(std::stol(cells[mechanical]), readout.m_mechanicalCount);
            EXPECT_EQ(std::stol(cells[electronic]), readout.m_electronicCount);
            EXPECT_EQ(std::stol(cells[total]), readout.m_totalCount);
            ++rows;
        }
    }
    EXPECT_GT(rows, 0);
}

// ExifTool as the oracle for the serial: on every sample the reader reads,
// the serial is one of the values ExifTool shows for SerialNumber or
// CameraSerialNumber (in any group, as stored), and empty only where it
// shows none.
TEST(Samples, SerialIsOneThatExifToolShows)
{
    const std::filesystem::path dir = TESSMAR_SAMPLES_DIR;
    if (!std::filesystem::is_directory(dir / "files"))
        GTEST_SKIP() << "SKIPPED: no sample files at " << dir.string();
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "SKIPPED: exiftool is not installed";
    std::string command =
        "exiftool -q -j -n -a -G1 -SerialNumber -CameraSerialNumber";
    std::vector<std::string> paths;
    for (const char* folder : {"files", "tiff"}) {
        for (const auto& entry : std::filesystem::directory_iterator(dir / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext == ".nef" || ext == ".NEF" || ext == ".jpg" || ext == ".tif") {
                paths.push_back(entry.path().string());
                command += " '" + paths.back() + "'";
            }
        }
    }
    // One line per file: its path, a tab, and the values joined by a 0x1F byte.
    command += " | python3 -c 'import json,sys\n"
               "for o in json.load(sys.stdin):\n"
               "  v = [str(x).rstrip() for k, x in o.items() if k.endswith(\":SerialNumber\") or k.endswith(\":CameraSerialNumber\")]\n"
               "  print(o[\"SourceFile\"] + \"\\t\" + \"\\x1f\".join(v))'";
    std::map<std::string, std::vector<std::string>> shown;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        while (std::fgets(buffer, sizeof buffer, p)) {
            std::string line(buffer);
            line.erase(line.find_last_not_of('\n') + 1);
            const std::size_t tab = line.find('\t');
            std::vector<std::string>& values = shown[line.substr(0, tab)];
            std::stringstream in(line.substr(tab + 1));
            for (std::string value; std::getline(in, value, '\x1f');)
                if (!value.empty())
                    values.push_back(value);
        }
        pclose(p);
    }
    ASSERT_EQ(paths.size(), shown.size());
    int withSerial = 0;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        NefReadout readout;
        ReadNefFile(path.c_str(), readout);
        const std::vector<std::string>& values = shown[path];
        if (values.empty()) {
            EXPECT_EQ("", readout.m_serialNumber);
        } else {
            EXPECT_NE(values.end(), std::find(values.begin(), values.end(), readout.m_serialNumber))
                << "read " << readout.m_serialNumber << ", ExifTool shows " << values.front();
            ++withSerial;
        }
    }
    EXPECT_GT(withSerial, 0);
}
