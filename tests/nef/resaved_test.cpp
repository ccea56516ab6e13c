// Files that other software re-saved: IFD0 is read where the header's
// offset field puts it when a whole directory fits there, and at 8 when the
// field is nonsense. A stale copy of an earlier IFD0 left at 8 is never read
// in place of the declared one.
#include <gtest/gtest.h>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::ExifSegment;
using nef_test::JpegFile;
using nef_test::NefBuilder;
using nef_test::NefLayout;
using nef_test::Order;
using nef_test::TempDir;

class ResavedTest : public ::testing::TestWithParam<Order> {
protected:
    NefBuilder Current() const
    {
        return NefBuilder(GetParam()).Model("NIKON D850").DateTime("2019:03:01 10:00:00").Mechanical(8000).Total(8541);
    }
    // What the file held before it was re-saved: an older date and count.
    NefBuilder Earlier() const
    {
        return NefBuilder(GetParam()).Model("NIKON D850").DateTime("2018:01:01 00:00:00").Mechanical(10).Total(20);
    }

    NefOutcome Read(const std::vector<std::uint8_t>& bytes, const char* name = "resaved.nef")
    {
        return ReadNefFile(m_dir.Write(name, bytes).c_str(), m_readout);
    }

    void ExpectCurrent()
    {
        EXPECT_EQ("NIKON D850", m_readout.m_camera);
        EXPECT_EQ("2019:03:01 10:00:00", m_readout.m_shootingDate);
        EXPECT_EQ(8000, m_readout.m_mechanicalCount);
        EXPECT_EQ(541, m_readout.m_electronicCount);
        EXPECT_EQ(8541, m_readout.m_totalCount);
    }

    // The header's IFD0 offset field set to `offset`.
    void PointHeaderAt(std::vector<std::uint8_t>& bytes, std::uint32_t offset) const
    {
        for (int i = 0; i < 4; ++i)
            bytes[4 + i] = static_cast<std::uint8_t>(offset >> (GetParam() == Order::kLittle ? 8 * i : 8 * (3 - i)));
    }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(ResavedTest, MovedIfd0IsReadWhereTheHeaderSays)
{
    // Offsets seen in re-saved files, and one just behind the header.
    for (std::size_t offset : {10u, 444u, 3024u, 10932u, 52238u}) {
        SCOPED_TRACE(offset);
        ASSERT_TRUE(Read(Current().MoveIfd0By(offset - 8).Build()));
        ExpectCurrent();
    }
}

TEST_P(ResavedTest, StaleCopyAtEightIsPassedOver)
{
    ASSERT_TRUE(Read(Current().StaleStructureAt8(Earlier()).Build()));
    ExpectCurrent();
    // The same inside a camera JPEG's Exif segment.
    ASSERT_TRUE(Read(JpegFile({ExifSegment(Current().StaleStructureAt8(Earlier()).Build())}), "resaved.jpg"));
    ExpectCurrent();
}

TEST_P(ResavedTest, DeclaredIfd0WithoutExifPointerDoesNotFallBackToTheStaleCopy)
{
    // The stale copy would give an old count; the declared IFD0 is the file's.
    const NefOutcome outcome = Read(Current().WithoutExifPointer().StaleStructureAt8(Earlier()).Build());
    EXPECT_STREQ("no Exif directory in this file", outcome.Reason());
    EXPECT_EQ("2019:03:01 10:00:00", m_readout.m_shootingDate);
    EXPECT_EQ(0, m_readout.m_totalCount);
}

TEST_P(ResavedTest, NonsenseOffsetFieldsLeaveIfd0AtEight)
{
    NefLayout layout;
    const std::vector<std::uint8_t> good = Current().ImageData(64).Build(&layout);
    const auto size = static_cast<std::uint32_t>(good.size());
    // IFD0 holds Model, DateTime and the Exif pointer; its next-directory
    // pointer (zeros) would read as an empty directory.
    const auto emptyDirectory = static_cast<std::uint32_t>(layout.ifd0 + 2 + 12 * 3);
    for (std::uint32_t offset : {0u, 4u, 7u, emptyDirectory, size - 1, size, size + 1, 0x7FFF0000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(offset);
        std::vector<std::uint8_t> bytes = good;
        PointHeaderAt(bytes, offset);
        ASSERT_TRUE(Read(bytes));
        ExpectCurrent();
    }
}

TEST_P(ResavedTest, DeclaredDirectoryMustFitWhole)
{
    // A directory of one entry at the end of the file: first without its
    // entry, then without its next-directory pointer.
    const std::vector<std::uint8_t> good = Current().Build();
    const std::uint8_t one[2] = {static_cast<std::uint8_t>(GetParam() == Order::kLittle ? 1 : 0),
                                 static_cast<std::uint8_t>(GetParam() == Order::kLittle ? 0 : 1)};
    for (std::size_t tail : {2u, 2u + 12u, 2u + 12u + 3u}) {
        SCOPED_TRACE(tail);
        std::vector<std::uint8_t> bytes = good;
        bytes.insert(bytes.end(), one, one + 2);
        bytes.resize(good.size() + tail, 0x11);
        PointHeaderAt(bytes, static_cast<std::uint32_t>(good.size()));
        ASSERT_TRUE(Read(bytes));
        ExpectCurrent();
    }
    // With its pointer it is a directory, and is read: it has no Model.
    std::vector<std::uint8_t> bytes = good;
    bytes.insert(bytes.end(), one, one + 2);
    bytes.resize(good.size() + 2 + 12 + 4, 0x11);
    PointHeaderAt(bytes, static_cast<std::uint32_t>(good.size()));
    EXPECT_FALSE(Read(bytes));
    EXPECT_EQ("", m_readout.m_camera);
}

TEST_P(ResavedTest, InAJpegTheDeclaredIfd0MustLieInsideTheExifSegment)
{
    NefLayout layout;
    const std::vector<std::uint8_t> tiff = Current().Build(&layout);
    ASSERT_TRUE(Read(JpegFile({ExifSegment(Current().MoveIfd0By(436).Build())}), "moved.jpg"));
    ExpectCurrent();

    // Pointing past the segment's end, into the image data of the file, the
    // offset is nonsense for the TIFF structure: IFD0 stays at 8.
    std::vector<std::uint8_t> pointingOut = tiff;
    PointHeaderAt(pointingOut, static_cast<std::uint32_t>(tiff.size() + 40));
    ASSERT_TRUE(Read(JpegFile({ExifSegment(pointingOut)}, 4096), "out.jpg"));
    ExpectCurrent();
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ResavedTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });
