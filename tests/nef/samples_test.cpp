// Real camera files, when the shared sample folder is present: every
// TIFF-structured file listed in expected.tsv, and every camera JPEG it was
// cut from, must give the listed fields and outcome.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
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
