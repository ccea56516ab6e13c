// The body's serial number: the maker note's SerialNumber (0x001D), whose
// offset counts from the note's own TIFF header, then its older entry
// (0x00A0), the Exif BodySerialNumber (0xA431) in the Exif IFD and in IFD0,
// a DNG's CameraSerialNumber (0xC62F) and XMP's aux:SerialNumber. A serial
// that cannot be trusted is left out, and never costs the readout its
// counters.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

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

namespace {

// An XMP packet as editors write it, with `property` among the
// description's attributes or elements.
std::string XmpPacket(const std::string& property)
{
    return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
           "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
           " <rdf:Description rdf:about=\"\" xmlns:aux=\"http://ns.adobe.com/exif/1.0/aux/\"\n"
           "   aux:Lens=\"24-70mm f/2.8\" " +
           property +
           "</rdf:Description>\n</rdf:RDF></x:xmpmeta>\n<?xpacket end=\"w\"?>";
}

// `ascii` as UTF-16, little-endian, as a few writers store a packet.
std::string Utf16le(const std::string& ascii)
{
    std::string wide;
    for (char c : ascii) {
        wide += c;
        wide += '\0';
    }
    return wide;
}

// Where a serial can stand, each set when given, and what the file shows.
struct PlaceRow {
    const char* name;
    std::optional<std::string> maker, olderMaker, exif, ifd0Body, dngCamera, xmp;
    std::string want;
};

const PlaceRow kPlaceRows[] = {
    {"makerNoteBeforeExif", std::string("3004871\0", 8), {}, std::string("9999999\0", 8), {}, {}, {}, "3004871"},
    {"blankMakerNoteFallsToExif", std::string("       \0", 8), {}, std::string("6012345\0", 8), {}, {}, {}, "6012345"},
    {"paddedWithBlanksAndZeros", std::string("3004871   \0\0\0", 13), {}, {}, {}, {}, {}, "3004871"},
    {"olderEntryAsStoredTrimmed", {}, std::string("NO= 1005a431    \0", 17), {}, {}, {}, {}, "NO= 1005a431"},
    {"newerEntryBeforeOlder", std::string("2004871\0", 8), std::string("NO= 1005a431\0", 13), {}, {}, {}, {}, "2004871"},
    {"olderEntryBeforeExif", {}, std::string("NO= 000323f8\0", 13), std::string("6012345\0", 8), {}, {}, {}, "NO= 000323f8"},
    {"exifIfdBeforeIfd0", {}, {}, std::string("6012345\0", 8), std::string("7012345\0", 8), {}, {}, "6012345"},
    {"bodySerialInIfd0", {}, {}, {}, std::string("7012345\0", 8), std::string("8012345\0", 8), {}, "7012345"},
    {"dngCameraSerial", {}, {}, {}, {}, std::string("8012345\0", 8), XmpPacket("aux:SerialNumber=\"1\">"), "8012345"},
    {"xmpAttribute", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber=\"6078248\">"), "6078248"},
    {"xmpAttributeSingleQuotedWithReferences", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber = 'A&amp;B&#x33;&#52;'>"), "A&B34"},
    {"xmpElement", {}, {}, {}, {}, {}, XmpPacket("><aux:SerialNumber>3003230</aux:SerialNumber>"), "3003230"},
    {"xmpFirstOfTwo", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber=\"1111\"><aux:SerialNumber>2222</aux:SerialNumber>"), "1111"},
    {"xmpLongerNameIsAnotherProperty", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumberX=\"1\"><aux:SerialNumber>2</aux:SerialNumber>"), "2"},
    {"xmpEmptyElement", {}, {}, {}, {}, {}, XmpPacket("><aux:SerialNumber/>"), ""},
    {"xmpUnclosedValue", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber=\"6078248") , ""},
    {"xmpValueOfAbsurdLength", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber=\"" + std::string(51, '7') + "\">"), ""},
    {"xmpUtf16", {}, {}, {}, {}, {}, Utf16le(XmpPacket("aux:SerialNumber=\"1\">")), ""},
    {"xmpBlankFallsToNothing", {}, {}, {}, {}, {}, XmpPacket("aux:SerialNumber=\"   \">"), ""},
};

}  // namespace

class SerialPlaceTest : public ::testing::TestWithParam<std::tuple<Order, PlaceRow>> {};

