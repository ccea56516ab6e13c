// tessmar with many files in flight against one at a time: the same bytes
// on standard output, the same messages in the same order, the same exit
// status, files that fail and folders that cannot be read included; an
// output that fails mid-run stops the opening of files; descriptors and
// threads are only used where one at a time would not do.
#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_run.h"
#include "nef_builder.h"

using cli_test::CliRun;
using cli_test::Tessmar;
using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;
namespace fs = std::filesystem;

namespace {

// Threads per run, and results held per thread (as tessmar keeps them).
constexpr int kManyInFlight = 16;
constexpr int kResultsPerThread = 4;

std::string InFlight(const std::string& count, const std::string& then = "exec")
{
    return count.empty() ? "unset TESSMAR_IN_FLIGHT; " + then : "export TESSMAR_IN_FLIGHT=" + count + "; " + then;
}

std::vector<std::uint8_t> Camera(int i)
{
    return NefBuilder(i % 2 ? Order::kBig : Order::kLittle)
        .Model("NIKON D" + std::to_string(100 + i % 900))
        .DateTime("2020:01:02 03:04:05")
        .Mechanical(static_cast<std::uint32_t>(i))
        .Total(static_cast<std::uint32_t>(2 * i + 1))
        .Build();
}

// A folder of `count` files, every few of them failing in its own way.
void FillFolder(const TempDir& dir, const std::string& folder, int count)
{
    fs::create_directories(fs::path(dir.Path()) / folder);
    for (int i = 0; i < count; ++i) {
        const std::string name = folder + "/DSC" + std::to_string(1000 + i);
        std::vector<std::uint8_t> bytes = Camera(i);
        if (i % 7 == 3)
            bytes.resize(bytes.size() / 2);  // cut inside its directories
        else if (i % 11 == 5)
            bytes = NefBuilder(Order::kBig).Model("NIKON D1").Build();  // no counter
        else if (i % 13 == 6)
            bytes = {'n', 'o', 't', ' ', 'a', ' ', 'N', 'E', 'F'};
        dir.Write(name + (i % 5 == 0 ? ".JPG" : ".NEF"), i % 5 == 0 ? nef_test::JpegFile({nef_test::ExifSegment(bytes)})
                                                                    : bytes);
    }
}

// The names of the files opened in `folder` while it was watched.
class OpenWatch {
public:
    explicit OpenWatch(const std::string& folder)
        : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)),
          m_watch(m_fd >= 0 ? inotify_add_watch(m_fd, folder.c_str(), IN_OPEN) : -1)
    {
    }
    ~OpenWatch()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    bool Works() const { return m_watch >= 0; }

    std::set<std::string> Opened()
    {
        std::set<std::string> names;
        alignas(inotify_event) char buffer[64 * 1024];
        for (ssize_t n; (n = read(m_fd, buffer, sizeof buffer)) > 0;) {
            for (char* p = buffer; p < buffer + n;) {
                const auto* event = reinterpret_cast<const inotify_event*>(p);
                if (event->len > 0)
                    names.insert(event->name);
                p += sizeof(inotify_event) + event->len;
            }
        }
        return names;
    }

private:
    int m_fd;
    int m_watch;
};

}  // namespace

TEST(InFlight, OutputMessagesAndStatusAreTheSameWithOneOrManyFilesInFlight)
{
    TempDir dir;
    ASSERT_EQ(0, chmod(dir.Path().c_str(), 0755));
    FillFolder(dir, "card/DCIM/100NIKON", 180);
    FillFolder(dir, "card/DCIM/101NIKON", 40);
    FillFolder(dir, "card/DCIM/102NIKON", 150);
    const fs::path card = fs::path(dir.Path()) / "card";
    ASSERT_EQ(0, mkfifo((card / "DCIM/100NIKON/DSC1300.NEF").c_str(), 0644));
    fs::create_symlink("DSC9999.NEF", card / "DCIM/102NIKON/DSC1200.NEF");  // leads nowhere
    const std::string loose = dir.Write("loose.nef", Camera(4));

    // As an unprivileged user, where this machine allows, a folder and a
    // file it may not read.
    const std::string nobody = cli_test::AsNobody();
    const bool locked = !nobody.empty() && geteuid() == 0;
    if (locked) {
        ASSERT_EQ(0, chmod((card / "DCIM/101NIKON").c_str(), 0700));
        ASSERT_EQ(0, chmod((card / "DCIM/102NIKON/DSC1011.NEF").c_str(), 0600));
    }
    const std::string as = nobody.empty() ? "exec" : nobody;

    const std::vector<std::vector<std::string>> runs = {
        {"-r", card.string(), dir.Path() + "/absent.nef", loose},
        {"--json", "-r", card.string(), loose, card.string() + "/DCIM"},
        {"--csv", "-r", card.string()},
        {"--cameras", "--json", "-r", card.string()},
        // Without -r: the folder is a failure of its own among the files.
        {"--csv", loose, card.string(), dir.Path() + "/absent.nef", loose},
    };
    for (const auto& args : runs) {
        const CliRun one = Tessmar(dir, args, "", "", InFlight("1", as));
        ASSERT_EQ(1, one.status) << one.err;
        if (locked && std::find(args.begin(), args.end(), "-r") != args.end()) {
            EXPECT_NE(std::string::npos, one.err.find("DCIM/101NIKON: permission denied\n")) << one.err;
        }
        for (const std::string& count : std::vector<std::string>{"", "2", "3", std::to_string(kManyInFlight), "256"}) {
            const CliRun many = Tessmar(dir, args, "", "", InFlight(count, as));
            EXPECT_EQ(one.status, many.status) << args[0] << " with " << count;
            EXPECT_EQ(one.err, many.err) << args[0] << " with " << count;
            EXPECT_TRUE(one.out == many.out) << args[0] << " with " << count << ": output differs";
        }
    }
}

