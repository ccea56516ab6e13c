// tessmar under real faults: output that cannot be written, folders that
// cannot be read or vanish mid-walk, too few descriptors, a folder mounted
// inside itself, and a terminal shared by progress, output and messages.
#include <gtest/gtest.h>

#include <atomic>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

#include "cli_run.h"
#include "file_list.h"
#include "nef_builder.h"

using cli_test::CliRun;
using cli_test::Quote;
using cli_test::Tessmar;
using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;
namespace fs = std::filesystem;

namespace {

const std::vector<std::uint8_t>& D90()
{
    static const auto bytes = NefBuilder(Order::kBig).Model("NIKON D90").Total(6507).Build();
    return bytes;
}

// `count` readable files in `folder` (made if need be), sorted as listed.
std::vector<std::string> ManyFiles(const TempDir& dir, const std::string& folder, int count)
{
    fs::create_directories(fs::path(dir.Path()) / folder);
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i)
        paths.push_back(dir.Write(folder + "/" + std::to_string(10000 + i) + ".nef", D90()));
    return paths;
}

std::vector<std::string> Paths(const std::vector<ListedPath>& listed)
{
    std::vector<std::string> paths;
    for (const ListedPath& l : listed)
        paths.push_back(l.problem.empty() ? l.path : l.path + ": " + l.problem);
    return paths;
}

// Sets the limit on open descriptors to the lowest free one, so that the
// next open fails with EMFILE, until Restore() or destruction.
class DescriptorStarvation {
public:
    void Start()
    {
        const int lowestFree = dup(0);
        close(lowestFree);
        getrlimit(RLIMIT_NOFILE, &m_saved);
        rlimit tight = m_saved;
        tight.rlim_cur = static_cast<rlim_t>(lowestFree);
        m_active = setrlimit(RLIMIT_NOFILE, &tight) == 0;
    }
    void Restore()
    {
        if (m_active)
            setrlimit(RLIMIT_NOFILE, &m_saved);
        m_active = false;
    }
    ~DescriptorStarvation() { Restore(); }

private:
    rlimit m_saved{};
    bool m_active = false;
};

}  // namespace

// ---------------------------------------------------------------------------
// Output that cannot be written

TEST(OutputFailure, AFullDiskStopsTheRunAtTheFirstFailedWrite)
{
    TempDir dir;
    // Far more output than one buffer holds, and then a file whose reason
    // would show if the run went on reading after the failure.
    std::vector<std::string> args = ManyFiles(dir, "cards", 600);
    args.push_back(dir.Path() + "/absent.nef");
    CliRun run = Tessmar(dir, args, "", ">/dev/full");
    EXPECT_EQ(3, run.status);
    EXPECT_EQ("tessmar: cannot write the output: No space left on device\n", run.err);

    // Output small enough to wait in the buffer fails when it is flushed.
    run = Tessmar(dir, {"--csv", args[0]}, "", ">/dev/full");
    EXPECT_EQ(3, run.status);
    EXPECT_EQ("tessmar: cannot write the output: No space left on device\n", run.err);
}

TEST(OutputFailure, HelpAndVersionReportTheirOwnFailedWrite)
{
    TempDir dir;
    for (const char* option : {"--help", "--version"}) {
        CliRun run = Tessmar(dir, {option}, "", ">/dev/full");
        EXPECT_EQ(3, run.status) << option;
        EXPECT_EQ("tessmar: cannot write the output: No space left on device\n", run.err) << option;
        run = Tessmar(dir, {option}, "", ">&-");
        EXPECT_EQ(3, run.status) << option;
        EXPECT_EQ("tessmar: cannot write the output: Bad file descriptor\n", run.err) << option;
    }
    // A usage error is one whatever becomes of standard output.
    EXPECT_EQ(2, Tessmar(dir, {"--frobnicate"}, "", ">&-").status);
}

