// The tessmar command as scripts use it: output forms, reasons on standard
// error, exit status, and JSON that stays valid whatever bytes a file holds.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/stat.h>

#include "cli_run.h"
#include "nef_builder.h"

using cli_test::CliRun;
using cli_test::Tessmar;
using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

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
                          "  Serial Number\n"
                          "  Shooting Date\n"
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
              "  {\"file\": \"" + m_d90 + "\", \"camera\": \"NIKON D90\", \"shootingDate\": \"\", \"mechanical\": 6507, "
              "\"electronic\": 0, \"total\": 6507, \"error\": null, \"serial\": null},\n"
              "  {\"file\": \"" + m_dir.Path() + "/absent.nef\", \"camera\": \"\", \"shootingDate\": \"\", "
              "\"mechanical\": 0, \"electronic\": 0, \"total\": 0, \"error\": \"no such file\", \"serial\": null},\n"
              "  {\"file\": \"" + m_d850 + "\", \"camera\": \"NIKON D850\", "
              "\"shootingDate\": \"2018:09:02 19:40:44\", "
              "\"mechanical\": 3487, \"electronic\": 5054, \"total\": 8541, \"error\": null, \"serial\": \"3004871\"}\n"
              "]\n",
              run.out);
    EXPECT_NE(std::string::npos, run.err.find("absent.nef: no such file"));
}

TEST_F(CliTest, EveryAwkwardByteInANameOrTextComesBackExactlyFromEachForm)
{
    // Quotes, a comma, a line break, a tab, controls, an escape sequence,
    // DEL, a C1 control, accented letters, bytes that are not UTF-8 and a
    // name that already looks like an escape.
    const std::string name = "odd \"q\" ,c\nnl\t\x01\x1b[31m\x7f\xc2\x9b caf\xc3\xa9 \xff\xfe \\x41 \xe2\x82.nef";
    const std::string model = "\x1b]0;t\x07 \xe2\x82\xac \xed\xa0\x80 \xf4\x90\x80\x80 \xc3";
    const std::string path = m_dir.Write(name, NefBuilder(Order::kLittle).Model(model).Total(3).Build());
    const std::string json = m_dir.Path() + "/out.json", csv = m_dir.Path() + "/out.csv",
                      text = m_dir.Path() + "/out.txt";
    EXPECT_EQ(0, Tessmar(m_dir, {"--json", path}, "", ">" + cli_test::Quote(json)).status);
    EXPECT_EQ(0, Tessmar(m_dir, {"--csv", path}, "", ">" + cli_test::Quote(csv)).status);
    EXPECT_EQ(0, Tessmar(m_dir, {path}, "", ">" + cli_test::Quote(text)).status);

    // Python decodes each output as strict UTF-8, refuses terminal control
    // characters other than line ends, and undoes the documented escapes:
    // surrogateescape for JSON, \\ and \xNN for CSV and text.
    const std::string check = R"(
import codecs, csv, io, json, sys
def strict(path):
    t = open(path, 'rb').read().decode('utf-8')
    bad = [c for c in t if (c < ' ' and c != '\n') or '\x7f' <= c <= '\x9f']
    if bad: sys.exit('control characters in %s: %r' % (path, bad))
    return t
def unescape(s): return codecs.escape_decode(s.encode('utf-8'))[0]
j = json.loads(strict(sys.argv[1]))[0]
print(j['file'].encode('utf-8', 'surrogateescape').hex(), j['camera'].encode('utf-8', 'surrogateescape').hex())
rows = list(csv.reader(io.StringIO(strict(sys.argv[2]), newline='')))
assert len(rows) == 2, rows
print(unescape(rows[1][0]).hex(), unescape(rows[1][1]).hex())
lines = strict(sys.argv[3]).split('\n')
print(unescape(lines[0]).hex(), unescape(lines[1][len('  Camera              '):]).hex())
)";
    const std::string script = m_dir.Write("check.py", std::vector<std::uint8_t>(check.begin(), check.end()));
    const std::string command = "/usr/bin/python3 " + cli_test::Quote(script) + " " + cli_test::Quote(json) + " " +
                                cli_test::Quote(csv) + " " + cli_test::Quote(text) + " 2>&1";
    const std::string decoded = cli_test::Output(command);
    const std::string line = cli_test::Hex(path) + " " + cli_test::Hex(model) + "\n";
    EXPECT_EQ(line + line + line, decoded);
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
    EXPECT_NE(std::string::npos, flat.out.find("\"error\": \"a folder, not a file (use -r to read the files in it)\""));
}

