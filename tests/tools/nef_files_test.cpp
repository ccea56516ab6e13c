// The generated files keep their promises to the fuzz run, the benchmark and
// the demonstration: readable files read, and a JPEG twin reads as its NEF;
// malformed files are refused; the seeds span both byte orders of the file and
// of the maker note; a large file's image strip covers the rest of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <set>

#include "nef_builder.h"
#include "nef_files.h"
#include "nef_readout.h"

using nef_files::NamedFile;
using nef_test::TempDir;

namespace {

NefOutcome Read(const TempDir& dir, const NamedFile& file, NefReadout& readout)
{
    return ReadNefFile(dir.Write(file.name, file.bytes).c_str(), readout);
}

std::string Stem(const std::string& name) { return name.substr(0, name.rfind('.')); }

// The byte-order marks of the file's (or the JPEG's Exif) TIFF header and
// of the maker note's own, e.g. "II/MM".
std::string Orders(const std::vector<std::uint8_t>& bytes)
{
    const std::string text(bytes.begin(), bytes.end());
    const std::size_t tiff = text.compare(0, 2, "\xFF\xD8") == 0 ? text.find("Exif") + 6 : 0;
    const std::size_t maker = text.find(std::string("Nikon\0\x02\x10\0\0", 10));
    if (tiff >= text.size() || maker == std::string::npos)
        return "";
    return text.substr(tiff, 2) + "/" + text.substr(maker + 10, 2);
}

}  // namespace

TEST(GeneratedFiles, ReadableOnesReadUnswappedAndJpegTwinsReadAsTheirNef)
{
    TempDir dir;
    std::map<std::string, std::map<std::string, NefReadout>> byStem;
    for (const NamedFile& file : nef_files::ReadableFiles()) {
        NefReadout readout;
        const NefOutcome outcome = Read(dir, file, readout);
        ASSERT_TRUE(outcome) << file.name << ": " << outcome.Reason();
        // A counter read in the wrong byte order comes out in the billions.
        EXPECT_LT(readout.m_totalCount, 1000000) << file.name;
        EXPECT_LT(readout.m_mechanicalCount, 1000000) << file.name;
        byStem[Stem(file.name)][file.name.substr(file.name.rfind('.'))] = readout;
    }
    for (const auto& [stem, twins] : byStem) {
        ASSERT_EQ(2u, twins.size()) << stem;
        const NefReadout& nef = twins.at(".nef");
        const NefReadout& jpeg = twins.at(".jpg");
        EXPECT_EQ(nef.m_camera, jpeg.m_camera) << stem;
        EXPECT_EQ(nef.m_shootingDate, jpeg.m_shootingDate) << stem;
        EXPECT_EQ(nef.m_mechanicalCount, jpeg.m_mechanicalCount) << stem;
        EXPECT_EQ(nef.m_totalCount, jpeg.m_totalCount) << stem;
    }
}

TEST(GeneratedFiles, ResavedAndConvertedOnesReadAsTheCameraFileDoes)
{
    TempDir dir;
    for (const NamedFile& file : nef_files::ResavedAndConvertedFiles()) {
        NefReadout readout;
        const NefOutcome outcome = Read(dir, file, readout);
        ASSERT_TRUE(outcome) << file.name << ": " << outcome.Reason();
        EXPECT_EQ("NIKON D850", readout.m_camera) << file.name;
        EXPECT_EQ("2018:09:02 19:40:44", readout.m_shootingDate) << file.name;
        EXPECT_EQ(8541, readout.m_totalCount) << file.name;
        const bool noMechanical = file.name.find("mech_not_available") != std::string::npos;
        EXPECT_EQ(noMechanical ? 8541 : 3487, readout.m_mechanicalCount) << file.name;
        EXPECT_EQ(file.name.find("xmp_bad") == std::string::npos, !readout.m_serialNumber.empty()) << file.name;
    }
}

TEST(GeneratedFiles, MalformedOnesAreRefusedBarAModelCountTheReaderNeverNeeds)
{
    TempDir dir;
    for (const NamedFile& file : nef_files::MalformedFiles()) {
        NefReadout readout;
        const bool read = Read(dir, file, readout).Succeeded();
        // Only a text's first bytes are read, so a count far past the end
        // of the file alone does not stop the reader.
        if (file.name.find("model_count_huge") != std::string::npos) {
            EXPECT_TRUE(read) << file.name;
            EXPECT_EQ("NIKON D850", readout.m_camera) << file.name;
        } else {
            EXPECT_FALSE(read) << file.name << " was read";
        }
    }
}

TEST(GeneratedFiles, SeedsSpanBothByteOrdersOfFileAndMakerNoteInBothContainers)
{
    std::set<std::string> nef, jpeg;
    for (const NamedFile& file : nef_files::ReadableFiles())
        (file.bytes[0] == 0xFF ? jpeg : nef).insert(Orders(file.bytes));
    const std::set<std::string> all = {"II/II", "II/MM", "MM/MM", "MM/II"};
    EXPECT_EQ(all, nef);
    EXPECT_EQ(all, jpeg);
}

TEST(GeneratedFiles, DemoAndLargeFilesReadAndTheImageStripRunsToTheEnd)
{
    TempDir dir;
    NefReadout readout;
    ASSERT_TRUE(Read(dir, {"demo.nef", nef_files::DemoNef()}, readout));
    EXPECT_EQ(10973, readout.m_electronicCount);

    const std::size_t size = 3 * 1024 * 1024 + 1;
    const NamedFile large{"large.nef", nef_files::LargeNef(size)};
    ASSERT_EQ(size, large.bytes.size());
    ASSERT_TRUE(Read(dir, large, readout));
    const auto value = [&readout](std::uint16_t tag) {
        const auto& entries = readout.m_ifd0.m_entries;
        const auto it = std::find_if(entries.begin(), entries.end(),
                                     [tag](const TiffEntry& e) { return EntryTag(e) == tag; });
        return it == entries.end() ? 0 : EntryValue(*it);
    };
    const std::uint32_t stripOffset = value(0x0111);
    EXPECT_GT(stripOffset, 0u);
    EXPECT_EQ(size, std::size_t{stripOffset} + value(0x0117));
}

TEST(GeneratedFiles, LibraryIsTheSameEveryTimeWithNoNameTwiceAndReadsAsPromised)
{
    const std::vector<NamedFile> files = nef_files::LibraryFiles(300);
    const std::vector<NamedFile> again = nef_files::LibraryFiles(300);
    ASSERT_EQ(files.size(), again.size());
    std::set<std::string> names;
    std::set<std::pair<std::string, std::string>> bodies;
    int withoutCount = 0;
    TempDir dir;
    for (std::size_t i = 0; i < files.size(); ++i) {
        EXPECT_EQ(files[i].name, again[i].name);
        EXPECT_TRUE(files[i].bytes == again[i].bytes) << files[i].name;
        // Two files of one name would be one file in the folder.
        EXPECT_TRUE(names.insert(files[i].name).second) << files[i].name;
        const NamedFile flat{std::to_string(i) + ".nef", files[i].bytes};
        NefReadout readout;
        if (Read(dir, flat, readout))
            bodies.insert({readout.m_camera, readout.m_serialNumber});
        else
            ++withoutCount;
    }
    EXPECT_GE(files.size(), 290u);
    EXPECT_EQ(1, withoutCount);  // the compact camera's
    EXPECT_EQ(5u, bodies.size());
}
