// tessmar --cameras over a generated library of several bodies over several
// years: every figure of the summary in each output form, the chart as a
// renderer draws it, and the chart file's failures.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <cwchar>
#include <filesystem>
#include <png.h>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_run.h"
#include "nef_builder.h"
#include "shooting_date.h"
#include "text_escape.h"

using cli_test::CliRun;
using cli_test::Quote;
using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;
namespace fs = std::filesystem;

namespace {

// One file of the library: the body's texts, and its counts (no total
// entry at all when `total` is negative).
struct LibraryFile {
    const char* name;
    std::string model, serial, bodySerial, date;
    std::int64_t mechanical, total;  // -1: no such entry
};

// Six bodies: one whose count went down (a new shutter) with two files of
// the same date and one whose date is no date; another of the same model
// whose serial only the Exif IFD holds, a day apart; one without a serial,
// within a day; one without a mechanical counter, over a leap day and with
// a 29 February that is none; one whose texts hold bytes no output may
// pass as they are; and files that gave no count.
const std::vector<LibraryFile>& Library()
{
    static const std::vector<LibraryFile> files = {
        {"a_DSC_0001.nef", "NIKON D850", "3004871", "", "2018:09:02 19:40:44", 3487, 8541},
        {"a_DSC_2000.nef", "NIKON D850", "3004871", "", "2019:06:01 12:00:00", 9000, 15000},
        {"a_DSC_3000.nef", "NIKON D850", "3004871", "", "2020:01:10 08:30:00", 14000, 21000},
        {"a_DSC_0005.nef", "NIKON D850", "3004871", "", "2020:03:15 16:45:10", 5, 1200},
        {"a_late_a.nef", "NIKON D850", "3004871", "", "2021:03:04 10:00:00", 7990, 8990},
        {"a_late_b.nef", "NIKON D850", "3004871", "", "2021:03:04 10:00:00", 8000, 9000},
        {"a_unset_clock.nef", "NIKON D850", "3004871", "", "0000:00:00 00:00:00", 20000, 30000},
        {"a_no_count.nef", "NIKON D850", "3004871", "", "2021:05:05 10:00:00", -1, -1},
        {"b_1.nef", "NIKON D850", "", "3011111", "2022:01:01 00:00:00", 100, 100},
        {"b_2.nef", "NIKON D850", "", "3011111", "2022:01:02 00:00:00", 400, 450},
        {"c_1.nef", "NIKON Z 6", "", "", "2023:05:05 10:00:00", 500, 500},
        {"c_2.nef", "NIKON Z 6", "", "", "2023:05:05 18:00:00", 600, 620},
        {"c_no_count.nef", "NIKON Z 6", "", "", "2023:05:06 10:00:00", -1, -1},
        {"d_1.nef", "NIKON D7000", "6012345", "", "2016:02:29 12:00:00", -1, 10000},
        {"d_2.nef", "NIKON D7000", "6012345", "", "2017:02:28 12:00:00", -1, 13660},
        {"d_3.nef", "NIKON D7000", "6012345", "", "2017:02:29 12:00:00", -1, 14000},
        {"e_1.nef", "Odd & <Cam> \xff \xef\xbf\xbe", "S\"1,2", "", "2024:12:31 23:59:59", 70, 77},
    };
    return files;
}

class CameraSummaryTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        fs::create_directory(s_dir->Path() + "/lib");
        for (const LibraryFile& f : Library()) {
            NefBuilder nef(f.name[0] == 'b' ? Order::kBig : Order::kLittle);
            nef.Model(f.model).DateTime(f.date);
            if (!f.serial.empty())
                nef.Serial(f.serial);
            if (!f.bodySerial.empty())
                nef.BodySerial(f.bodySerial);
            if (f.mechanical >= 0)
                nef.Mechanical(static_cast<std::uint32_t>(f.mechanical));
            if (f.total >= 0)
                nef.Total(static_cast<std::uint32_t>(f.total));
            s_dir->Write(std::string("lib/") + f.name, nef.Build());
        }
        s_dir->Write("lib/not_a_nef.nef", std::vector<std::uint8_t>(64, 'x'));
    }
    static void TearDownTestSuite() { delete s_dir; }

    // tessmar run in the library's parent folder, so that paths read lib/...
    static CliRun Run(std::vector<std::string> args, const std::string& redirect = "")
    {
        args.push_back("lib");
        return cli_test::Tessmar(*s_dir, args, "", redirect, "cd " + Quote(s_dir->Path()) + " && exec");
    }

    static TempDir* s_dir;
};

