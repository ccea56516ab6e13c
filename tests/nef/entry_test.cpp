// Byte order at the lowest layer: reversing, normalising whole entries, and
// reading a directory into a block.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "ifd_block.h"
#include "nef_builder.h"

using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

TEST(ReverseBytes, ReversesInPlaceForEveryWidthUsed)
{
    std::uint8_t four[] = {0x01, 0x02, 0x03, 0x04};
    ReverseBytes(4, four);
    EXPECT_EQ(0, std::memcmp(four, "\x04\x03\x02\x01", 4));

    std::uint8_t two[] = {0x12, 0x34};
    ReverseBytes(2, two);
    EXPECT_EQ(0, std::memcmp(two, "\x34\x12", 2));

    std::uint8_t one[] = {0x7F};
    ReverseBytes(1, one);
    ReverseBytes(0, one);
    EXPECT_EQ(0x7F, one[0]);
}

TEST(NormaliseEntry, ReversesEachFieldByItselfNotTheWholeEntry)
{
    // The worked example: a little-endian Model entry pointing at 416.
    const std::uint8_t onDisk[12] = {0x10, 0x01, 0x02, 0x00, 0x0C, 0x00, 0x00, 0x00, 0xA0, 0x01, 0x00, 0x00};
    TiffEntry entry;
    std::memcpy(&entry, onDisk, sizeof entry);
    NormaliseEntry(entry);

    const std::uint8_t normalised[12] = {0x01, 0x10, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00, 0x01, 0xA0};
    EXPECT_EQ(0, std::memcmp(&entry, normalised, sizeof entry));
    EXPECT_EQ(0x0110, EntryTag(entry));
    EXPECT_EQ(12u, EntryCount(entry));
    EXPECT_EQ(416u, EntryValue(entry));
}

class ReadIfdTest : public ::testing::TestWithParam<Order> {
protected:
    // Opens a file made by `builder` and reads its IFD0.
    ReadResult ReadIfd0(const NefBuilder& builder, IfdBlock& block)
    {
        const std::string path = m_dir.Write("ifd.nef", builder.Build());
        if (m_stream.Open(path.c_str()) != OpenResult::kOk)
            return ReadResult::kIoError;
        std::uint8_t header[8];
        int bSwap = -1;
        EXPECT_EQ(ReadResult::kOk, ReadTiffHeader(m_stream, header, bSwap));
        EXPECT_EQ(GetParam() == Order::kLittle ? 1 : 0, bSwap);
        return ReadIfd(m_stream, 8, bSwap, block);
    }

    TempDir m_dir;
    BoundedStream m_stream;
};

TEST_P(ReadIfdTest, KeepsEveryEntryInFileOrderNormalised)
{
    NefBuilder builder(GetParam());
    builder.WithoutExifPointer();
    for (std::uint32_t i = 0; i < 300; ++i)
        builder.Ifd0Entry(static_cast<std::uint16_t>(0x1000 + i), 4, i, 0xA0B0C000u + i);

    IfdBlock block;
    ASSERT_EQ(ReadResult::kOk, ReadIfd0(builder, block));
    ASSERT_EQ(300u, block.m_entryCount);
    ASSERT_EQ(300u, block.m_entries.size());
    for (std::uint32_t i = 0; i < 300; ++i) {
        EXPECT_EQ(0x1000 + i, EntryTag(block.m_entries[i]));
        EXPECT_EQ(i, EntryCount(block.m_entries[i]));
        EXPECT_EQ(0xA0B0C000u + i, EntryValue(block.m_entries[i]));
    }
    EXPECT_EQ(0, std::memcmp(&block.m_scratch, &block.m_entries.back(), sizeof(TiffEntry)));
}

TEST_P(ReadIfdTest, EmptyDirectoryGivesEmptyTableAndReplacesAnEarlierOne)
{
    IfdBlock block;
    ASSERT_EQ(ReadResult::kOk, ReadIfd0(NefBuilder(GetParam()).Model("NIKON D850"), block));
    ASSERT_EQ(2u, block.m_entries.size());

    ASSERT_EQ(ReadResult::kOk, ReadIfd0(NefBuilder(GetParam()).WithoutExifPointer(), block));
    EXPECT_EQ(0u, block.m_entryCount);
    EXPECT_TRUE(block.m_entries.empty());
}

