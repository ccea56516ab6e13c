// The tessmar command as scripts use it: output forms, reasons on standard
// error, exit status, and JSON that stays valid whatever bytes a file holds.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>

#include "nef_builder.h"
#include "readout_format.h"

using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

namespace {

struct CliRun {
    int status;
    std::string out;
    std::string err;
};

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

CliRun Tessmar(const TempDir& dir, const std::vector<std::string>& args, const std::string& pipeTo = "")
{
    std::string command = TESSMAR_CLI;
    for (const std::string& a : args)
        command += " " + Quote(a);
    const std::string errPath = dir.Path() + "/stderr.txt";
    command += " 2>" + Quote(errPath);
    if (!pipeTo.empty())
        command += " | " + pipeTo;
    CliRun run{-1, {}, {}};
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            run.out.append(buffer, n);
        const int raw = pclose(p);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    std::ifstream err(errPath);
    std::stringstream text;
    text << err.rdbuf();
    run.err = text.str();
    return run;
}

}  // namespace

class CliTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_d850 = m_dir.Write("d850.nef", NefBuilder(Order::kLittle)
                                             .Model("NIKON D850")
                                             .DateTime("2018:09:02 19:40:44")
                                             .Serial("3004871")
                                             .Mechanical(3487)
                                             .Total(8541)
                                             .Build());
        m_d90 = m_dir.Write("d90.nef", NefBuilder(Order::kBig).Model("NIKON D90").Total(6507).Build());
        m_noCount = m_dir.Write("d1.nef", NefBuilder(Order::kBig).Model("NIKON D1").Build());
    }

    TempDir m_dir;
    std::string m_d850, m_d90, m_noCount;
};

TEST_F(CliTest, TextUnderTheDialogLabelsAndReasonsOnStandardError)
{
    const CliRun run = Tessmar(m_dir, {m_d850, m_noCount, m_d90});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(m_d850 + "\n"
                       "  Camera              NIKON D850\n"
                       "  Serial Number       3004871\n"
                       "  Shooting Date       2018:09:02 19:40:44\n"
                       "  Mechanical Shutter  3487\n"
                       "  Electronic Shutter  5054\n"
                       "  Total Count         8541\n"
                       "\n" +
                  m_d90 + "\n"
                          "  Camera              NIKON D90\n"
                          "  Serial Number       \n"
                          "  Shooting Date       \n"
                          "  Mechanical Shutter  6507\n"
                          "  Electronic Shutter  0\n"
                          "  Total Count         6507\n",
              run.out);
    EXPECT_EQ("tessmar: " + m_noCount + ": the maker note holds no shutter count\n", run.err);
}

TEST_F(CliTest, JsonHasOneObjectPerFileInOrderWithErrors)
{
    const CliRun run = Tessmar(m_dir, {"--json", m_d90, m_dir.Path() + "/absent.nef", m_d850});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("[\n"
              "  {\"file\": \"" + m_d90 + "\", \"camera\": \"NIKON D90\", \"serial\": null, \"shootingDate\": \"\", \"mechanical\": 6507, "
              "\"electronic\": 0, \"total\": 6507, \"error\": null},\n"
              "  {\"file\": \"" + m_dir.Path() + "/absent.nef\", \"camera\": \"\", \"serial\": null, \"shootingDate\": \"\", "
              "\"mechanical\": 0, \"electronic\": 0, \"total\": 0, \"error\": \"cannot open the file\"},\n"
              "  {\"file\": \"" + m_d850 + "\", \"camera\": \"NIKON D850\", \"serial\": \"3004871\", "
              "\"shootingDate\": \"2018:09:02 19:40:44\", "
              "\"mechanical\": 3487, \"electronic\": 5054, \"total\": 8541, \"error\": null}\n"
              "]\n",
              run.out);
    EXPECT_NE(std::string::npos, run.err.find("absent.nef: cannot open the file"));
}

TEST_F(CliTest, JsonStaysValidWhateverBytesTheTextsHold)
{
    std::string hostile = "\"\\\x01\x1b[31m\x7f\xff\xc3\xa9";
    const std::string path = m_dir.Write("we\"ird\\name\x01.nef", NefBuilder(Order::kLittle).Model(hostile).Total(3).Build());
    const CliRun run = Tessmar(m_dir, {"--json", path},
                            "/usr/bin/python3 -c 'import json,sys; d=json.load(sys.stdin); "
                            "print(ascii(d[0][\"camera\"]), d[0][\"file\"].endswith(\"name\\x01.nef\"))'");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("'\"\\\\\\x01\\x1b[31m\\x7f\\xff\\xc3\\xa9' True\n", run.out);
}

TEST_F(CliTest, TextOutputKeepsControlBytesAwayFromTheTerminal)
{
    const std::string path = m_dir.Write("esc.nef", NefBuilder(Order::kLittle).Model("\x1b]0;owned\x07").Total(3).Build());
    const CliRun run = Tessmar(m_dir, {path});
    EXPECT_EQ(0, run.status);
    EXPECT_NE(std::string::npos, run.out.find("Camera              \\x1B]0;owned\\x07\n"));
}

TEST_F(CliTest, UsageErrorsHelpAndVersion)
{
    EXPECT_EQ(2, Tessmar(m_dir, {}).status);
    CliRun run = Tessmar(m_dir, {"--frobnicate", m_d850});
    EXPECT_EQ(2, run.status);
    EXPECT_NE(std::string::npos, run.err.find("unknown option '--frobnicate'"));
    EXPECT_TRUE(run.out.empty());

    run = Tessmar(m_dir, {"--version"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("tessmar 3.0.0.1\n", run.out);
    run = Tessmar(m_dir, {"--help"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ(0u, run.out.find("Usage: tessmar"));

    // After "--" a name that looks like an option is a file.
    run = Tessmar(m_dir, {"--json", "--", "--version"});
    EXPECT_EQ(1, run.status);
    EXPECT_NE(std::string::npos, run.out.find("\"file\": \"--version\""));
}

TEST(JsonString, EscapesEveryByteOutsidePrintableAscii)
{
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += static_cast<char>(c);
    const std::string json = JsonString(all);
    for (unsigned char c : json)
        ASSERT_TRUE(c >= 0x20 && c < 0x7F) << int(c);
    EXPECT_NE(std::string::npos, json.find("\\u0000\\u0001"));
    EXPECT_NE(std::string::npos, json.find(" !\\\"#"));
    EXPECT_NE(std::string::npos, json.find("[\\\\]"));
    EXPECT_NE(std::string::npos, json.find("~\\u007f\\u0080"));
    EXPECT_EQ("\\u00ff\"", json.substr(json.size() - 7));
}

TEST_F(CliTest, FoldersAreWalkedForCameraFilesInAStableOrder)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(m_dir.Path()) / "cards";
    fs::create_directories(root / "DCIM" / "100NIKON");
    const auto nef = NefBuilder(Order::kLittle).Model("NIKON Z 5").Total(54).Build();
    const auto jpeg = nef_test::JpegFile({nef_test::ExifSegment(nef)});
    m_dir.Write("cards/DCIM/100NIKON/DSC_0002.NEF", nef);
    m_dir.Write("cards/DCIM/100NIKON/DSC_0001.JPG", jpeg);
    m_dir.Write("cards/DCIM/100NIKON/DSC_0003.jpeg", jpeg);
    m_dir.Write("cards/DCIM/100NIKON/DSC_0005.DNG", NefBuilder(Order::kLittle).Model("NIKON Z 5").Total(54).AsDng().Build());
    m_dir.Write("cards/a.nrw", nef);
    m_dir.Write("cards/notes.txt", {'h', 'i'});
    m_dir.Write("cards/DSC_0004.nef.bak", nef);
    fs::create_directory_symlink("..", root / "DCIM" / "loop");

    const CliRun run = Tessmar(m_dir, {"--csv", "-r", root.string(), m_d90});
    EXPECT_EQ(0, run.status) << run.err;
    const std::string dir = root.string() + "/";
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n" +
                  dir + "DCIM/100NIKON/DSC_0001.JPG,NIKON Z 5,,54,0,54,,\n" +
                  dir + "DCIM/100NIKON/DSC_0002.NEF,NIKON Z 5,,54,0,54,,\n" +
                  dir + "DCIM/100NIKON/DSC_0003.jpeg,NIKON Z 5,,54,0,54,,\n" +
                  dir + "DCIM/100NIKON/DSC_0005.DNG,NIKON Z 5,,54,0,54,,\n" +
                  dir + "a.nrw,NIKON Z 5,,54,0,54,,\n" +
                  m_d90 + ",NIKON D90,,6507,0,6507,,\n",
              run.out);

    const CliRun flat = Tessmar(m_dir, {"--json", root.string()});
    EXPECT_EQ(1, flat.status);
    EXPECT_NE(std::string::npos, flat.out.find("\"error\": \"is a folder (use -r to read the files in it)\""));
}

TEST_F(CliTest, CsvQuotesWhatWouldSplitARowAndReportsReasons)
{
    const std::string path = m_dir.Write("q.nef", NefBuilder(Order::kBig).Model("A, \"B\"\n").Total(1).Build());
    const CliRun run = Tessmar(m_dir, {"--csv", path, m_noCount, m_d850});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n" + path +
                  ",\"A, \"\"B\"\"\\x0A\",,1,0,1,,\n" + m_noCount +
                  ",NIKON D1,,0,0,0,the maker note holds no shutter count,\n" + m_d850 +
                  ",NIKON D850,2018:09:02 19:40:44,3487,5054,8541,,3004871\n",
              run.out);
}

TEST_F(CliTest, LongRunsShowNoProgressWhenStandardErrorIsNotATerminal)
{
    const auto nef = NefBuilder(Order::kLittle).Model("NIKON D3").Total(9).Build();
    std::filesystem::create_directory(m_dir.Path() + "/many");
    for (int i = 0; i < 400; ++i)
        m_dir.Write("many/" + std::to_string(1000 + i) + ".nef", nef);
    const CliRun run = Tessmar(m_dir, {"--csv", "-r", m_dir.Path() + "/many"});
    EXPECT_EQ(0, run.status);
    EXPECT_EQ("", run.err);
    EXPECT_EQ(401, std::count(run.out.begin(), run.out.end(), '\n'));
}

TEST(CliSamples, FolderRunGivesOneRowPerCameraFile)
{
    const std::filesystem::path files = std::filesystem::path(TESSMAR_SAMPLES_DIR) / "files";
    if (!std::filesystem::is_directory(files))
        GTEST_SKIP() << "SKIPPED: no sample files at " << files.string();
    std::size_t cameraFiles = 0;
    for (const auto& entry : std::filesystem::directory_iterator(files)) {
        const std::string ext = entry.path().extension().string();
        cameraFiles += ext == ".nef" || ext == ".jpg";
    }
    TempDir dir;
    const CliRun run = Tessmar(dir, {"--csv", "-r", files.string()});
    EXPECT_EQ(cameraFiles + 1, static_cast<std::size_t>(std::count(run.out.begin(), run.out.end(), '\n')));
    EXPECT_EQ(std::string::npos, run.out.find(".exv,"));
    EXPECT_NE(std::string::npos, run.out.find("imagemeta_Z5.jpg,NIKON Z 5,2022:11:06 16:57:09,15,39,54,,8057478\n"));
}