TempDir* CameraSummaryTest::s_dir = nullptr;

constexpr char kUnreadMessages[] =
    "tessmar: lib/a_no_count.nef: the maker note holds no shutter count\n"
    "tessmar: lib/c_no_count.nef: the maker note holds no shutter count\n"
    "tessmar: lib/not_a_nef.nef: not a NEF or JPEG file\n";

TEST_F(CameraSummaryTest, JsonGivesEachBodysFiguresSortedByCameraThenSerial)
{
    const CliRun run = Run({"--cameras", "--json", "-r"});
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(kUnreadMessages, run.err);
    EXPECT_EQ(
        "[\n"
        "  {\"camera\": \"NIKON D7000\", \"serial\": \"6012345\", \"files\": 3, \"filesWithoutCount\": 0, "
        "\"undatedFiles\": 1, \"firstDate\": \"2016:02:29 12:00:00\", \"lastDate\": \"2017:02:28 12:00:00\", "
        "\"firstTotal\": 10000, \"lastTotal\": 13660, \"shots\": 3660, \"shotsPerDay\": 10.03, "
        "\"firstMechanical\": null, \"lastMechanical\": null, \"decreases\": []},\n"
        "  {\"camera\": \"NIKON D850\", \"serial\": \"3004871\", \"files\": 7, \"filesWithoutCount\": 1, "
        "\"undatedFiles\": 1, \"firstDate\": \"2018:09:02 19:40:44\", \"lastDate\": \"2021:03:04 10:00:00\", "
        "\"firstTotal\": 8541, \"lastTotal\": 9000, \"shots\": 459, \"shotsPerDay\": 0.50, "
        "\"firstMechanical\": 3487, \"lastMechanical\": 8000, \"decreases\": [\n"
        "    {\"from\": {\"file\": \"lib/a_DSC_3000.nef\", \"date\": \"2020:01:10 08:30:00\", \"total\": 21000}, "
        "\"to\": {\"file\": \"lib/a_DSC_0005.nef\", \"date\": \"2020:03:15 16:45:10\", \"total\": 1200}}\n"
        "  ]},\n"
        "  {\"camera\": \"NIKON D850\", \"serial\": \"3011111\", \"files\": 2, \"filesWithoutCount\": 0, "
        "\"undatedFiles\": 0, \"firstDate\": \"2022:01:01 00:00:00\", \"lastDate\": \"2022:01:02 00:00:00\", "
        "\"firstTotal\": 100, \"lastTotal\": 450, \"shots\": 350, \"shotsPerDay\": 350.00, "
        "\"firstMechanical\": 100, \"lastMechanical\": 400, \"decreases\": []},\n"
        "  {\"camera\": \"NIKON Z 6\", \"serial\": null, \"files\": 2, \"filesWithoutCount\": 1, "
        "\"undatedFiles\": 0, \"firstDate\": \"2023:05:05 10:00:00\", \"lastDate\": \"2023:05:05 18:00:00\", "
        "\"firstTotal\": 500, \"lastTotal\": 620, \"shots\": 120, \"shotsPerDay\": null, "
        "\"firstMechanical\": 500, \"lastMechanical\": 600, \"decreases\": []},\n"
        "  {\"camera\": \"Odd & <Cam> \\udcff \xef\xbf\xbe\", \"serial\": \"S\\\"1,2\", \"files\": 1, "
        "\"filesWithoutCount\": 0, \"undatedFiles\": 0, \"firstDate\": \"2024:12:31 23:59:59\", "
        "\"lastDate\": \"2024:12:31 23:59:59\", \"firstTotal\": 77, \"lastTotal\": 77, \"shots\": 0, "
        "\"shotsPerDay\": null, \"firstMechanical\": 70, \"lastMechanical\": 70, \"decreases\": []},\n"
        "  {\"camera\": \"\", \"serial\": null, \"files\": 0, \"filesWithoutCount\": 1, \"undatedFiles\": 0, "
        "\"firstDate\": null, \"lastDate\": null, \"firstTotal\": null, \"lastTotal\": null, \"shots\": null, "
        "\"shotsPerDay\": null, \"firstMechanical\": null, \"lastMechanical\": null, \"decreases\": []}\n"
        "]\n",
        run.out);
}

