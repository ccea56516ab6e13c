// Files that cannot give a readout: each must fail with a plain reason,
// leave counters at 0 and nothing of an earlier file behind, and never read
// outside the file.
#include <gtest/gtest.h>

#include <cstring>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::NefBuilder;
using nef_test::NefLayout;
using nef_test::Order;
using nef_test::TempDir;

namespace {

void PutU32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v, Order order)
{
    for (int i = 0; i < 4; ++i) {
        const int shift = order == Order::kLittle ? 8 * i : 8 * (3 - i);
        bytes[at + i] = static_cast<std::uint8_t>(v >> shift);
    }
}

// Position of the value field of entry `index` of the directory at `ifd`.
std::size_t ValueField(std::size_t ifd, std::size_t index) { return ifd + 2 + 12 * index + 8; }

}  // namespace

class MalformedTest : public ::testing::TestWithParam<Order> {
protected:
    void SetUp() override
    {
        // A readout of another file is already on screen.
        const std::string earlier = m_dir.Write(
            "earlier.nef",
            NefBuilder(GetParam()).Model("EARLIER").DateTime("1999:01:01 00:00:00").Serial("1111111").Mechanical(7).Total(9).Build());
        ASSERT_TRUE(ReadNefFile(earlier.c_str(), m_readout));
    }

    NefOutcome Read(const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = m_dir.Write("bad.nef", bytes);
        return ReadNefFile(path.c_str(), m_readout);
    }

    void ExpectFailure(const NefOutcome& outcome, const char* reason, const char* camera = "", const char* date = "",
                       const char* serial = "")
    {
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_STREQ(reason, outcome.Reason());
        EXPECT_EQ(0, m_readout.m_mechanicalCount);
        EXPECT_EQ(0, m_readout.m_electronicCount);
        EXPECT_EQ(0, m_readout.m_totalCount);
        EXPECT_EQ(camera, m_readout.m_camera);
        EXPECT_EQ(date, m_readout.m_shootingDate);
        EXPECT_EQ(serial, m_readout.m_serialNumber);
    }