TEST(OutputFailure, AClosedOutputIsFoundBeforeAnyFileIsOpened)
{
    TempDir dir;
    const std::string good = dir.Write("d90.nef", D90());
    // The missing file would be reported if it were looked for; the good
    // one would take the closed descriptor's number if opened first.
    const CliRun run = Tessmar(dir, {dir.Path() + "/absent.nef", good}, "", ">&-");
    EXPECT_EQ(3, run.status);
    EXPECT_EQ("tessmar: cannot write the output: Bad file descriptor\n", run.err);
}

TEST(OutputFailure, AClosedPipeWithSigpipeIgnoredIsReported)
{
    TempDir dir;
    std::vector<std::string> args = ManyFiles(dir, "cards", 500);
    args.push_back(dir.Path() + "/absent.nef");
    int pipeFds[2];
    ASSERT_EQ(0, pipe(pipeFds));
    close(pipeFds[0]);  // no reader, ever
    const CliRun run = cli_test::Spawn(args, pipeFds[1], -1, true);
    close(pipeFds[1]);
    EXPECT_EQ(3, run.status);
    EXPECT_EQ("tessmar: cannot write the output: Broken pipe\n", run.err);
}

// ---------------------------------------------------------------------------
// Folders that cannot be read

TEST(FolderWalk, UnreadableFoldersAreNamedAndTheirSiblingsStillRead)
{
    const std::string nobody = cli_test::AsNobody();
    if (nobody.empty())
        GTEST_SKIP() << "SKIPPED: cannot run tessmar as an unprivileged user (setpriv failed)";
    TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "card";
    for (const char* folder : {"a", "b", "c"})
        fs::create_directories(root / folder);
    fs::create_directories(fs::path(dir.Path()) / "locked");
    const std::string a = dir.Write("card/a/1.nef", D90());
    dir.Write("card/b/2.nef", D90());
    const std::string c = dir.Write("card/c/3.nef", D90());
    const std::string unreadable = dir.Write("card/4.nef", D90());
    dir.Write("locked/5.nef", D90());
    // Owned by whoever runs the tests; "nobody" may read everything but
    // these (as root, group and others lose access; as anyone else, all).
    const bool root_ = geteuid() == 0;
    const std::string b = (root / "b").string(), locked = dir.Path() + "/locked";
    ASSERT_EQ(0, chmod(dir.Path().c_str(), 0755));
    ASSERT_EQ(0, chmod(b.c_str(), root_ ? 0700 : 0));
    ASSERT_EQ(0, chmod(locked.c_str(), root_ ? 0700 : 0));
    ASSERT_EQ(0, chmod(unreadable.c_str(), root_ ? 0600 : 0));

    const CliRun run = Tessmar(dir, {"--csv", "-r", root.string(), locked}, "", "", nobody);
    chmod(b.c_str(), 0755);
    chmod(locked.c_str(), 0755);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n" +
                  unreadable + ",,,0,0,0,permission denied,\n" +
                  a + ",NIKON D90,,6507,0,6507,,\n" +
                  b + ",,,0,0,0,permission denied,\n" +
                  c + ",NIKON D90,,6507,0,6507,,\n" +
                  locked + ",,,0,0,0,permission denied,\n",
              run.out);
    EXPECT_EQ("tessmar: " + unreadable + ": permission denied\n"
              "tessmar: " + b + ": permission denied\n"
              "tessmar: " + locked + ": permission denied\n",
              run.err);
}

TEST(FolderWalk, DepthCostsNoDescriptors)
{
    // Each folder is closed before the next is opened: a tree deeper than
    // the descriptor limit is still read whole.
    TempDir dir;
    std::string folder = "deep";
    std::vector<std::string> expected;
    for (int level = 0; level < 12; ++level) {
        fs::create_directories(fs::path(dir.Path()) / folder);
        expected.push_back(dir.Write(folder + "/a.nef", D90()));
        folder += "/sub";
    }
    const CliRun run = Tessmar(dir, {"--csv", "-r", dir.Path() + "/deep"}, "", "", "ulimit -n 6; exec");
    EXPECT_EQ(0, run.status) << run.err;
    EXPECT_EQ("", run.err);
    for (const std::string& path : expected)
        EXPECT_NE(std::string::npos, run.out.find(path + ",NIKON D90,")) << path;
}

TEST(FolderWalk, AFolderRemovedMidWalkIsNamedAndTheWalkGoesOn)
{
    TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "card";
    for (const char* folder : {"a", "b", "c"})
        fs::create_directories(root / folder);
    const std::string a = dir.Write("card/a/1.nef", D90());
    dir.Write("card/b/2.nef", D90());
    const std::string c = dir.Write("card/c/3.nef", D90());
    const std::string d = dir.Write("card/d.nef", D90());

    // Between reading the card's entries and opening its folders, one of
    // them goes, as when a card is pulled or another program tidies up.
    const std::vector<ListedPath> listed = ListFiles({root.string()}, true, [&](const std::string& folder) {
        if (folder == root.string())
            fs::remove_all(root / "b");
    });
    EXPECT_EQ((std::vector<std::string>{a, (root / "b").string() + ": no such folder", c, d}), Paths(listed));
}

TEST(FolderWalk, RunningOutOfDescriptorsNamesEveryFolderNotRead)
{
    TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "card";
    for (const char* folder : {"a", "b"})
        fs::create_directories(root / folder);
    dir.Write("card/a/1.nef", D90());
    const std::string loose = dir.Write("card/z.nef", D90());

    DescriptorStarvation starvation;
    starvation.Start();
    const std::vector<ListedPath> none = ListFiles({root.string()}, true);
    starvation.Restore();
    EXPECT_EQ((std::vector<std::string>{root.string() + ": too many files are open"}), Paths(none));

    // Starved once the card is listed: each folder in it is named, and
    // the file beside them still listed.
    const std::vector<ListedPath> some = ListFiles({root.string()}, true, [&](const std::string& folder) {
        if (folder == root.string())
            starvation.Start();
    });
    starvation.Restore();
    EXPECT_EQ((std::vector<std::string>{(root / "a").string() + ": too many files are open",
                                        (root / "b").string() + ": too many files are open", loose}),
              Paths(some));
}

TEST(FolderWalk, AFolderMountedInsideItselfIsWalkedOnce)
{
    if (geteuid() != 0 || std::system("unshare -m true 2>/dev/null") != 0)
        GTEST_SKIP() << "SKIPPED: needs root and mount namespaces (unshare -m)";
    TempDir dir;
    const fs::path root = fs::path(dir.Path()) / "card";
    fs::create_directories(root / "sub" / "again");
    const std::string file = dir.Write("card/sub/1.nef", D90());
    // A private mount namespace: the bind mount is gone with the process.
    const std::string inNamespace = "exec unshare -m sh -c 'mount --bind \"$0\" \"$0/sub/again\" && exec \"$@\"' " +
                                    Quote(root.string());
    const CliRun run = Tessmar(dir, {"--csv", "-r", root.string()}, "", "", inNamespace);
    if (run.err.find("mount") != std::string::npos)
        GTEST_SKIP() << "SKIPPED: bind mounts not allowed here: " << run.err;
    EXPECT_EQ(1, run.status);
    EXPECT_EQ("file,camera,shootingDate,mechanical,electronic,total,error,serial\n" + file +
                  ",NIKON D90,,6507,0,6507,,\n" + (root / "sub" / "again").string() +
                  ",,,0,0,0,the folder is inside itself (a folder loop),\n",
              run.out);
}

// ---------------------------------------------------------------------------
// Progress on a real terminal