TEST(InFlight, AFailedOutputStopsTheOpeningOfFiles)
{
    TempDir dir;
    const std::string folder = dir.Path() + "/cards";
    fs::create_directories(folder);
    std::vector<std::string> args = {"--csv"};
    for (int i = 0; i < 1500; ++i)
        args.push_back(dir.Write("cards/" + std::to_string(10000 + i) + ".nef", Camera(7)));
    // Failures before the output fails are reported, one after it never.
    args[4] = folder + "/absent-early.nef";
    args.back() = folder + "/absent-late.nef";
    const std::string early = "tessmar: " + args[4] + ": no such file\n";

    auto lastOpened = [&](const std::set<std::string>& opened) {
        int last = -1;
        for (const std::string& name : opened)
            last = std::max(last, std::stoi(name) - 10000);
        return last;
    };
    int lastOneAtATime = -1;
    for (const int inFlight : {1, kManyInFlight}) {
        for (const bool pipe : {false, true}) {
            OpenWatch watch(folder);
            if (!watch.Works())
                GTEST_SKIP() << "SKIPPED: inotify is not available: " << std::strerror(errno);
            CliRun run{};
            if (pipe) {
                // A reader that is gone, SIGPIPE ignored as a shell's trap makes it.
                int fds[2];
                ASSERT_EQ(0, ::pipe(fds));
                close(fds[0]);
                setenv("TESSMAR_IN_FLIGHT", std::to_string(inFlight).c_str(), 1);
                run = cli_test::Spawn(args, fds[1], -1, true);
                unsetenv("TESSMAR_IN_FLIGHT");
                close(fds[1]);
            } else {
                run = Tessmar(dir, args, "", ">/dev/full", InFlight(std::to_string(inFlight)));
            }
            const std::string why = pipe ? "Broken pipe" : "No space left on device";
            EXPECT_EQ(3, run.status) << why << ", " << inFlight;
            EXPECT_EQ(early + "tessmar: cannot write the output: " + why + "\n", run.err) << inFlight;

            // The 64 KiB output buffer fails to drain a few hundred files
            // in: none opened after that one, or, with files in flight,
            // none beyond the results a run holds.
            const int last = lastOpened(watch.Opened());
            EXPECT_GT(last, 100) << why << ", " << inFlight;
            if (inFlight == 1 && !pipe) {
                lastOneAtATime = last;
            } else if (inFlight == 1) {
                EXPECT_EQ(lastOneAtATime, last) << why;
            } else {
                EXPECT_LE(last, lastOneAtATime + inFlight * kResultsPerThread) << why;
            }
        }
    }
}

TEST(InFlight, DescriptorsAndThreadsOnlyWhereOneAtATimeWouldNotDo)
{
    TempDir dir;
    FillFolder(dir, "card", 60);
    const std::string card = dir.Path() + "/card";

    // Five descriptors free: no more files in flight than that allows, none
    // failing for want of a descriptor that one at a time would have had.
    const CliRun one = Tessmar(dir, {"--csv", "-r", card}, "", "", InFlight("1", "ulimit -n 8; exec"));
    const CliRun many = Tessmar(dir, {"--csv", "-r", card}, "", "", InFlight("64", "ulimit -n 8; exec"));
    EXPECT_EQ(std::string::npos, one.out.find("too many files are open")) << one.out;
    EXPECT_EQ(one.out, many.out);
    EXPECT_EQ(one.err, many.err);

    // A setting that is not a count is a usage error, before anything is read.
    for (const char* bad : {"0", "lots", "257"}) {
        const CliRun run = Tessmar(dir, {card + "/DSC1001.NEF"}, "", "", InFlight(bad));
        EXPECT_EQ(2, run.status) << bad;
        EXPECT_EQ(std::string("tessmar: TESSMAR_IN_FLIGHT must be a whole number from 1 to 256, not '") + bad + "'\n",
                  run.err);
        EXPECT_EQ("", run.out);
    }

    // One file is read as it always was: no thread is started for it.
    if (std::system("strace -V >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "SKIPPED: strace is not installed";
    const std::string log = dir.Path() + "/clones";
    // (A leak check at exit would start a thread of its own, and fails
    // under a tracer anyway.)
    const std::string traced =
        "export ASAN_OPTIONS=detect_leaks=0; exec strace -f -qq -e trace=clone,clone3 -o " + cli_test::Quote(log);
    const CliRun single = Tessmar(dir, {card + "/DSC1001.NEF"}, "", "", InFlight("64", traced));
    EXPECT_EQ(0, single.status) << single.err;
    std::ifstream trace(log);
    const std::string clones((std::istreambuf_iterator<char>(trace)), std::istreambuf_iterator<char>());
    EXPECT_EQ("", clones);
    const CliRun two = Tessmar(dir, {card + "/DSC1001.NEF", card + "/DSC1002.NEF"}, "", "", InFlight("64", traced));
    std::ifstream again(log);
    const std::string twoClones((std::istreambuf_iterator<char>(again)), std::istreambuf_iterator<char>());
    EXPECT_NE(std::string::npos, twoClones.find("clone")) << "two files with 64 in flight start threads";
}
