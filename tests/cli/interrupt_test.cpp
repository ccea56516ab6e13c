// A run stopped by a signal: standard output holds whole records (a JSON
// array that parses, CSV rows none of which is cut), standard error says how
// far it got, no summary or chart is made from part of the files, and the
// process ends by the signal that stopped it.
#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sys/ioctl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "cli_run.h"
#include "nef_builder.h"

using cli_test::Quote;
using nef_test::NefBuilder;
using nef_test::Order;
using nef_test::TempDir;

namespace {

// Enough files that their output fills a pipe and the program's buffer
// many times over: a run whose reader waits is still going when signalled.
constexpr int kFiles = 3000;
// What a pipe holds before its writer waits (Linux's default).
constexpr int kPipeBytes = 65536;

struct StoppedRun {
    bool bySignal = false;
    int signal = 0;
    std::string out;
    std::string err;
};

class InterruptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_dir = new TempDir;
        std::filesystem::create_directory(s_dir->Path() + "/lib");
        const std::string first = s_dir->Write(
            "lib/DSC_1000.NEF",
            NefBuilder(Order::kLittle).Model("NIKON D850").Serial("3004871").DateTime("2020:01:01 10:00:00").Total(9).Build());
        for (int i = 1; i < kFiles; ++i)
            std::filesystem::create_hard_link(first, s_dir->Path() + "/lib/DSC_" + std::to_string(1000 + i) + ".NEF");
        // Files that are no NEF: each is named on standard error.
        std::filesystem::create_directory(s_dir->Path() + "/bad");
        const std::string bad = s_dir->Write("bad/DSC_1000.NEF", std::vector<std::uint8_t>(64, 'x'));
        for (int i = 1; i < kFiles; ++i)
            std::filesystem::create_hard_link(bad, s_dir->Path() + "/bad/DSC_" + std::to_string(1000 + i) + ".NEF");
    }
    static void TearDownTestSuite() { delete s_dir; }

    // Whether process `pid` has handlers for SIGINT, SIGTERM and SIGHUP,
    // as /proc shows its caught signals.
    static bool CatchesSignals(pid_t pid)
    {
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (line.rfind("SigCgt:", 0) != 0)
                continue;
            const unsigned long long caught = std::stoull(line.substr(7), nullptr, 16);
            const unsigned long long wanted = 1ull << (SIGINT - 1) | 1ull << (SIGTERM - 1) | 1ull << (SIGHUP - 1);
            return (caught & wanted) == wanted;
        }
        return false;
    }

    // Bytes waiting in the pipe whose reading end is `fd`.
    static int Pending(int fd)
    {
        int bytes = 0;
        return ioctl(fd, FIONREAD, &bytes) == 0 ? bytes : 0;
    }

    // Runs tessmar with `args` and `folder`, one of its outputs into a pipe
    // that is not read until `signals` have been sent (so the run is waiting
    // to write there), the other into a file, then reads both to their end.
    static StoppedRun Stop(std::vector<std::string> args, const std::vector<int>& signals,
                           const std::string& folder = "lib", int stalledOutput = STDOUT_FILENO)
    {
        args.insert(args.begin(), TESSMAR_CLI);
        args.push_back(s_dir->Path() + "/" + folder);
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        const std::string filePath = s_dir->Path() + "/other-output.txt";
        const int otherOutput = stalledOutput == STDOUT_FILENO ? STDERR_FILENO : STDOUT_FILENO;
        int pipeFds[2];
        if (pipe(pipeFds) != 0)
            return {};
        const pid_t child = fork();
        if (child == 0) {
            // As an interactive shell starts a command, whatever this
            // test's own parent ignores.
            for (int s : {SIGINT, SIGTERM, SIGHUP})
                std::signal(s, SIG_DFL);
            const int file = open(filePath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (file < 0 || dup2(pipeFds[1], stalledOutput) < 0 || dup2(file, otherOutput) < 0)
                _exit(126);
            close(pipeFds[0]);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        // Signalled once it has its handlers and the pipe is full: it has
        // read some files then and waits to write, however loaded the
        // machine is.
        for (int i = 0; i < 15000 && !(CatchesSignals(child) && Pending(pipeFds[0]) >= kPipeBytes); ++i)
            usleep(2000);
        for (int s : signals) {
            kill(child, s);
            usleep(50 * 1000);
        }
        std::string stalled;
        char buffer[65536];
        ssize_t n;
        while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0)
            stalled.append(buffer, static_cast<std::size_t>(n));
        close(pipeFds[0]);
        int raw = 0;
        waitpid(child, &raw, 0);
        StoppedRun run;
        run.bySignal = WIFSIGNALED(raw);
        run.signal = run.bySignal ? WTERMSIG(raw) : 0;
        const std::string other = cli_test::Output("cat " + Quote(filePath));
        run.out = stalledOutput == STDOUT_FILENO ? stalled : other;
        run.err = stalledOutput == STDOUT_FILENO ? other : stalled;
        return run;
    }

    // The count in the last line, "tessmar: interrupted after N of 3000
    // files\n", or -1.
    static int ReadBeforeStop(std::string err)
    {
        err = err.substr(err.rfind('\n', err.size() - 2) + 1);
        const std::string head = "tessmar: interrupted after ", tail = " of " + std::to_string(kFiles) + " files\n";
        if (err.rfind(head, 0) != 0 || err.size() <= head.size() + tail.size() ||
            err.compare(err.size() - tail.size(), tail.size(), tail) != 0)
            return -1;
        return std::stoi(err.substr(head.size(), err.size() - head.size() - tail.size()));
    }

    static TempDir* s_dir;
};