namespace {

// Runs tessmar with standard error on a fresh pseudo-terminal, and
// standard output on it too or in a file; returns what the terminal
// received, byte for byte (raw mode: no newline translation).
std::string OnTerminal(const std::vector<std::string>& args, bool outputOnTerminal, CliRun& run)
{
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return "openpty failed";
    fcntl(master, F_SETFD, FD_CLOEXEC);
    fcntl(slave, F_SETFD, FD_CLOEXEC);
    termios raw{};
    tcgetattr(slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);

    std::string screen;
    std::atomic<bool> done{false};
    std::thread reader([&] {
        // Drained all along, so that a full terminal never stalls the run.
        char buffer[4096];
        for (;;) {
            pollfd p{master, POLLIN, 0};
            const int ready = poll(&p, 1, 50);
            if (ready > 0) {
                const ssize_t n = read(master, buffer, sizeof buffer);
                if (n <= 0)
                    break;
                screen.append(buffer, static_cast<std::size_t>(n));
            } else if (done) {
                break;
            }
        }
    });
    run = cli_test::Spawn(args, outputOnTerminal ? slave : -1, slave);
    done = true;
    reader.join();
    close(slave);
    close(master);
    return screen;
}

}  // namespace

TEST(Progress, NeverSharesATerminalWithTheOutput)
{
    TempDir dir;
    std::vector<std::string> args = ManyFiles(dir, "cards", 400);
    const std::string absent = dir.Path() + "/absent.nef";
    args.insert(args.begin() + 200, absent);

    CliRun run;
    const std::string screen = OnTerminal(args, true, run);
    EXPECT_EQ(1, run.status);
    EXPECT_EQ(std::string::npos, screen.find("read ")) << "a progress line beside the output";
    EXPECT_EQ(std::string::npos, screen.find('\r'));
    // The screen is the output with the message between the files it
    // belongs between, each line whole.
    const std::size_t at = screen.find("tessmar: " + absent + ": ");
    ASSERT_NE(std::string::npos, at) << screen.substr(0, 400);
    const std::string message = screen.substr(at, screen.find('\n', at) + 1 - at);
    const std::string output = screen.substr(0, at) + screen.substr(at + message.size());
    const CliRun toFile = Tessmar(dir, args);
    EXPECT_EQ(toFile.out, output);
    const std::string before = screen.substr(0, at);
    const std::string lastBlock = args[199] + "\n"
                                  "  Camera              NIKON D90\n"
                                  "  Serial Number\n"
                                  "  Shooting Date\n"
                                  "  Mechanical Shutter  6507\n"
                                  "  Electronic Shutter  0\n"
                                  "  Total Count         6507\n";
    ASSERT_GE(before.size(), lastBlock.size());
    EXPECT_EQ(lastBlock, before.substr(before.size() - lastBlock.size())) << "the message is not where it belongs";
}

TEST(Progress, OnTheTerminalItGivesWayToEachMessageAndIsClearedAtTheEnd)
{
    TempDir dir;
    std::vector<std::string> args = ManyFiles(dir, "cards", 400);
    const std::string absent = dir.Path() + "/absent.nef";
    args.insert(args.begin() + 200, absent);

    CliRun run;
    const std::string screen = OnTerminal(args, false, run);
    EXPECT_EQ(1, run.status);
    std::size_t files = 0;
    for (std::size_t at = 0; (at = run.out.find("  Total Count ", at)) != std::string::npos; ++at)
        ++files;
    EXPECT_EQ(400u, files) << "the output is whole";
    EXPECT_NE(std::string::npos, screen.find("\rread 401 of 401 files")) << screen.substr(0, 200);
    const std::string clear = "\r\033[K";
    const std::size_t at = screen.find("tessmar: " + absent + ": ");
    ASSERT_NE(std::string::npos, at);
    EXPECT_EQ(clear, screen.substr(at - clear.size(), clear.size())) << "the message shares the progress line";
    EXPECT_EQ(clear, screen.substr(screen.size() - clear.size())) << "the last progress line is left standing";
}
