// DNG files converted from NEF files: the maker note is read from the MakN
// record of IFD0's DNGPrivateData when the Exif IFD has none, and a block
// that is cut, inconsistent or of another kind fails with its own reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::DngOptions;
using nef_test::NefBuilder;
using nef_test::NefLayout;
using nef_test::Order;
using nef_test::TempDir;

namespace {

Order Other(Order order) { return order == Order::kLittle ? Order::kBig : Order::kLittle; }

}  // namespace

class DngTest : public ::testing::TestWithParam<Order> {
protected:
    NefBuilder Z9() const
    {
        return NefBuilder(GetParam())
            .Model("NIKON Z 9")
            .DateTime("2024:05:18 09:12:44")
            .Serial("6071234")
            .Mechanical(1200)
            .Total(31876);
    }

    NefOutcome Read(const std::vector<std::uint8_t>& bytes)
    {
        return ReadNefFile(m_dir.Write("converted.dng", bytes).c_str(), m_readout);
    }

    void ExpectZ9()
    {
        EXPECT_EQ("NIKON Z 9", m_readout.m_camera);
        EXPECT_EQ("2024:05:18 09:12:44", m_readout.m_shootingDate);
        EXPECT_EQ("6071234", m_readout.m_serialNumber);
        EXPECT_EQ(1200, m_readout.m_mechanicalCount);
        EXPECT_EQ(30676, m_readout.m_electronicCount);
        EXPECT_EQ(31876, m_readout.m_totalCount);
    }

    void ExpectFailure(const NefOutcome& outcome, const char* reason)
    {
        EXPECT_FALSE(outcome.Succeeded());
        EXPECT_STREQ(reason, outcome.Reason());
        EXPECT_EQ(0, m_readout.m_mechanicalCount);
        EXPECT_EQ(0, m_readout.m_electronicCount);
        EXPECT_EQ(0, m_readout.m_totalCount);
        EXPECT_EQ("NIKON Z 9", m_readout.m_camera);
        EXPECT_EQ("2024:05:18 09:12:44", m_readout.m_shootingDate);
    }

    TempDir m_dir;
    NefReadout m_readout;
};

TEST_P(DngTest, ReadsTheNoteHoweverTheConverterKeptIt)
{
    const Order other = Other(GetParam());
    const std::vector<std::pair<const char*, std::function<void(NefBuilder&, DngOptions&)>>> ways = {
        {"as converters write it", [](NefBuilder&, DngOptions&) {}},
        // DNG files come in one order whatever the camera's.
        {"note in the other order", [&](NefBuilder& b, DngOptions&) { b.MakerOrder(other); }},
        {"no Exif IFD", [](NefBuilder& b, DngOptions&) { b.WithoutExifPointer(); }},
        {"records before MakN, odd ones padded",
         [](NefBuilder&, DngOptions& o) { o.recordsBefore = {{"SR2 ", std::string(301, 'x')}, {"RAF ", ""}, {"CRW ", "MakN"}}; }},
        // The Exif maker note wins; a broken MakN shows it is not even read.
        {"Exif maker note kept too",
         [](NefBuilder&, DngOptions& o) {
             o.keepExifMakerNote = true;
             o.makNLength = 0xFFFFFFFF;
         }},
        // A Nikon note's offsets count from its own header: where it stood
        // in the original file moves nothing (the serial is behind it).
        {"original offset 0", [](NefBuilder&, DngOptions& o) { o.originalOffset = 0; }},
        {"original offset at the end", [](NefBuilder&, DngOptions& o) { o.originalOffset = 0xFFFFFFFF; }},
        // Without a valid embedded header the original order applies.
        {"only MakN gives the order",
         [&](NefBuilder& b, DngOptions& o) {
             b.MakerOrder(other).MakerHeaderBytes({'X', 'X', 0, 0, 0, 0, 0, 8});
             o.originalOrder = other == Order::kLittle ? "II" : "MM";
         }},
        {"copied 12 bytes early from a JPEG",
         [](NefBuilder&, DngOptions& o) { o.beforeNote = std::string("\0\0\0\x01" "ABCDEFGH", 12); }},
    };
    for (const auto& [name, change] : ways) {
        SCOPED_TRACE(name);
        NefBuilder builder = Z9();
        DngOptions options;
        change(builder, options);
        ASSERT_TRUE(Read(builder.AsDng(options).Build()));
        ExpectZ9();
    }
}

TEST_P(DngTest, PrivateDataWithoutANikonMakerNote)
{
    DngOptions other;
    other.signature = std::string("PENTAX \0", 8);  // another maker's private data
    ExpectFailure(Read(Z9().AsDng(other).Build()), "no maker note in this file");

    ExpectFailure(Read(Z9().WithoutExifPointer().AsDng(other).Build()), "no Exif directory in this file");

    DngOptions withoutMakN;
    withoutMakN.makN = false;
    withoutMakN.recordsBefore = {{"SR2 ", "abc"}};
    ExpectFailure(Read(Z9().AsDng(withoutMakN).Build()), "no maker note in this file");

    ExpectFailure(Read(Z9().MakerSignature(std::string("Canon\0\0\0\0\0", 10)).AsDng().Build()),
                  "the DNG private data holds no Nikon maker note");
    // A Nikon note of the older kind, without an embedded TIFF header.
    ExpectFailure(Read(Z9().MakerSignature(std::string("Nikon\0\x01\0\0\0", 10)).AsDng().Build()),
                  "the DNG private data holds no Nikon maker note");
    DngOptions junk;
    junk.beforeNote = std::string(12, '\0');
    ExpectFailure(Read(Z9().AsDng(junk).Build()), "the DNG private data holds no Nikon maker note");
}

TEST_P(DngTest, InconsistentBlocksFailWithTheirReason)
{
    NefLayout layout;
    const std::size_t block = Z9().AsDng().Build(&layout).size() - layout.dngPrivateData;
    const auto failing = [&](const char* reason, auto change) {
        DngOptions options;
        change(options);
        ExpectFailure(Read(Z9().AsDng(options).Build()), reason);
    };
    const char* malformed = "the DNG private data is malformed";
    failing(malformed, [](DngOptions& o) { o.makNLength = 0xFFFFFFFF; });
    failing(malformed, [&](DngOptions& o) { o.makNLength = static_cast<std::uint32_t>(block); });
    failing(malformed, [](DngOptions& o) { o.makNLength = 5; });  // shorter than its own header
    failing(malformed, [](DngOptions& o) { o.originalOrder = "XX"; });
    // A block that ends inside its MakN record.
    const auto insideMakN = static_cast<std::uint32_t>(layout.makN - layout.dngPrivateData + 8 + 6 + 10);
    failing(malformed, [&](DngOptions& o) { o.blockCount = insideMakN; });
    failing(malformed, [](DngOptions& o) { o.recordsBefore.assign(70, {"PAD ", ""}); });
    const char* outside = "the DNG private data lies outside the file";
    failing(outside, [&](DngOptions& o) { o.blockCount = static_cast<std::uint32_t>(block + 1); });
    failing(outside, [](DngOptions& o) { o.blockCount = 0xFFFFFFF0; });
    // A MakN record that ends inside the note's directory: the note must not
    // be read on past its record into what follows.
    failing("the file ends inside the maker note", [](DngOptions& o) { o.makNLength = 6 + 18 + 2 + 12; });
}

TEST_P(DngTest, EveryCutInsideTheBlockFailsCleanly)
{
    NefLayout layout;
    const auto bytes = Z9().AsDng().Build(&layout);
    for (std::size_t size = layout.dngPrivateData; size < bytes.size(); ++size) {
        SCOPED_TRACE(size);
        ExpectFailure(Read({bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size)}),
                      "the DNG private data lies outside the file");
    }
    ASSERT_TRUE(Read(bytes));
    ExpectZ9();
}

INSTANTIATE_TEST_SUITE_P(BothOrders, DngTest, ::testing::Values(Order::kLittle, Order::kBig),
                         [](const auto& info) { return info.param == Order::kLittle ? "II" : "MM"; });

TEST(DngFootprint, ReadsAFewKilobytesOfALargeDngWhereverItsBlockStands)
{
    TempDir dir;
    for (bool atTheEnd : {false, true}) {
        DngOptions options;
        options.afterImageData = atTheEnd;
        options.recordsBefore = {{"SR2 ", std::string(700, 's')}};
        const std::string path = dir.Write(
            "big.dng",
            NefBuilder(Order::kLittle).Model("NIKON Z 9").Serial("6071234").Total(5).AsDng(options).ImageData(4 << 20).Build());
        BoundedStream stream;
        ASSERT_EQ(OpenResult::kOk, stream.Open(path.c_str()));
        NefReadout readout;
        ASSERT_TRUE(ReadNefStream(stream, readout));
        EXPECT_EQ("6071234", readout.m_serialNumber);
        // Two windows: one for the directories, one for the block.
        EXPECT_LE(stream.BytesFetched(), 2 * 2048u) << "block at the end: " << atTheEnd;
    }
}

// ExifTool as the oracle: a converted Z 9 file in either order, with the
// maker note in either order, must give what ExifTool reads from it.
TEST(DngOracle, AgreesWithExifTool)
{
    if (std::system("exiftool -ver >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "SKIPPED: exiftool is not installed";
    TempDir dir;
    std::vector<std::string> paths;
    std::string command = "exiftool -q -T -n -ShutterCount -MechanicalShutterCount -Nikon:SerialNumber";
    for (Order file : {Order::kLittle, Order::kBig}) {
        for (Order note : {Order::kLittle, Order::kBig}) {
            const std::string name = std::string(file == Order::kLittle ? "II" : "MM") + "_note" +
                                     (note == Order::kLittle ? "II" : "MM") + ".dng";
            paths.push_back(dir.Write(name, NefBuilder(file)
                                                .Model("NIKON Z 9")
                                                .DateTime("2024:05:18 09:12:44")
                                                .MakerOrder(note)
                                                .MakerEntry(0x0001, nef_test::kTypeUndefined, 4, 0x30323131)
                                                .Serial("6071234")
                                                .Mechanical(0)
                                                .Total(31876 + paths.size())
                                                .BodySerial("9999999")
                                                .AsDng()
                                                .ImageData(256)
                                                .Build()));
            command += " '" + paths.back() + "'";
        }
    }
    std::string output;
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, p))
            output += buffer;
        pclose(p);
    }
    std::istringstream lines(output);
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        std::string line;
        ASSERT_TRUE(std::getline(lines, line)) << output;
        std::istringstream fields(line);
        std::string total, mechanical, serial;
        std::getline(fields, total, '\t');
        std::getline(fields, mechanical, '\t');
        std::getline(fields, serial, '\t');
        NefReadout readout;
        ASSERT_TRUE(ReadNefFile(path.c_str(), readout));
        EXPECT_EQ(total, std::to_string(readout.m_totalCount));
        EXPECT_EQ(mechanical, std::to_string(readout.m_mechanicalCount));
        EXPECT_EQ(serial, readout.m_serialNumber);
    }
}