TempDir* InterruptTest::s_dir = nullptr;

TEST_F(InterruptTest, JsonAndCsvHoldWholeRecordsOfTheFilesReadAndTheRunEndsByTheSignal)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(signal);
        const StoppedRun json = Stop({"--json", "-r"}, {signal});
        EXPECT_TRUE(json.bySignal && json.signal == signal);
        const int read = ReadBeforeStop(json.err);
        ASSERT_GT(read, 0) << json.err;
        EXPECT_LT(read, kFiles);
        // Parsed by a JSON reader, not by eye: one object per file read.
        const std::string path = s_dir->Path() + "/out.json";
        {
            std::FILE* f = std::fopen(path.c_str(), "wb");
            ASSERT_NE(nullptr, f);
            std::fwrite(json.out.data(), 1, json.out.size(), f);
            std::fclose(f);
        }
        bool parsed = false;
        const std::string count = cli_test::Output(
            "python3 -c 'import json,sys; a = json.load(open(sys.argv[1])); "
            "print(len(a), all(o[\"total\"] == 9 and o[\"serial\"] == \"3004871\" for o in a))' " +
                Quote(path),
            &parsed);
        EXPECT_TRUE(parsed) << json.out.substr(json.out.size() > 300 ? json.out.size() - 300 : 0);
        EXPECT_EQ(std::to_string(read) + " True\n", count);
    }

    const StoppedRun csv = Stop({"--csv", "-r"}, {SIGTERM});
    EXPECT_TRUE(csv.bySignal && csv.signal == SIGTERM);
    const int read = ReadBeforeStop(csv.err);
    ASSERT_GT(read, 0) << csv.err;
    std::size_t rows = 0, start = csv.out.find('\n') + 1;
    for (std::size_t end; (end = csv.out.find('\n', start)) != std::string::npos; start = end + 1, ++rows)
        EXPECT_EQ(",NIKON D850,2020:01:01 10:00:00,9,0,9,,3004871",
                  csv.out.substr(end - 46, 46));
    EXPECT_EQ(csv.out.size(), start) << "a last row without its line end";
    EXPECT_EQ(static_cast<std::size_t>(read), rows);
}

TEST_F(InterruptTest, NoSummaryOrChartComesFromPartOfTheFilesAndASecondSignalEndsAtOnce)
{
    const std::string chart = s_dir->Path() + "/wear.svg";
    const std::string earlier = "<svg>an earlier chart</svg>\n";
    s_dir->Write("wear.svg", std::vector<std::uint8_t>(earlier.begin(), earlier.end()));
    // The summary waits for every file, so it is the reasons on standard
    // error that keep this run waiting.
    const StoppedRun cameras = Stop({"--cameras", "--chart", chart, "-r"}, {SIGINT}, "bad", STDERR_FILENO);
    EXPECT_TRUE(cameras.bySignal && cameras.signal == SIGINT);
    EXPECT_EQ("", cameras.out);
    const int read = ReadBeforeStop(cameras.err);
    EXPECT_GT(read, 0) << cameras.err.substr(cameras.err.size() - 200);
    EXPECT_LT(read, kFiles);
    EXPECT_EQ(earlier, cli_test::Output("cat " + Quote(chart)));

    const StoppedRun twice = Stop({"--json", "-r"}, {SIGTERM, SIGTERM});
    EXPECT_TRUE(twice.bySignal && twice.signal == SIGTERM);
    EXPECT_EQ("", twice.err) << "ended in the handler, before any message";
}

}  // namespace