TEST_F(CameraSummaryTest, CsvHasOneRowPerBodyAndTextAnAlignedTableWithTheDecreasesBelow)
{
    const CliRun csv = Run({"-r", "--cameras", "--csv"});
    EXPECT_EQ(1, csv.status);
    EXPECT_EQ("camera,serial,files,filesWithoutCount,undatedFiles,firstDate,lastDate,firstTotal,lastTotal,shots,"
              "shotsPerDay,firstMechanical,lastMechanical,decreases\n"
              "NIKON D7000,6012345,3,0,1,2016:02:29 12:00:00,2017:02:28 12:00:00,10000,13660,3660,10.03,,,0\n"
              "NIKON D850,3004871,7,1,1,2018:09:02 19:40:44,2021:03:04 10:00:00,8541,9000,459,0.50,3487,8000,1\n"
              "NIKON D850,3011111,2,0,0,2022:01:01 00:00:00,2022:01:02 00:00:00,100,450,350,350.00,100,400,0\n"
              "NIKON Z 6,,2,1,0,2023:05:05 10:00:00,2023:05:05 18:00:00,500,620,120,,500,600,0\n"
              "Odd & <Cam> \\xFF \xef\xbf\xbe,\"S\"\"1,2\",1,0,0,2024:12:31 23:59:59,2024:12:31 23:59:59,77,77,0,,70,"
              "70,0\n"
              ",,0,1,0,,,,,,,,,0\n",
              csv.out);

    const CliRun text = Run({"--cameras", "-r"});
    EXPECT_EQ(1, text.status);
    EXPECT_EQ(kUnreadMessages, text.err);
    EXPECT_EQ(
        "Camera              Serial   Files  No count  Undated  First date   Last date  First total  Last total  "
        "Shots  Shots/day  First mech.  Last mech.\n"
        "NIKON D7000         6012345      3         0        1  2016:02:29  2017:02:28        10000       13660  "
        " 3660      10.03            -           -\n"
        "NIKON D850          3004871      7         1        1  2018:09:02  2021:03:04         8541        9000  "
        "  459       0.50         3487        8000\n"
        "NIKON D850          3011111      2         0        0  2022:01:01  2022:01:02          100         450  "
        "  350     350.00          100         400\n"
        "NIKON Z 6           unknown      2         1        0  2023:05:05  2023:05:05          500         620  "
        "  120          -          500         600\n"
        "Odd & <Cam> \\xFF \xef\xbf\xbe  S\"1,2        1         0        0  2024:12:31  2024:12:31           77  "
        "        77      0          -           70          70\n"
        "unknown             unknown      0         1        0           -           -            -           -  "
        "    -          -            -           -\n"
        "\n"
        "Total count went down:\n"
        "  NIKON D850 3004871: lib/a_DSC_3000.nef (2020:01:10 08:30:00, 21000) -> lib/a_DSC_0005.nef "
        "(2020:03:15 16:45:10, 1200)\n",
        text.out);
}

// A PNG as rsvg-convert draws an SVG, at one pixel per SVG unit, as RGB.
struct Picture {
    explicit Picture(const std::string& path)
    {
        png_image image{};
        image.version = PNG_IMAGE_VERSION;
        if (png_image_begin_read_from_file(&image, path.c_str())) {
            image.format = PNG_FORMAT_RGB;
            rgb.resize(PNG_IMAGE_SIZE(image));
            if (png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr))
                width = static_cast<int>(image.width), height = static_cast<int>(image.height);
        }
    }
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
};

struct Box {
    double x0, y0, x1, y1;
};

// Pixels of `picture` within `box` for which `wanted(r, g, b)` holds.
template <typename Wanted>
int Count(const Picture& picture, const Box& box, Wanted wanted)
{
    int count = 0;
    for (int y = std::max(0, static_cast<int>(box.y0)); y < std::min<double>(picture.height, box.y1); ++y) {
        for (int x = std::max(0, static_cast<int>(box.x0)); x < std::min<double>(picture.width, box.x1); ++x) {
            const unsigned char* p = &picture.rgb[(static_cast<std::size_t>(y) * picture.width + x) * 3];
            count += wanted(p[0], p[1], p[2]);
        }
    }
    return count;
}