TEST_P(ReadIfdTest, CountBeyondTheFileIsRefusedAndLeavesTheBlockEmpty)
{
    // 0xFFFF entries would need 786 KB; the file has a few hundred bytes.
    IfdBlock block;
    block.m_entries.resize(3);
    const auto bytes = NefBuilder(GetParam()).Model("NIKON D850").Build();
    auto corrupt = bytes;
    corrupt[8] = 0xFF;
    corrupt[9] = 0xFF;
    const std::string path = m_dir.Write("corrupt.nef", corrupt);
    ASSERT_EQ(OpenResult::kOk, m_stream.Open(path.c_str()));
    EXPECT_EQ(ReadResult::kOutOfRange, ReadIfd(m_stream, 8, GetParam() == Order::kLittle, block));
    EXPECT_EQ(0u, block.m_entryCount);
    EXPECT_TRUE(block.m_entries.empty());
}

INSTANTIATE_TEST_SUITE_P(BothOrders, ReadIfdTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });

TEST(BoundedStream, RefusesReadsThatReachPastTheEndWithoutWrapping)
{
    TempDir dir;
    const std::string path = dir.Write("ten.bin", std::vector<std::uint8_t>(10, 0xAB));
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));
    std::uint8_t buffer[16];
    EXPECT_EQ(ReadResult::kOk, stream.ReadAt(0, buffer, 10));
    EXPECT_EQ(ReadResult::kOk, stream.ReadAt(10, buffer, 0));
    EXPECT_EQ(ReadResult::kOutOfRange, stream.ReadAt(1, buffer, 10));
    EXPECT_EQ(ReadResult::kOutOfRange, stream.ReadAt(11, buffer, 0));
    EXPECT_EQ(ReadResult::kOutOfRange, stream.ReadAt(~std::uint64_t{0} - 2, buffer, 4));
    EXPECT_EQ(ReadResult::kOutOfRange, stream.ReadAt(4, buffer, ~std::size_t{0}));
}

TEST(BoundedStream, EveryReadGivesTheFileBytesWhereverTheWindowStands)
{
    // Reads inside the window, straddling its end, shortly behind it, far
    // behind it and before it, and ones that grow it past what the stream
    // holds in itself with bytes kept: each must return exactly the file's
    // bytes.
    std::vector<std::uint8_t> bytes(20000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i % 251);
    TempDir dir;
    const std::string path = dir.Write("pattern.bin", bytes);
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));

    const std::pair<std::uint64_t, std::size_t> reads[] = {
        {6000, 2048}, {8040, 8000}, {6000, 100}, {0, 8}, {100, 300}, {2040, 16}, {2224, 40}, {5000, 700},
        {4990, 30}, {15000, 12}, {14000, 2000}, {3, 5}, {19990, 10}, {0, 20000},
    };
    for (const auto& [position, length] : reads) {
        std::vector<std::uint8_t> got(length);
        ASSERT_EQ(ReadResult::kOk, stream.ReadAt(position, got.data(), length)) << position;
        EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position)))
            << "at " << position << ", " << length << " bytes";
    }
}

TEST(BoundedStream, RestrictedPositionsCountFromTheOriginAndStopAtTheEnd)
{
    std::vector<std::uint8_t> bytes(100);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i);
    TempDir dir;
    const std::string path = dir.Write("nested.bin", bytes);
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));
    EXPECT_FALSE(stream.Restrict(90, 11));
    ASSERT_TRUE(stream.Restrict(30, 20));
    EXPECT_EQ(20u, stream.Size());
    std::uint8_t got[4];
    ASSERT_EQ(ReadResult::kOk, stream.ReadAt(16, got, 4));
    EXPECT_EQ(46, got[0]);
    EXPECT_EQ(49, got[3]);
    EXPECT_EQ(ReadResult::kOutOfRange, stream.ReadAt(17, got, 4));
}