TEST_P(SerialPlaceTest, TakesTheFirstPlaceThatRecordsOne)
{
    const auto& [order, row] = GetParam();
    NefBuilder builder(order);
    builder.Model("NIKON D70").Total(77);
    if (row.maker)
        builder.MakerText(0x001D, *row.maker);
    if (row.olderMaker)
        builder.MakerText(0x00A0, *row.olderMaker);
    if (row.exif)
        builder.ExifText(0xA431, *row.exif);
    if (row.ifd0Body)
        builder.Ifd0Text(0xA431, *row.ifd0Body);
    if (row.dngCamera)
        builder.Ifd0Text(0xC62F, *row.dngCamera);
    if (row.xmp)
        builder.Ifd0Text(0x02BC, *row.xmp);
    TempDir dir;
    NefReadout readout;
    ASSERT_TRUE(ReadNefFile(dir.Write("s.nef", builder.Build()).c_str(), readout));
    EXPECT_EQ(row.want, readout.m_serialNumber);
    EXPECT_EQ(77, readout.m_totalCount);
}

INSTANTIATE_TEST_SUITE_P(Rows, SerialPlaceTest,
                         ::testing::Combine(::testing::Values(Order::kLittle, Order::kBig), ::testing::ValuesIn(kPlaceRows)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) == Order::kLittle ? "II_" : "MM_") +
                                    std::get<1>(info.param).name;
                         });

TEST_P(SerialEntryTest, XmpIsReadFromAJpegsSegmentAndAHugePacketOnlyInPart)
{
    // Editors that drop the maker note keep XMP: in a JPEG its own APP1
    // segment, read even when the file has no Exif data at all.
    const std::string packet = XmpPacket("aux:SerialNumber=\"6078248\">");
    const nef_test::JpegSegment xmp{0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + packet};
    const auto withExif = nef_test::JpegFile({nef_test::ExifSegment(NefBuilder(GetParam()).Total(5).Build()), xmp});
    ASSERT_TRUE(ReadNefFile(m_dir.Write("x.jpg", withExif).c_str(), m_readout));
    EXPECT_EQ("6078248", m_readout.m_serialNumber);
    EXPECT_STREQ("no Exif data in this JPEG file", ReadNefFile(m_dir.Write("y.jpg", nef_test::JpegFile({xmp})).c_str(), m_readout).Reason());
    EXPECT_EQ("6078248", m_readout.m_serialNumber);

    // Tens of megabytes of padding: the property behind them is not looked
    // for, and what is read stays within the scan's bound.
    const std::string padded = XmpPacket(std::string(20 << 20, ' ') + "aux:SerialNumber=\"1\">");
    const std::string huge = m_dir.Write("huge.nef", NefBuilder(GetParam()).Total(5).Ifd0Text(0x02BC, padded).Build());
    BoundedStream stream;
    ASSERT_EQ(OpenResult::kOk, stream.Open(huge.c_str()));
    ASSERT_TRUE(ReadNefStream(stream, m_readout));
    EXPECT_EQ("", m_readout.m_serialNumber);
    EXPECT_LT(stream.BytesFetched(), 2u << 20);
    // A packet whose count runs past the end of the file is read as far as it goes.
    ASSERT_TRUE(Read(NefBuilder(GetParam()).Total(5).Ifd0Text(0x02BC, XmpPacket("aux:SerialNumber=\"42\">"), 1u << 30)));
    EXPECT_EQ("42", m_readout.m_serialNumber);
}

TEST_P(SerialEntryTest, TheOldestMakerNoteLayoutIsReadAndSaysItHoldsNoCount)
{
    // "Nikon\0", version 1, then a directory at once, with offsets from the
    // file's header: the layout of Coolpix bodies of about 2000.
    auto bytes = NefBuilder(GetParam()).Model("E990").MakerEntry(0x0003, nef_test::kTypeShort, 1, 2).Build();
    nef_test::NefLayout layout;
    NefBuilder(GetParam()).Model("E990").MakerEntry(0x0003, nef_test::kTypeShort, 1, 2).Build(&layout);
    // The note's own header moved out: its directory straight behind the version.
    std::vector<std::uint8_t> old(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(layout.makerNote));
    const std::uint8_t signature[8] = {'N', 'i', 'k', 'o', 'n', 0, 1, 0};
    old.insert(old.end(), signature, signature + 8);
    old.insert(old.end(), bytes.begin() + static_cast<std::ptrdiff_t>(layout.makerIfd), bytes.end());
    const NefOutcome outcome = ReadNefFile(m_dir.Write("old.nef", old).c_str(), m_readout);
    EXPECT_STREQ("the maker note holds no shutter count", outcome.Reason());
    EXPECT_EQ("E990", m_readout.m_camera);
    // Cut inside that directory, it does end inside the maker note.
    old.resize(layout.makerNote + 8 + 4);
    EXPECT_STREQ("the file ends inside the maker note", ReadNefFile(m_dir.Write("cut.nef", old).c_str(), m_readout).Reason());
}