// "#1f77b4" as a test for pixels of that colour, give or take smoothing.
auto Colour(const std::string& hex)
{
    const long rgb = std::stol(hex.substr(1), nullptr, 16);
    return [rgb](int r, int g, int b) {
        return std::abs(r - (rgb >> 16)) <= 10 && std::abs(g - (rgb >> 8 & 0xFF)) <= 10 && std::abs(b - (rgb & 0xFF)) <= 10;
    };
}

bool Drawn(int r, int g, int b) { return r < 235 || g < 235 || b < 235; }

// The x, y, width and height attributes of the rect with this id.
Box RectById(const std::string& svg, const std::string& id)
{
    std::smatch m;
    const std::regex rect("<rect id=\"" + id + "\" x=\"([0-9.]+)\" y=\"([0-9.]+)\" width=\"([0-9.]+)\" height=\"([0-9.]+)\"");
    if (!std::regex_search(svg, m, rect))
        return {0, 0, 0, 0};
    return {std::stod(m[1]), std::stod(m[2]), std::stod(m[1]) + std::stod(m[3]), std::stod(m[2]) + std::stod(m[4])};
}

std::vector<std::string> AllMatches(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> found;
    const std::regex re(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), re); it != std::sregex_iterator(); ++it)
        found.push_back((*it)[1]);
    return found;
}

TEST_F(CameraSummaryTest, ChartDrawsEachBodyItsDecreaseAxesAndLegendInsideTheirBoxes)
{
    const std::string svgPath = s_dir->Path() + "/wear.svg", pngPath = s_dir->Path() + "/wear.png";
    EXPECT_EQ(1, Run({"--cameras", "-r", "--chart", svgPath}).status);
    bool rendered = false;
    const std::string renderer = cli_test::Output("rsvg-convert -o " + Quote(pngPath) + " " + Quote(svgPath) + " 2>&1", &rendered);
    ASSERT_TRUE(rendered) << "rsvg-convert (Debian's librsvg2-bin, scripts/install-deps.sh installs it): " << renderer;
    const std::string svg = cli_test::Output("cat " + Quote(svgPath));
    const Picture picture(pngPath);
    ASSERT_GT(picture.width, 0);

    // Names from files are escaped, and invalid UTF-8 and U+FFFE spelt as
    // in the other outputs; rsvg-convert would refuse the file otherwise.
    EXPECT_NE(std::string::npos, svg.find(">Odd &amp; &lt;Cam&gt; \\xFF \\xEF\\xBF\\xBE S&quot;1,2</text>"));
    EXPECT_NE(std::string::npos, svg.find(">NIKON Z 6 (serial unknown)</text>"));

    const Box plot = RectById(svg, "plot"), legend = RectById(svg, "legend-box");
    const Box whole{0, 0, static_cast<double>(picture.width), static_cast<double>(picture.height)};
    ASSERT_GT(legend.x0, plot.x1);
    // Lines and markers only within the plot's frame (give or take its own
    // smoothing) or as legend swatches.
    const auto outside = [&](auto wanted) {
        return Count(picture, whole, wanted) - Count(picture, legend, wanted) -
               Count(picture, {plot.x0 - 2, plot.y0 - 2, plot.x1 + 2, plot.y1 + 2}, wanted);
    };
    // The five bodies with dated counts, one colour each, and the marker.
    const std::vector<std::string> colours = AllMatches(svg, "<g class=\"body\" stroke=\"(#[0-9a-f]{6})\"");
    ASSERT_EQ(5u, std::set<std::string>(colours.begin(), colours.end()).size());
    for (const std::string& colour : colours) {
        SCOPED_TRACE(colour);
        EXPECT_GE(Count(picture, plot, Colour(colour)), 12);  // a lone point is a dot
        EXPECT_GE(Count(picture, legend, Colour(colour)), 20);
        EXPECT_EQ(0, outside(Colour(colour)));
    }
    const auto decrease = Colour("#d62728");
    EXPECT_GE(Count(picture, plot, decrease), 30);    // the one decrease
    EXPECT_GE(Count(picture, legend, decrease), 30);  // and its legend entry
    EXPECT_EQ(0, outside(decrease));

    // The legend's names, and the axes' labels left of and below the plot.
    EXPECT_GE(Count(picture, legend, [](int r, int g, int b) { return r < 100 && g < 100 && b < 100; }), 300);
    EXPECT_GE(Count(picture, {0, plot.y0, plot.x0 - 2, plot.y1}, Drawn), 200);
    EXPECT_GE(Count(picture, {plot.x0, plot.y1 + 2, plot.x1, whole.y1}, Drawn), 200);
    // Nothing between plot and legend, past the legend, or at the canvas's
    // edges, where a cut-off label would end.
    EXPECT_EQ(0, Count(picture, {plot.x1 + 2, 0, legend.x0 - 1, plot.y1}, Drawn));
    EXPECT_EQ(0, Count(picture, {legend.x1 + 1, 0, whole.x1, whole.y1}, Drawn));
    EXPECT_EQ(0, Count(picture, {0, 0, whole.x1, 4}, Drawn) + Count(picture, {0, whole.y1 - 4, whole.x1, whole.y1}, Drawn) +
                     Count(picture, {0, 0, 4, whole.y1}, Drawn));

    // Counts grouped by thousands rising up the axis from the lowest count
    // to past the highest; years along it from the first to the last.
    std::vector<long> counts;
    for (const std::string& label : AllMatches(svg, "text-anchor=\"end\" stroke=\"none\">([^<]*)<")) {
        EXPECT_TRUE(std::regex_match(label, std::regex("[0-9]{1,3}(,[0-9]{3})*"))) << label;
        counts.push_back(std::stol(std::regex_replace(label, std::regex(","), "")));
    }
    ASSERT_GE(counts.size(), 3u);
    EXPECT_TRUE(std::is_sorted(counts.begin(), counts.end()) && counts.front() <= 77 && counts.back() >= 21000);
    const std::vector<std::string> dates = AllMatches(svg, "text-anchor=\"middle\" stroke=\"none\">([^<]*)<");
    EXPECT_EQ((std::vector<std::string>{"2017", "2018", "2019", "2020", "2021", "2022", "2023", "2024"}), dates);
}

