// The body's serial number: the maker note's SerialNumber (0x001D), whose
// offset counts from the note's own TIFF header, else the Exif IFD's
// BodySerialNumber (0xA431). A serial that cannot be trusted is left out,
// and never costs the readout its counters.
#include <gtest/gtest.h>

#include <optional>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

namespace {

struct SerialRow {
    const char* name;
    std::optional<std::string> maker;  // the 0x001D entry's stored bytes
    std::optional<std::string> exif;   // the 0xA431 entry's stored bytes
    std::string want;
};

}  // namespace

class SerialTest : public ::testing::TestWithParam<std::tuple<Order, SerialRow>> {};

TEST_P(SerialTest, TakesTheMakerNotesSerialElseTheExifOne)
{
    const auto& [order, row] = GetParam();
    NefBuilder builder(order);
    builder.Model("NIKON D850").Total(8541);
    if (row.maker)
        builder.MakerText(0x001D, *row.maker);
    if (row.exif)
        builder.ExifText(0xA431, *row.exif);
    TempDir dir;
    NefReadout readout;
    ASSERT_TRUE(ReadNefFile(dir.Write("s.nef", builder.Build()).c_str(), readout));
    EXPECT_EQ(row.want, readout.m_serialNumber);
    EXPECT_EQ(8541, readout.m_totalCount);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, SerialTest,
    ::testing::Combine(
        ::testing::Values(Order::kLittle, Order::kBig),
        ::testing::Values(
            SerialRow{"byOffset", std::string("3004871\0", 8), std::nullopt, "3004871"},
            SerialRow{"inline", std::string("123\0", 4), std::nullopt, "123"},
            SerialRow{"inlineFourLetters", "A1B2", std::nullopt, "A1B2"},
            SerialRow{"exifOnly", std::nullopt, std::string("6012345\0", 8), "6012345"},
            SerialRow{"makerNoteWins", std::string("3004871\0", 8), std::string("9999999\0", 8), "3004871"},
            SerialRow{"neither", std::nullopt, std::nullopt, ""},
            SerialRow{"emptyMakerSerialFallsBack", std::string("\0", 1), std::string("6012345\0", 8), "6012345"},
            SerialRow{"exactlyFifty", std::string(50, '7'), std::nullopt, std::string(50, '7')},
            SerialRow{"longCountEarlyZero", std::string("3004871\0", 8) + std::string(60, 'x'), std::nullopt,
                      "3004871"},
            // Cut short it would be another body's number.
            SerialRow{"tooLongFallsBack", std::string(60, '7'), std::string("6012345\0", 8), "6012345"},
            SerialRow{"tooLongInBoth", std::string(51, '7'), std::string(51, '6'), ""})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == Order::kLittle ? "II_" : "MM_") + std::get<1>(info.param).name;
    });

class SerialEntryTest : public ::testing::TestWithParam<Order> {
protected:
    NefOutcome Read(const NefBuilder& builder) { return ReadNefFile(m_dir.Write("e.nef", builder.Build()).c_str(), m_readout); }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(SerialEntryTest, OffsetCountsFromTheMakerNotesOwnHeader)
{
    // In the other byte order inside the note, and in a camera JPEG, where
    // the file's and the note's bases both differ from the note's header.
    const Order other = GetParam() == Order::kLittle ? Order::kBig : Order::kLittle;
    ASSERT_TRUE(Read(NefBuilder(GetParam()).MakerOrder(other).Serial("3004871").Total(1)));
    EXPECT_EQ("3004871", m_readout.m_serialNumber);
    const auto jpeg = nef_test::JpegFile({nef_test::ExifSegment(NefBuilder(GetParam()).Serial("3004871").Total(1).Build())});
    ASSERT_TRUE(ReadNefFile(m_dir.Write("s.jpg", jpeg).c_str(), m_readout));
    EXPECT_EQ("3004871", m_readout.m_serialNumber);
}

TEST_P(SerialEntryTest, UntrustworthyEntriesAreLeftOutNotFailed)
{
    // Outside the file, past the end of a DNG's MakN record, or not ASCII.
    ASSERT_TRUE(Read(NefBuilder(GetParam()).MakerEntry(0x001D, nef_test::kTypeAscii, 8, 0xFFFFFF00).Total(3)));
    EXPECT_EQ("", m_readout.m_serialNumber);
    EXPECT_EQ(3, m_readout.m_totalCount);
    ASSERT_TRUE(Read(NefBuilder(GetParam()).MakerEntry(0x001D, nef_test::kTypeAscii, 8, 200).Total(3).AsDng().ImageData(4096)));
    EXPECT_EQ("", m_readout.m_serialNumber);
    ASSERT_TRUE(Read(NefBuilder(GetParam()).MakerEntry(0x001D, nef_test::kTypeLong, 1, 0x41424344).BodySerial("6012345").Total(3)));
    EXPECT_EQ("6012345", m_readout.m_serialNumber);
}

TEST_P(SerialEntryTest, KeptWhenTheFileGivesNoCount)
{
    const NefOutcome outcome = Read(NefBuilder(GetParam()).Model("NIKON D1").Serial("5001234"));
    EXPECT_STREQ("the maker note holds no shutter count", outcome.Reason());
    EXPECT_EQ("5001234", m_readout.m_serialNumber);
    EXPECT_STREQ("no maker note in this file", Read(NefBuilder(GetParam()).BodySerial("6012345").WithoutMakerNote()).Reason());
    EXPECT_EQ("6012345", m_readout.m_serialNumber);
}

INSTANTIATE_TEST_SUITE_P(BothOrders, SerialEntryTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });
