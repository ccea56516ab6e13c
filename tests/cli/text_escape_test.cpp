// The output encoding rule: valid UTF-8 as it is, control characters and
// bytes that are not UTF-8 escaped, and every form reversible to the exact
// bytes. JSON is checked against Python's own decoder.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "cli_run.h"
#include "nef_builder.h"
#include "text_escape.h"

using cli_test::Hex;

namespace {

// The reverse of the text rule, written separately from it: \\ is a
// backslash, \xNN a byte, anything else itself.
std::string UnescapeText(const std::string& text)
{
    std::string bytes;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == '\\') {
            bytes += '\\';
            ++i;
        } else if (text[i] == '\\' && i + 3 < text.size() && text[i + 1] == 'x') {
            bytes += static_cast<char>(std::stoi(text.substr(i + 2, 2), nullptr, 16));
            i += 3;
        } else {
            bytes += text[i];
        }
    }
    return bytes;
}

// Bytes a terminal acts on: C0 controls, DEL, and C1 controls in either
// their UTF-8 form or as single bytes.
bool HoldsControlBytes(const std::string& text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c < 0x20 || c == 0x7F)
            return true;
        if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) <= 0x9F)
            return true;
    }
    return false;
}

// Every string of one and two bytes, and random longer ones weighted
// towards the bytes that matter (controls, continuations, lead bytes).
std::vector<std::string> Samples()
{
    std::vector<std::string> samples;
    for (int a = 0; a < 256; ++a) {
        samples.push_back(std::string(1, static_cast<char>(a)));
        for (int b = 0; b < 256; ++b)
            samples.push_back(std::string{static_cast<char>(a), static_cast<char>(b)});
    }
    std::mt19937 random(20261209);
    const unsigned char interesting[] = {0x00, 0x01, 0x0A, 0x1B, '"', '\\', ',', 'x', 0x7F, 0x80, 0x9B, 0xBF,
                                         0xC0, 0xC2, 0xDF, 0xE0, 0xE2, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    for (int i = 0; i < 5000; ++i) {
        std::string s;
        const int length = static_cast<int>(random() % 9);
        for (int k = 0; k < length; ++k)
            s += static_cast<char>(random() % 3 ? interesting[random() % sizeof interesting] : random() % 256);
        samples.push_back(s);
    }
    return samples;
}

}  // namespace

TEST(Utf8SequenceLength, AcceptsExactlyTheWellFormedSequences)
{
    const std::pair<std::string, std::size_t> cases[] = {
        {"A", 1},
        {"\x7F", 1},
        {"\xC2\x80", 2},
        {"\xDF\xBF", 2},
        {"\xC0\x80", 0},  // overlong NUL
        {"\xC1\xBF", 0},  // overlong DEL
        {"\xE0\xA0\x80", 3},
        {"\xE0\x9F\xBF", 0},  // overlong
        {"\xED\x9F\xBF", 3},
        {"\xED\xA0\x80", 0},  // a surrogate
        {"\xEF\xBF\xBF", 3},
        {"\xF0\x90\x80\x80", 4},
        {"\xF0\x8F\xBF\xBF", 0},  // overlong
        {"\xF4\x8F\xBF\xBF", 4},
        {"\xF4\x90\x80\x80", 0},  // past U+10FFFF
        {"\xF5\x80\x80\x80", 0},
        {"\x80", 0},
        {"\xBF", 0},
        {"\xE2\x82", 0},  // cut off by the end
        {"\xE2\x82" "A", 0},
        {"\xF0\x9F\x98" "A", 0},
    };
    for (const auto& [bytes, length] : cases) {
        EXPECT_EQ(length, Utf8SequenceLength(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()))
            << Hex(bytes);
    }
    EXPECT_EQ(0u, Utf8SequenceLength(nullptr, 0));
}

TEST(TextEscape, ValidUtf8StaysAsItIsAndEverythingElseIsNamedByte)
{
    EXPECT_EQ("\"caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7\"", JsonString("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x93\xB7"));
    EXPECT_EQ("caf\xC3\xA9", PrintableText("caf\xC3\xA9"));

    const std::string awkward = "\x1B\n\x7F\xC2\x9B\"\\\xFF\xC3";
    EXPECT_EQ("\"\\u001b\\n\\u007f\\u009b\\\"\\\\\\udcff\\udcc3\"", JsonString(awkward));
    EXPECT_EQ("\\x1B\\x0A\\x7F\\xC2\\x9B\"\\\\\\xFF\\xC3", PrintableText(awkward));
    EXPECT_EQ("\"\\x1B\\x0A\\x7F\\xC2\\x9B\"\"\\\\\\xFF\\xC3\"", CsvField(awkward));
    // A name that already looks like an escape stays distinguishable.
    EXPECT_EQ("\\\\x41", PrintableText("\\x41"));
}

TEST(TextEscape, CsvCellsThatASpreadsheetWouldEvaluateBecomeText)
{
    const std::pair<std::string, std::string> cases[] = {
        {"=6*7", "'=6*7"},
        {"+1", "'+1"},
        {"-2", "'-2"},
        {"@SUM(A1)", "'@SUM(A1)"},
        {"\tx", "'\\x09x"},
        {"\rx", "'\\x0Dx"},
        // Quoted cells: the apostrophe goes inside the quotes, where the
        // spreadsheet sees it once it has taken the quotes off.
        {"=HYPERLINK(\"http://x\",\"y\")", "\"'=HYPERLINK(\"\"http://x\"\",\"\"y\"\")\""},
        // Only the first byte counts; signs inside a text are plain text.
        {"D850 =1", "D850 =1"},
        {" =1", " =1"},
        {"", ""},
    };
    for (const auto& [bytes, csv] : cases)
        EXPECT_EQ(csv, CsvField(bytes)) << Hex(bytes);
}

TEST(TextEscape, TextFormGivesTheBytesBackAndNoControlByte)
{
    for (const std::string& s : Samples()) {
        const std::string text = PrintableText(s);
        ASSERT_EQ(Hex(s), Hex(UnescapeText(text))) << "as " << text;
        ASSERT_FALSE(HoldsControlBytes(text)) << Hex(s);
    }
}

TEST(TextEscape, JsonDecodesWithSurrogateEscapeToTheBytes)
{
    nef_test::TempDir dir;
    const std::vector<std::string> samples = Samples();
    {
        std::ofstream json(dir.Path() + "/samples.json", std::ios::binary);
        json << '[';
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::string literal = JsonString(samples[i]);
            ASSERT_FALSE(HoldsControlBytes(literal)) << Hex(samples[i]);
            json << (i ? "," : "") << literal << '\n';
        }
        json << ']';
    }
    // Python reads the file as strict UTF-8 JSON; its surrogateescape
    // encoding must give back every sample's bytes.
    const std::string command = "/usr/bin/python3 -c 'import json,sys\n"
                                "for s in json.loads(open(sys.argv[1], \"rb\").read().decode(\"utf-8\")):\n"
                                "    print(s.encode(\"utf-8\", \"surrogateescape\").hex())' " +
                                cli_test::Quote(dir.Path() + "/samples.json");
    bool ok = false;
    const std::string out = cli_test::Output(command, &ok);
    ASSERT_TRUE(ok) << "python3 could not read the JSON";
    std::istringstream lines(out);
    std::string line;
    for (const std::string& s : samples) {
        ASSERT_TRUE(std::getline(lines, line));
        ASSERT_EQ(Hex(s), line) << "as " << JsonString(s);
    }
}

TEST(TextEscape, XmlKeepsMarkupAndTheTwoNoncharactersOutAndCutsWithAnEllipsis)
{
    // U+FFFD is a character XML allows; U+FFFE and U+FFFF are not.
    EXPECT_EQ("a&amp;b&lt;c&gt;&quot;&apos;\\x01 \\xEF\\xBF\\xBE\\xEF\\xBF\\xBF \xef\xbf\xbd \\xFF",
              XmlText("a&b<c>\"'\x01 \xef\xbf\xbe\xef\xbf\xbf \xef\xbf\xbd \xff"));
    EXPECT_EQ("caf\xc3\xa9", XmlText("caf\xc3\xa9", 4));
    EXPECT_EQ("ca\xe2\x80\xa6", XmlText("caf\xc3\xa9", 3));
    EXPECT_EQ("&lt;\xc3\xa9\xe2\x80\xa6", XmlText("<\xc3\xa9\xc3\xa9<", 3));
}