// Chart file failures are output failures: reported, with status 3. One
// that can be seen coming stops the run before any file is read; the chart
// is written only once the summary is out whole.
TEST_F(CameraSummaryTest, AChartThatCannotBeWrittenEndsTheRunWithStatus3)
{
    struct Row {
        std::string chart, redirect;
        std::string wantErr;
        bool wantOut;
    };
    const std::string missing = s_dir->Path() + "/no/such/folder/c.svg";
    const std::string afterFullOutput = s_dir->Path() + "/after-full-output.svg";
    for (const Row& row : {Row{missing, "", "tessmar: cannot write the chart " + missing + ": No such file or directory\n", false},
                           Row{s_dir->Path() + "/lib", "", ": Is a directory\n", false},
                           Row{"/dev/full", "", "tessmar: cannot write the chart /dev/full: No space left on device\n", true},
                           Row{afterFullOutput, ">/dev/full", "tessmar: cannot write the output: No space left on device\n", false}}) {
        SCOPED_TRACE(row.chart);
        const CliRun run = Run({"--cameras", "-r", "--chart", row.chart}, row.redirect);
        EXPECT_EQ(3, run.status);
        EXPECT_EQ(row.wantOut, !run.out.empty());
        ASSERT_GE(run.err.size(), row.wantErr.size());
        EXPECT_EQ(row.wantErr, run.err.substr(run.err.size() - row.wantErr.size()));
        // Stopped before reading: no file named as unread.
        EXPECT_EQ(row.wantOut || !row.redirect.empty(), run.err.find("not a NEF") != std::string::npos);
    }
    EXPECT_FALSE(fs::exists(afterFullOutput));

    for (const std::vector<std::string>& usage : {std::vector<std::string>{"--chart", "c.svg", "-r"},
                                                  std::vector<std::string>{"--cameras", "-r", "--chart="}}) {
        const CliRun run = Run(usage);
        EXPECT_EQ(2, run.status);
        EXPECT_EQ(0u, run.err.find("tessmar: --chart ")) << run.err;
    }
}