TEST_F(CliTest, WalksNameWhatTheyCannotReadAndLeaveOutOnlyOtherNamesAndFolderLinks)
{
    namespace fs = std::filesystem;
    const fs::path root = fs::path(m_dir.Path()) / "card";
    fs::create_directories(root / "DCIM");
    const std::string good = m_dir.Write("card/DCIM/DSC_0001.NEF", NefBuilder(Order::kBig).Model("NIKON D90").Total(5).Build());
    ASSERT_EQ(0, mkfifo((root / "DCIM" / "DSC_0002.NEF").c_str(), 0600));  // would block a plain open
    fs::create_symlink("DSC_0009.NEF", root / "DCIM" / "DSC_0003.NEF");    // leads nowhere
    fs::create_symlink(good, root / "DCIM" / "DSC_0004.NEF");              // leads to a file
    fs::create_directory_symlink(root, root / "DCIM" / "DSC_0005.NEF");     // a folder link: left out
    fs::create_symlink("DSC_0006.NEF", root / "DCIM" / "DSC_0006.NEF");    // leads round to itself
    const std::string dir = (root / "DCIM").string() + "/";

    const CliRun run = Tessmar(m_dir, {"--csv", "-r", root.string()});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n" +
                  good + ",NIKON D90,,5,0,5,,\n" +
                  dir + "DSC_0002.NEF,,,0,0,0,not a regular file,\n" +
                  dir + "DSC_0003.NEF,,,0,0,0,no such file,\n" +
                  dir + "DSC_0004.NEF,NIKON D90,,5,0,5,,\n" +
                  dir + "DSC_0006.NEF,,,0,0,0,too many levels of symbolic links,\n",
              run.out);
    EXPECT_EQ("tessmar: " + dir + "DSC_0002.NEF: not a regular file\n"
              "tessmar: " + dir + "DSC_0003.NEF: no such file\n"
              "tessmar: " + dir + "DSC_0006.NEF: too many levels of symbolic links\n",
              run.err);

    // Named on the command line without -r, a pipe is not waited on either.
    const CliRun named = Tessmar(m_dir, {dir + "DSC_0002.NEF"});
    EXPECT_EQ(1, named.status);
    EXPECT_EQ("tessmar: " + dir + "DSC_0002.NEF: not a regular file\n", named.err);
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

TEST_F(CliTest, CsvNeverHandsASpreadsheetAFormulaFromANameOrAText)
{
    // What a seller controls: the files' names, the model and the serial.
    // Named relative to the folder, so that the names begin the cells.
    m_dir.Write("=6*7.nef", NefBuilder(Order::kLittle)
                                .Model("=HYPERLINK(\"http://x\",\"D850\")")
                                .Serial("@SUM(1)")
                                .Total(5)
                                .Build());
    m_dir.Write("+1.nef", NefBuilder(Order::kBig).Model("-2").Total(6).Build());
    m_dir.Write("-3.nef", NefBuilder(Order::kBig).Model("NIKON D90").Total(7).Build());
    const std::string inDir = "cd " + cli_test::Quote(m_dir.Path()) + " && exec";
    const CliRun run = Tessmar(m_dir, {"--csv", "--", "=6*7.nef", "+1.nef", "-3.nef"}, "", "", inDir);
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n"
              "'=6*7.nef,\"'=HYPERLINK(\"\"http://x\"\",\"\"D850\"\")\",,5,0,5,,'@SUM(1)\n"
              "'+1.nef,'-2,,6,0,6,,\n"
              "'-3.nef,NIKON D90,,7,0,7,,\n",
              run.out);
    // The summary by body writes the same texts the same way; JSON keeps them exactly.
    const CliRun cameras = Tessmar(m_dir, {"--cameras", "--csv", "--", "=6*7.nef", "+1.nef"}, "", "", inDir);
    EXPECT_NE(std::string::npos, cameras.out.find("\n'-2,")) << cameras.out;
    EXPECT_NE(std::string::npos, cameras.out.find(",'@SUM(1),")) << cameras.out;
    const CliRun json = Tessmar(m_dir, {"--json", "--", "=6*7.nef"}, "", "", inDir);
    EXPECT_NE(std::string::npos, json.out.find("\"file\": \"=6*7.nef\"")) << json.out;
    EXPECT_NE(std::string::npos, json.out.find("\"serial\": \"@SUM(1)\"")) << json.out;
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