    NefBuilder Good() const { return NefBuilder(GetParam()).Model("NIKON D7000").DateTime("2021:06:05 19:57:13").Total(20353); }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(MalformedTest, MissingFileClearsEverythingOfTheEarlierOne)
{
    ExpectFailure(ReadNefFile((m_dir.Path() + "/absent.nef").c_str(), m_readout), "no such file");
    EXPECT_TRUE(m_readout.m_ifd0.m_entries.empty());
    EXPECT_TRUE(m_readout.m_makerIfd.m_entries.empty());
    ExpectFailure(ReadNefFile(m_dir.Path().c_str(), m_readout), "a folder, not a file");
}

TEST_P(MalformedTest, MissingPiecesKeepTheTextsFoundAndNameWhatIsMissing)
{
    ExpectFailure(Read(Good().WithoutExifPointer().Build()), "no Exif directory in this file", "NIKON D7000",
                  "2021:06:05 19:57:13");
    ExpectFailure(Read(Good().WithoutMakerNote().Build()), "no maker note in this file", "NIKON D7000",
                  "2021:06:05 19:57:13");
    ExpectFailure(Read(NefBuilder(GetParam()).Model("NIKON D1").MakerEntry(0x0001, 7, 4, 0x30323030).Build()),
                  "the maker note holds no shutter count", "NIKON D1");
}

TEST_P(MalformedTest, TotalNotAvailableIsNoReadout)
{
    // ExifTool shows it as "n/a"; as a signed number it would read -2049.
    const char* reason = "the camera recorded no shutter count for this file";
    ExpectFailure(Read(Good().Serial("6012345").Total(0xFFFFF7FF).Build()), reason, "NIKON D7000",
                  "2021:06:05 19:57:13", "6012345");
    ExpectFailure(Read(Good().Mechanical(100).Total(0xFFFFF7FF).Build()), reason, "NIKON D7000", "2021:06:05 19:57:13");
    ExpectFailure(Read(Good().Mechanical(0xFFFFF7FF).Total(0xFFFFF7FF).Build()), reason, "NIKON D7000",
                  "2021:06:05 19:57:13");
    // A mechanical "not available" alone leaves no counter at all.
    ExpectFailure(Read(NefBuilder(GetParam()).Model("NIKON D5").Mechanical(0xFFFFF7FF).Build()),
                  "the maker note holds no shutter count", "NIKON D5");
}

TEST_P(MalformedTest, FileWithoutModelOrDateShowsEmptyTextsNotTheEarlierOnes)
{
    ASSERT_TRUE(Read(NefBuilder(GetParam()).Total(5).Build()));
    EXPECT_EQ("", m_readout.m_camera);
    EXPECT_EQ("", m_readout.m_shootingDate);
    EXPECT_EQ(5, m_readout.m_totalCount);
}

TEST_P(MalformedTest, EveryTruncationFailsCleanly)
{
    NefLayout layout;
    const auto bytes = Good().Mechanical(100).Build(&layout);
    // The last 4 bytes, the next-directory pointer, are never read.
    for (std::size_t size = 0; size < layout.end - 4; ++size) {
        const NefOutcome outcome = Read({bytes.begin(), bytes.begin() + size});
        ASSERT_FALSE(outcome.Succeeded()) << "cut at " << size;
        EXPECT_EQ(0, m_readout.m_totalCount);
        EXPECT_EQ(0, m_readout.m_mechanicalCount);
        EXPECT_NE('\0', outcome.Reason()[0]);
    }
    // Cut in the middle of the maker note's directory.
    ExpectFailure(Read({bytes.begin(), bytes.begin() + layout.makerIfd + 7}), "the file ends inside the maker note",
                  "NIKON D7000", "2021:06:05 19:57:13");
    ExpectFailure(Read({bytes.begin(), bytes.begin() + 5}), "the file is too short to be a NEF file");
    ExpectFailure(Read({bytes.begin(), bytes.begin() + 20}), "the file ends inside its first directory");
    ASSERT_TRUE(Read(bytes));
}

TEST_P(MalformedTest, PositionsOutsideTheFileAreRefusedEvenWhenTheyWouldWrap)
{
    NefLayout layout;
    const auto good = Good().Build(&layout);
    // IFD0 holds Model, DateTime, Exif pointer, in that order.
    for (std::uint32_t bad : {0xFFFFFFFFu, 0xFFFFFFF0u, static_cast<std::uint32_t>(good.size())}) {
        auto bytes = good;
        PutU32(bytes, ValueField(layout.ifd0, 0), bad, GetParam());
        ExpectFailure(Read(bytes), "the camera model lies outside the file");

        bytes = good;
        PutU32(bytes, ValueField(layout.ifd0, 1), bad, GetParam());
        ExpectFailure(Read(bytes), "the shooting date lies outside the file", "NIKON D7000");

        bytes = good;
        PutU32(bytes, ValueField(layout.ifd0, 2), bad, GetParam());
        ExpectFailure(Read(bytes), "the Exif directory lies outside the file", "NIKON D7000", "2021:06:05 19:57:13");

        // MakerNote + 18 must not wrap around to the start of the file.
        bytes = good;
        PutU32(bytes, ValueField(layout.exifIfd, 0), bad, GetParam());
        ExpectFailure(Read(bytes), "the file ends inside the maker note", "NIKON D7000", "2021:06:05 19:57:13");
    }
}

TEST_P(MalformedTest, EntryCountTheFileCannotHoldIsRefused)
{
    NefLayout layout;
    auto bytes = Good().Build(&layout);
    bytes[layout.makerIfd] = 0xFF;
    bytes[layout.makerIfd + 1] = 0xFE;
    ExpectFailure(Read(bytes), "the file ends inside the maker note", "NIKON D7000", "2021:06:05 19:57:13");
}

TEST_P(MalformedTest, OtherFilesAreNamedForWhatTheyAreNot)
{
    std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    png.resize(4000, 0x20);
    ExpectFailure(Read(png), "not a NEF or JPEG file");
    ExpectFailure(Read({}), "the file is too short to be a NEF file");
}

INSTANTIATE_TEST_SUITE_P(BothOrders, MalformedTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });

TEST(ReaderFootprint, TouchesOnlyAFewKilobytesOfALargeFile)
{
    TempDir dir;
    const std::string path =
        dir.Write("big.nef", NefBuilder(Order::kLittle).Model("NIKON D850").Total(1).ImageData(4 << 20).Build());
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));
    NefReadout readout;
    ASSERT_TRUE(ReadNefStream(stream, readout));
    EXPECT_LE(stream.BytesFetched(), 8192u);
}