// The columns a terminal gives `utf8`, by the C library's wcswidth: a
// judge of its own, not the program's table.
std::size_t TerminalColumns(const std::string& utf8)
{
    static const bool set = std::setlocale(LC_CTYPE, "C.UTF-8") != nullptr;
    if (!set)
        return static_cast<std::size_t>(-1);
    std::wstring wide(utf8.size() + 1, L'\0');
    const std::size_t length = std::mbstowcs(wide.data(), utf8.c_str(), wide.size());
    if (length == static_cast<std::size_t>(-1))
        return static_cast<std::size_t>(-1);
    const int columns = wcswidth(wide.c_str(), length);
    return columns < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(columns);
}

// Models and serials in other scripts: the table lines up by the columns a
// terminal shows, wide characters two, combining marks none.
TEST(CameraSummaryText, ColumnsLineUpByDisplayWidth)
{
    TempDir dir;
    const std::pair<std::string, std::string> bodies[] = {
        {"\xE3\x83\x8B\xE3\x82\xB3\xE3\x83\xB3 Z 9", "\xE5\xB0\xBC\xE5\xBA\xB7"},  // ニコン Z 9, 尼康
        {"Cafe\xCC\x81 D850", "3004871"},                                                      // combining acute
        {"\xF0\x9F\x93\xB7 D90", "\xEF\xBC\x91\xEF\xBC\x92"},                          // 📷, fullwidth １２
        {"NIKON D7000", "n\xFF"},                                                               // a byte that is not UTF-8
    };
    std::vector<std::string> serials;
    for (std::size_t i = 0; i < std::size(bodies); ++i) {
        dir.Write("f" + std::to_string(i) + ".nef",
                  NefBuilder(Order::kLittle).Model(bodies[i].first).Serial(bodies[i].second).Total(10).Build());
        serials.push_back(PrintableText(bodies[i].second));
    }
    const CliRun run = cli_test::Tessmar(dir, {"--cameras", "-r", dir.Path()});
    ASSERT_EQ(0, run.status) << run.err;
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = run.out.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(run.out.substr(start, end - start));
    ASSERT_EQ(1 + std::size(bodies), lines.size()) << run.out;
    // The last column is right-aligned, so every line ends in the same column.
    for (const std::string& line : lines)
        EXPECT_EQ(TerminalColumns(lines[0]), TerminalColumns(line)) << line;
    // And each serial starts under the heading's.
    const std::size_t serialColumn = TerminalColumns(lines[0].substr(0, lines[0].find("Serial")));
    for (const std::string& serial : serials) {
        const auto line = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find("  " + serial + " ") != std::string::npos;
        });
        ASSERT_NE(lines.end(), line) << serial;
        EXPECT_EQ(serialColumn, TerminalColumns(line->substr(0, line->find("  " + serial + " ") + 2))) << *line;
    }
}

// The chart replaces what stands at its name: a name that could be a photo,
// or any file that is not a chart, is refused before anything is read, and
// left as it was.
TEST_F(CameraSummaryTest, AChartNeverReplacesAPhotoOrAFileThatIsNotAChart)
{
    TempDir other;
    const std::string notes = other.Write("notes.txt", {'k', 'e', 'e', 'p'});
    const std::string alias = other.Path() + "/alias.svg";
    const std::string photo = s_dir->Path() + "/lib/a_DSC_0001.nef";
    ASSERT_EQ(0, symlink(photo.c_str(), alias.c_str()));
    struct Row {
        std::vector<std::string> args;
        std::string chart, why;
    };
    for (const Row& row : {
             // `tessmar --cameras --chart *.NEF`: the glob's first photo.
             Row{{"--cameras", "--chart", "lib/a_DSC_0001.nef", "lib/a_DSC_2000.nef"}, "lib/a_DSC_0001.nef",
                 "it is named like a camera file"},
             // A card's file named --chart=DSC_0002.JPG, brought in by *.JPG.
             Row{{"--cameras", "--chart=lib/DSC_0002.JPG", "lib/a_DSC_2000.nef"}, "lib/DSC_0002.JPG",
                 "it is named like a camera file"},
             Row{{"--cameras", "-r", "--chart", "x.TIFF", "lib"}, "x.TIFF", "it is named like a camera file"},
             // Another spelling of an input.
             Row{{"--cameras", "--chart", alias, "lib/a_DSC_0001.nef"}, alias, "it is one of the files to read"},
             // A photo behind a link, and a file of the user's own.
             Row{{"--cameras", "-r", "--chart", alias, "lib"}, alias, "it is a file that is not an SVG image"},
             Row{{"--cameras", "-r", "--chart", notes, "lib"}, notes, "it is a file that is not an SVG image"},
         }) {
        SCOPED_TRACE(row.chart);
        const CliRun run = cli_test::Tessmar(*s_dir, row.args, "", "", "cd " + Quote(s_dir->Path()) + " && exec");
        EXPECT_EQ(2, run.status);
        EXPECT_EQ("", run.out);
        EXPECT_EQ("tessmar: will not write the chart to " + row.chart + ": " + row.why + "\n", run.err);
    }
    EXPECT_EQ("keep", cli_test::Output("cat " + Quote(notes)));
    EXPECT_EQ(0u, cli_test::Output("head -c 2 " + Quote(photo)).find("II"));
    EXPECT_FALSE(fs::exists(s_dir->Path() + "/lib/DSC_0002.JPG"));
    EXPECT_EQ(2, std::distance(fs::directory_iterator(other.Path()), fs::directory_iterator()));
}

