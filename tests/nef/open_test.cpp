// Opening a file: each way an open can fail gives its own reason, and what
// is opened is judged from the open descriptor, without ever waiting.
#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "nef_builder.h"
#include "nef_readout.h"

using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

namespace {

NefProblem ProblemReading(const std::string& path)
{
    NefReadout readout;
    return ReadNefFile(path.c_str(), readout).Problem();
}

// The problem that reading `path` gives an unprivileged user: a child
// process drops to "nobody" when this one runs as root (for which no
// permission is ever denied). -1 when the child could not drop.
int ProblemForNobody(const std::string& path)
{
    if (geteuid() != 0)
        return static_cast<int>(ProblemReading(path));
    const pid_t child = fork();
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)
            _exit(255);
        _exit(static_cast<int>(ProblemReading(path)));
    }
    int status = 0;
    if (child < 0 || waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) == 255)
        return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(OpenReasons, EachCauseIsNamed)
{
    TempDir dir;
    const std::string good = dir.Write("d90.nef", NefBuilder(Order::kBig).Model("NIKON D90").Total(1).Build());
    ASSERT_EQ(NefProblem::kNone, ProblemReading(good));

    EXPECT_EQ(NefProblem::kNoSuchFile, ProblemReading(dir.Path() + "/absent.nef"));
    EXPECT_EQ(NefProblem::kNoSuchFile, ProblemReading(good + "/inside-a-file.nef"));
    EXPECT_EQ(NefProblem::kFolder, ProblemReading(dir.Path()));
    EXPECT_EQ(NefProblem::kNotAFile, ProblemReading("/dev/null"));
    EXPECT_EQ(NefProblem::kPathTooLong, ProblemReading(dir.Path() + "/" + std::string(300, 'n') + ".nef"));
    std::string deep = dir.Path();
    while (deep.size() < 5000)
        deep += "/folder";
    EXPECT_EQ(NefProblem::kPathTooLong, ProblemReading(deep + "/x.nef"));
    const std::string loop = dir.Path() + "/loop.nef";
    ASSERT_EQ(0, symlink("loop.nef", loop.c_str()));
    EXPECT_EQ(NefProblem::kLinkLoop, ProblemReading(loop));

    EXPECT_STREQ("no such file", NefProblemText(NefProblem::kNoSuchFile));
    EXPECT_STREQ("a folder, not a file", NefProblemText(NefProblem::kFolder));
}

TEST(OpenReasons, AFileOthersMayNotReadIsPermissionDenied)
{
    TempDir dir;
    const std::string path = dir.Write("private.nef", NefBuilder(Order::kLittle).Model("NIKON D850").Total(1).Build());
    ASSERT_EQ(0, chmod(path.c_str(), geteuid() == 0 ? 0600 : 0));
    const int problem = ProblemForNobody(path);
    if (problem < 0)
        GTEST_SKIP() << "SKIPPED: cannot run a process as an unprivileged user here";
    EXPECT_EQ(static_cast<int>(NefProblem::kPermissionDenied), problem) << NefProblemText(NefProblem(problem));
}

TEST(OpenReasons, RunningOutOfDescriptorsIsNamed)
{
    TempDir dir;
    const std::string path = dir.Write("d90.nef", NefBuilder(Order::kBig).Model("NIKON D90").Total(1).Build());
    // The limit is set to the lowest free descriptor, so the next open
    // must fail; everything is put back before any check can stop the test.
    const int lowestFree = dup(0);
    ASSERT_GE(lowestFree, 0);
    close(lowestFree);
    rlimit saved{};
    ASSERT_EQ(0, getrlimit(RLIMIT_NOFILE, &saved));
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(lowestFree);
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &tight));
    const NefProblem starved = ProblemReading(path);
    ASSERT_EQ(0, setrlimit(RLIMIT_NOFILE, &saved));
    EXPECT_EQ(NefProblem::kTooManyOpenFiles, starved) << NefProblemText(starved);
    EXPECT_EQ(NefProblem::kNone, ProblemReading(path));
}

TEST(OpenReasons, APipeNamedLikeACameraFileIsRefusedWithoutWaiting)
{
    // Opening a FIFO for reading waits for a writer unless the open is
    // non-blocking; nobody will ever write to this one.
    TempDir dir;
    const std::string fifo = dir.Path() + "/DSC_0001.NEF";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    const pid_t child = fork();
    if (child == 0)
        _exit(static_cast<int>(ProblemReading(fifo)));
    int status = 0;
    pid_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while ((done = waitpid(child, &status, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        usleep(10000);
    if (done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &status, 0);
        FAIL() << "reading a FIFO blocked";
    }
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(static_cast<int>(NefProblem::kNotAFile), WEXITSTATUS(status));
}
