#include "cli_run.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace cli_test {

namespace {

std::string ReadWhole(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

std::string Quote(const std::string& s)
{
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Hex(const std::string& bytes)
{
    std::string hex;
    char two[3];
    for (unsigned char c : bytes) {
        std::snprintf(two, sizeof two, "%02x", c);
        hex += two;
    }
    return hex;
}

std::string Output(const std::string& command, bool* ok)
{
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (p) {
        char buffer[65536];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
    }
    const int raw = p ? pclose(p) : -1;
    if (ok)
        *ok = raw == 0;
    return out;
}

CliRun Tessmar(const nef_test::TempDir& dir, const std::vector<std::string>& args, const std::string& pipeTo,
               const std::string& redirect, const std::string& prefix)
{
    // The redirections are made first, for the whole shell: a shell short
    // of descriptors (ulimit -n) cannot make them for one command.
    const std::string errPath = dir.Path() + "/stderr.txt";
    std::string command = "exec 2>" + Quote(errPath) + " " + redirect + "; " + prefix + " " + TESSMAR_CLI;
    for (const std::string& a : args)
        command += " " + Quote(a);
    if (!pipeTo.empty())
        command = "(" + command + ") | " + pipeTo;
    CliRun run{-1, {}, {}};
    if (std::FILE* p = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0)
            run.out.append(buffer, n);
        const int raw = pclose(p);
        run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    run.err = ReadWhole(errPath);
    return run;
}

CliRun Spawn(const std::vector<std::string>& args, int outFd, int errFd, bool ignorePipeSignal, int seconds)
{
    CliRun run{-1, {}, {}};
    nef_test::TempDir scratch;
    const std::string outPath = scratch.Path() + "/out", errPath = scratch.Path() + "/err";
    const int ownOut = outFd < 0 ? open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
    const int ownErr = errFd < 0 ? open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600) : -1;
    if (outFd < 0)
        outFd = ownOut;
    if (errFd < 0)
        errFd = ownErr;

    std::vector<std::string> argv{TESSMAR_CLI};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv)
        pointers.push_back(a.data());
    pointers.push_back(nullptr);

    const pid_t child = fork();
    if (child == 0) {
        // An ignored signal stays ignored across exec: that is the case
        // under test, as a shell's "trap '' PIPE" makes it.
        if (ignorePipeSignal)
            std::signal(SIGPIPE, SIG_IGN);
        if (dup2(outFd, STDOUT_FILENO) < 0 || dup2(errFd, STDERR_FILENO) < 0)
            _exit(126);
        execv(pointers[0], pointers.data());
        _exit(127);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    int raw = 0;
    pid_t done = 0;
    while (child > 0 && (done = waitpid(child, &raw, WNOHANG)) == 0 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    if (child > 0 && done == 0) {
        kill(child, SIGKILL);
        waitpid(child, &raw, 0);
    }
    run.status = done > 0 && WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    for (int own : {ownOut, ownErr})
        if (own >= 0)
            close(own);
    run.out = ReadWhole(outPath);
    run.err = ReadWhole(errPath);
    return run;
}

std::string AsNobody()
{
    if (geteuid() != 0)
        return "exec";
    static const bool works = std::system("setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null") == 0;
    return works ? "exec setpriv --reuid=65534 --regid=65534 --clear-groups" : "";
}

}  // namespace cli_test