// Standard output as the chart's name: the chart follows the table there,
// whether it is a pipe or a file it was redirected to.
TEST_F(CameraSummaryTest, AChartToStandardOutputFollowsTheTable)
{
    const CliRun table = Run({"--cameras", "-r"});
    const CliRun piped = Run({"--cameras", "-r", "--chart", "/dev/stdout"});
    EXPECT_EQ(1, piped.status);
    ASSERT_EQ(0u, piped.out.find(table.out)) << piped.out;
    const std::string chart = piped.out.substr(table.out.size());
    EXPECT_EQ(0u, chart.find("<?xml"));
    EXPECT_EQ("</svg>\n", chart.substr(chart.size() - 7));

    TempDir out;
    const std::string file = out.Path() + "/summary.txt";
    const CliRun redirected = Run({"--cameras", "-r", "--chart=/dev/fd/1"}, ">" + Quote(file));
    EXPECT_EQ(1, redirected.status);
    EXPECT_EQ(piped.out, cli_test::Output("cat " + Quote(file)));
}

TEST_F(CameraSummaryTest, AChartReplacesAnEarlierOneWholeKeepingItsMode)
{
    TempDir out;
    const std::string chart = out.Path() + "/wear.svg";
    const std::string earlier = "<svg>an earlier chart</svg>\n";
    out.Write("wear.svg", std::vector<std::uint8_t>(earlier.begin(), earlier.end()));
    chmod(chart.c_str(), 0640);
    EXPECT_EQ(1, Run({"--cameras", "-r", "--chart", chart}).status);
    const std::string svg = cli_test::Output("cat " + Quote(chart));
    EXPECT_EQ(0u, svg.find("<?xml"));
    EXPECT_EQ("</svg>\n", svg.substr(svg.size() - 7));
    struct stat status;
    ASSERT_EQ(0, stat(chart.c_str(), &status));
    EXPECT_EQ(0640u, status.st_mode & 07777);
    // No temporary file left beside it.
    EXPECT_EQ(1, std::distance(fs::directory_iterator(out.Path()), fs::directory_iterator()));
}

TEST(ShootingDate, OnlyRealDatesInTheCamerasFormCount)
{
    EXPECT_EQ(0, ShootingSeconds("1970:01:01 00:00:00"));
    EXPECT_EQ(951782400 + 86399, ShootingSeconds("2000:02:29 23:59:59"));  // a leap day of a 400th year
    EXPECT_EQ(*ShootingSeconds("2021:03:01 00:00:00") - 86400, ShootingSeconds("2021:02:28 00:00:00"));
    for (const char* notADate : {"0000:00:00 00:00:00", "", "2018:09:02", "2018:09:02 19:40:44 ",
                                 "2018-09-02 19:40:44", "2018:13:02 19:40:44", "2018:09:31 19:40:44",
                                 "1900:02:29 12:00:00", "2018:09:02 24:00:00", "2018:09:02 19:60:44",
                                 "2018:09:02 19:40:60", "2018:09:0a 19:40:44", "+018:09:02 19:40:44"})
        EXPECT_EQ(std::nullopt, ShootingSeconds(notADate)) << notADate;
    const CivilDate date = DateAt(*ShootingSeconds("2016:02:29 12:00:00"));
    EXPECT_EQ(std::make_tuple(2016, 2, 29), std::make_tuple(date.year, date.month, date.day));
}

}  // namespace
