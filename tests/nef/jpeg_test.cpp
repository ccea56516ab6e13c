// Camera JPEGs: the same readout from the Exif APP1 segment, every position
// counting from that segment's TIFF header, and a bounded marker walk.
#include <gtest/gtest.h>

#include "jpeg_exif.h"
#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::ExifSegment;
using nef_test::JpegFile;
using nef_test::JpegSegment;
using nef_test::NefBuilder;
using nef_test::NefLayout;
using nef_test::Order;
using nef_test::TempDir;

namespace {

const JpegSegment kApp0{0xE0, std::string("JFIF\0\x01\x02\0\0\x01\0\x01\0\0", 14)};
const JpegSegment kXmp{0xE1, std::string("http://ns.adobe.com/xap/1.0/\0<x:xmpmeta/>", 41)};
const JpegSegment kQuantTable{0xDB, std::string(65, '\x01')};

}  // namespace

class JpegTest : public ::testing::TestWithParam<Order> {
protected:
    std::vector<std::uint8_t> Tiff(std::uint32_t total = 4070, NefLayout* layout = nullptr) const
    {
        return NefBuilder(GetParam()).Model("NIKON D90").DateTime("2009:10:21 18:55:53").Mechanical(4000).Total(total).Build(layout);
    }

    NefOutcome Read(const std::vector<std::uint8_t>& bytes)
    {
        const std::string path = m_dir.Write("photo.jpg", bytes);
        return ReadNefFile(path.c_str(), m_readout);
    }

    void ExpectReadout(std::int32_t total)
    {
        EXPECT_EQ("NIKON D90", m_readout.m_camera);
        EXPECT_EQ("2009:10:21 18:55:53", m_readout.m_shootingDate);
        EXPECT_EQ(4000, m_readout.m_mechanicalCount);
        EXPECT_EQ(total - 4000, m_readout.m_electronicCount);
        EXPECT_EQ(total, m_readout.m_totalCount);
    }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(JpegTest, ReadsTheExifSegmentWhereverItStandsAmongTheOthers)
{
    ASSERT_TRUE(Read(JpegFile({kApp0, ExifSegment(Tiff())})));
    ExpectReadout(4070);
    ASSERT_TRUE(Read(JpegFile({ExifSegment(Tiff()), kApp0, kQuantTable})));
    ExpectReadout(4070);
    // An XMP segment is APP1 too; only the first Exif one counts.
    ASSERT_TRUE(Read(JpegFile({kApp0, kXmp, ExifSegment(Tiff(5000)), ExifSegment(Tiff(6000))})));
    ExpectReadout(5000);
}

TEST_P(JpegTest, FillBytesAndStandaloneMarkersAreSteppedOver)
{
    auto bytes = JpegFile({kApp0, ExifSegment(Tiff())});
    bytes.insert(bytes.begin() + 2, {0xFF, 0xD0, 0xFF, 0xFF});  // RST0, then fill before APP0
    ASSERT_TRUE(Read(bytes));
    ExpectReadout(4070);
}

TEST_P(JpegTest, JpegWithoutExifOrWithBrokenSegmentsIsRefused)
{
    EXPECT_STREQ("no Exif data in this JPEG file", Read(JpegFile({kApp0, kXmp})).Reason());
    EXPECT_STREQ("no Exif data in this JPEG file", Read(JpegFile({})).Reason());

    auto bytes = JpegFile({kApp0, ExifSegment(Tiff())});
    EXPECT_STREQ("the file ends inside a JPEG segment", Read({bytes.begin(), bytes.begin() + 40}).Reason());
    EXPECT_STREQ("the file ends inside a JPEG segment", Read({bytes.begin(), bytes.begin() + 3}).Reason());

    auto longer = bytes;
    longer[4] = 0xFF;  // APP0's length now runs far past the end
    EXPECT_STREQ("the file ends inside a JPEG segment", Read(longer).Reason());

    auto shortLength = bytes;
    shortLength[4] = 0;
    shortLength[5] = 1;  // shorter than its own length field
    EXPECT_STREQ("the JPEG segments are malformed", Read(shortLength).Reason());

    auto noMarker = bytes;
    noMarker[2] = 0x00;
    EXPECT_STREQ("the JPEG segments are malformed", Read(noMarker).Reason());

    EXPECT_STREQ("the Exif data in this JPEG file is not TIFF-structured",
                 Read(JpegFile({{0xE1, std::string("Exif\0\0", 6) + std::string(300, 'Q')}})).Reason());
    EXPECT_EQ(0, m_readout.m_totalCount);
}

TEST_P(JpegTest, ManyTinySegmentsAreNotWalkedForever)
{
    std::vector<JpegSegment> segments(5000, JpegSegment{0xFE, ""});
    segments.push_back(ExifSegment(Tiff()));
    EXPECT_STREQ("the JPEG segments are malformed", Read(JpegFile(segments)).Reason());
}

TEST_P(JpegTest, ExifPositionsStayInsideTheirSegment)
{
    // The TIFF structure is cut inside the maker note, and the bytes that
    // follow the segment happen to be the rest of it: they must not be used.
    NefLayout layout;
    const auto tiff = Tiff(4070, &layout);
    const std::vector<std::uint8_t> head(tiff.begin(), tiff.begin() + layout.makerIfd + 4);
    auto bytes = JpegFile({ExifSegment(head)}, 0);
    bytes.insert(bytes.end() - 2, tiff.begin() + layout.makerIfd + 4, tiff.end());
    EXPECT_STREQ("the file ends inside the maker note", Read(bytes).Reason());
    EXPECT_EQ("NIKON D90", m_readout.m_camera);
}

TEST_P(JpegTest, TouchesOnlyTheStartOfALargeJpeg)
{
    const std::string path = m_dir.Write("big.jpg", JpegFile({kApp0, ExifSegment(Tiff())}, 3 << 20));
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));
    NefReadout readout;
    ASSERT_TRUE(ReadNefStream(stream, readout));
    EXPECT_LE(stream.BytesFetched(), 8192u);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, JpegTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });
