// ReadNefFile on well-formed files of either byte order: which entries it
// takes from where, how texts are cut, and how the counters are derived.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

namespace {

struct Fields {
    std::string camera;
    std::string date;
    std::int32_t mechanical;
    std::int32_t electronic;
    std::int32_t total;
};

void ExpectFields(const Fields& want, const NefReadout& r)
{
    EXPECT_EQ(want.camera, r.m_camera);
    EXPECT_EQ(want.date, r.m_shootingDate);
    EXPECT_EQ(want.mechanical, r.m_mechanicalCount);
    EXPECT_EQ(want.electronic, r.m_electronicCount);
    EXPECT_EQ(want.total, r.m_totalCount);
}

}  // namespace

class ReaderTest : public ::testing::TestWithParam<Order> {
protected:
    NefBuilder Builder() const { return NefBuilder(GetParam()); }

    NefOutcome Read(const NefBuilder& builder)
    {
        const std::string path = m_dir.Write("test.nef", builder.Build());
        return ReadNefFile(path.c_str(), m_readout);
    }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(ReaderTest, ReadsModelDateAndBothCounters)
{
    ASSERT_TRUE(Read(Builder().Model("NIKON D850").DateTime("2018:09:02 19:40:44").Mechanical(3487).Total(8541)));
    ExpectFields({"NIKON D850", "2018:09:02 19:40:44", 3487, 5054, 8541}, m_readout);
}

struct CounterRow {
    const char* name;
    std::optional<std::uint32_t> mechanical;  // 0x0037, when present
    std::optional<std::uint32_t> total;       // 0x00A7, when present
    std::int32_t wantMechanical, wantElectronic, wantTotal;
    int wantMechanicalFound;
};

class CounterRuleTest : public ::testing::TestWithParam<std::tuple<Order, CounterRow>> {};

TEST_P(CounterRuleTest, DerivesTheThreeCounters)
{
    const auto& [order, row] = GetParam();
    NefBuilder builder(order);
    builder.Model("NIKON D5");
    if (row.mechanical)
        builder.Mechanical(*row.mechanical);
    if (row.total)
        builder.Total(*row.total);
    TempDir dir;
    NefReadout readout;
    const std::string path = dir.Write("c.nef", builder.Build());
    ASSERT_TRUE(ReadNefFile(path.c_str(), readout)) << row.name;
    ExpectFields({"NIKON D5", "", row.wantMechanical, row.wantElectronic, row.wantTotal}, readout);
    EXPECT_EQ(row.wantMechanicalFound, readout.m_bMechanicalFound);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CounterRuleTest,
    ::testing::Combine(
        ::testing::Values(Order::kLittle, Order::kBig),
        ::testing::Values(CounterRow{"both", 1000, 1500, 1000, 500, 1500, 1},
                          CounterRow{"totalOnly", std::nullopt, 900, 900, 0, 900, 0},
                          CounterRow{"zeroMechanical", 0, 1500, 0, 1500, 1500, 1},
                          CounterRow{"mechanicalOnly", 1000, std::nullopt, 1000, -1000, 0, 1},
                          CounterRow{"totalBelowMechanical", 1500, 1000, 1500, -500, 1000, 1},
                          CounterRow{"aboveInt32", 0x80000001u, 0x80000001u, INT32_MIN + 1, 0, INT32_MIN + 1, 1},
                          // 0xFFFFF7FF is "not available": a mechanical one is
                          // no counter; a value next to it is a count.
                          CounterRow{"mechanicalNotAvailable", 0xFFFFF7FFu, 5000, 5000, 0, 5000, 0},
                          CounterRow{"nextToNotAvailable", 0xFFFFF7FEu, 0xFFFFF800u, -2050, 2, -2048, 1})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == Order::kLittle ? "II_" : "MM_") + std::get<1>(info.param).name;
    });

TEST_P(ReaderTest, LaterEntryWithTheSameTagWins)
{
    ASSERT_TRUE(Read(Builder().Model("FIRST").Model("SECOND").Total(10).Mechanical(4).Total(25)));
    ExpectFields({"SECOND", "", 4, 21, 25}, m_readout);
}

TEST_P(ReaderTest, TagsOutsideTheirOwnDirectoryArePassedOver)
{
    NefBuilder builder = Builder();
    builder.Ifd0Entry(0x00A7, 4, 1, 111).Ifd0Entry(0x0037, 4, 1, 222);
    builder.ExifEntry(0x00A7, 4, 1, 333).ExifEntry(0x0110, 2, 1, 0);
    builder.MakerEntry(0x0110, 2, 1, 0).MakerEntry(0x927C, 7, 1, 0).Total(77);
    ASSERT_TRUE(Read(builder));
    ExpectFields({"", "", 77, 0, 77}, m_readout);
}

TEST_P(ReaderTest, TypeFieldIsNeverConsulted)
{
    // A SHORT written left-justified, as TIFF stores it, still decodes as
    // the whole 32-bit field.
    const std::array<std::uint8_t, 4> shortFive =
        GetParam() == Order::kBig ? std::array<std::uint8_t, 4>{0, 5, 0, 0} : std::array<std::uint8_t, 4>{5, 0, 0, 0};
    ASSERT_TRUE(Read(Builder().MakerEntryBytes(0x00A7, 3, 1, shortFive)));
    EXPECT_EQ(GetParam() == Order::kBig ? 5 * 65536 : 5, m_readout.m_totalCount);
}

TEST_P(ReaderTest, Ifd0IsReadAtEightWhenTheHeaderPointsOutsideTheFile)
{
    ASSERT_TRUE(Read(Builder().HeaderIfd0Offset(0x7FFF0000).Model("NIKON D3").Total(5)));
    EXPECT_EQ("NIKON D3", m_readout.m_camera);
}

TEST_P(ReaderTest, MakerNoteInTheOtherByteOrderIsReadInItsOwn)
{
    const Order other = GetParam() == Order::kLittle ? Order::kBig : Order::kLittle;
    ASSERT_TRUE(Read(Builder().MakerOrder(other).Mechanical(53139).Total(60000)));
    ExpectFields({"", "", 53139, 6861, 60000}, m_readout);
}

TEST_P(ReaderTest, MakerNoteWithoutAValidHeaderIsReadInTheFileOrder)
{
    // "IM" is no byte-order mark; neither is "II" without 42.
    for (const auto& header : {std::array<std::uint8_t, 8>{'I', 'M', 42, 0, 8, 0, 0, 0},
                               std::array<std::uint8_t, 8>{'M', 'M', 0, 43, 0, 0, 0, 8}}) {
        ASSERT_TRUE(Read(Builder().MakerHeaderBytes(header).Total(1234)));
        EXPECT_EQ(1234, m_readout.m_totalCount);
    }
}

TEST_P(ReaderTest, BothOrdersGiveTheSameFields)
{
    const auto build = [](Order order) {
        return NefBuilder(order).Model("NIKON Z 6").DateTime("2018:11:07 22:13:12").Mechanical(2884).Total(3651);
    };
    const std::string little = m_dir.Write("ii.nef", build(Order::kLittle).Build());
    const std::string big = m_dir.Write("mm.nef", build(Order::kBig).Build());
    NefReadout a, b;
    ASSERT_TRUE(ReadNefFile(little.c_str(), a));
    ASSERT_TRUE(ReadNefFile(big.c_str(), b));
    ExpectFields({a.m_camera, a.m_shootingDate, a.m_mechanicalCount, a.m_electronicCount, a.m_totalCount}, b);
    ExpectFields({"NIKON Z 6", "2018:11:07 22:13:12", 2884, 767, 3651}, a);
}

// Many files read one after another into one readout (as the command line
// does) reuse its tables' and texts' memory, and a window that outgrew the
// stream: each must give exactly what a fresh readout would, nothing of the
// file before showing through.
TEST_P(ReaderTest, AReadoutReadIntoAgainHoldsWhatAFreshOneWould)
{
    NefBuilder large = Builder().Model("NIKON D850 with a long model name").DateTime("2018:09:02 19:40:44");
    for (std::uint16_t i = 0; i < 60; ++i)
        large.Ifd0Entry(static_cast<std::uint16_t>(0x1000 + i), 4, 1, i);
    for (std::uint16_t i = 0; i < 900; ++i)  // a maker note larger than the stream holds in itself
        large.MakerEntry(static_cast<std::uint16_t>(0x2000 + i), 4, 1, i);
    large.Serial("6012345678").Mechanical(3487).Total(8541);
    std::vector<std::uint8_t> cut = Builder().Model("NIKON D1").Total(1).Build();
    cut.resize(cut.size() - 20);
    const std::vector<std::vector<std::uint8_t>> next = {
        Builder().Model("D1").DateTime("2001:01:01 00:00:00").Total(5).Build(),
        Builder().WithoutMakerNote().Build(),
        cut,
        large.Build(),
    };
    const std::string first = m_dir.Write("large.nef", large.Build());
    for (std::size_t i = 0; i < next.size(); ++i) {
        const std::string path = m_dir.Write("next" + std::to_string(i) + ".nef", next[i]);
        NefReadout reused, fresh;
        ASSERT_TRUE(ReadNefFile(first.c_str(), reused));
        const NefOutcome again = ReadNefFile(path.c_str(), reused);
        EXPECT_EQ(ReadNefFile(path.c_str(), fresh).Problem(), again.Problem()) << i;
        EXPECT_EQ(0, std::memcmp(fresh.m_header, reused.m_header, sizeof fresh.m_header)) << i;
        ExpectFields({fresh.m_camera, fresh.m_shootingDate, fresh.m_mechanicalCount, fresh.m_electronicCount,
                      fresh.m_totalCount},
                     reused);
        EXPECT_EQ(fresh.m_serialNumber, reused.m_serialNumber) << i;
        EXPECT_EQ(fresh.m_bMechanicalFound, reused.m_bMechanicalFound) << i;
        const std::pair<const IfdBlock*, const IfdBlock*> tables[] = {
            {&fresh.m_ifd0, &reused.m_ifd0}, {&fresh.m_exifIfd, &reused.m_exifIfd}, {&fresh.m_makerIfd, &reused.m_makerIfd}};
        for (const auto& [want, got] : tables) {
            EXPECT_EQ(want->m_entryCount, got->m_entryCount) << i;
            ASSERT_EQ(want->m_entries.size(), got->m_entries.size()) << i;
            EXPECT_TRUE(want->m_entries.empty() ||
                        std::memcmp(want->m_entries.data(), got->m_entries.data(),
                                    want->m_entries.size() * sizeof(TiffEntry)) == 0)
                << i;
            EXPECT_EQ(0, std::memcmp(&want->m_scratch, &got->m_scratch, sizeof(TiffEntry))) << i;
        }
    }
}

struct TextRow {
    const char* name;
    std::string stored;  // the entry's bytes, count = their number
    std::string want;
};

class TextTest : public ::testing::TestWithParam<std::tuple<Order, TextRow>> {};

TEST_P(TextTest, CutsTheStoredBytesIntoText)
{
    const auto& [order, row] = GetParam();
    TempDir dir;
    NefReadout readout;
    const std::string path =
        dir.Write("t.nef", NefBuilder(order).Ifd0Text(0x0110, row.stored).Ifd0Text(0x0132, row.stored).Total(1).Build());
    ASSERT_TRUE(ReadNefFile(path.c_str(), readout));
    EXPECT_EQ(row.want, readout.m_camera);
    EXPECT_EQ(row.want, readout.m_shootingDate);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TextTest,
    ::testing::Combine(::testing::Values(Order::kLittle, Order::kBig),
                       ::testing::Values(TextRow{"tenLetters", std::string("ABCDEFGHIJ\0", 11), "ABCDEFGHIJ"},
                                         TextRow{"earlyZero", std::string("NIKON\0D850\0", 11), "NIKON"},
                                         TextRow{"noZero", "NIKON D850", "NIKON D850"},
                                         TextRow{"empty", "", ""},
                                         TextRow{"inlineFour", "D1X ", "D1X "},
                                         TextRow{"inlineWithZero", std::string("D1\0", 3), "D1"},
                                         TextRow{"inlineOne", "Z", "Z"},
                                         TextRow{"exactlyFifty", std::string(50, 'x'), std::string(50, 'x')},
                                         TextRow{"longerThanFifty", std::string(49, 'y') + "ZZZ" + '\0',
                                                 std::string(49, 'y') + "Z"},
                                         TextRow{"highBytesKept", "\xB4\xEB\xC7\xD1", "\xB4\xEB\xC7\xD1"})),
    [](const auto& info) {
        return std::string(std::get<0>(info.param) == Order::kLittle ? "II_" : "MM_") + std::get<1>(info.param).name;
    });

INSTANTIATE_TEST_SUITE_P(BothOrders, ReaderTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });

TEST(ReaderByteOrder, OnlyByteZeroDecidesAndAnyOtherByteMeansBigEndian)
{
    TempDir dir;
    NefReadout readout;
    // A big-endian file whose first byte is neither 'I' nor 'M'.
    std::string path = dir.Write("x.nef", NefBuilder(Order::kBig).HeaderByte0('X').Model("NIKON D4").Total(9).Build());
    ASSERT_TRUE(ReadNefFile(path.c_str(), readout));
    EXPECT_EQ(9, readout.m_totalCount);
    // A little-endian file stays little-endian with byte 1 anything at all.
    auto bytes = NefBuilder(Order::kLittle).Model("NIKON D4").Total(9).Build();
    bytes[1] = 'M';
    path = dir.Write("y.nef", bytes);
    ASSERT_TRUE(ReadNefFile(path.c_str(), readout));
    EXPECT_EQ(9, readout.m_totalCount);
}
