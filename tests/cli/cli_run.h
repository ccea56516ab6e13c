// Running the built tessmar as scripts and terminals do: through a shell
// (so that tests can redirect, close and limit what it gets), or with its
// standard output and error on descriptors a test made itself.
#pragma once

#include <string>
#include <vector>

#include "nef_builder.h"

namespace cli_test {

struct CliRun {
    int status;  // the exit status, or -1 when it did not exit normally
    std::string out;
    std::string err;
};

// `s` quoted for the shell, whatever bytes it holds.
std::string Quote(const std::string& s);

// Bytes as lower-case hex, as Python's bytes.hex() writes them.
std::string Hex(const std::string& bytes);

// What a shell command writes to standard output; `ok` is set to whether
// it exited with status 0.
std::string Output(const std::string& command, bool* ok = nullptr);

// tessmar with `args`: standard error to a file in `dir`, standard output
// read back, through `pipeTo` when given. `redirect` is shell text placed
// after the arguments (">/dev/full", ">&-"); `prefix` stands before the
// command ("exec", "ulimit -n 6; exec", AsNobody()).
CliRun Tessmar(const nef_test::TempDir& dir, const std::vector<std::string>& args, const std::string& pipeTo = "",
               const std::string& redirect = "", const std::string& prefix = "exec");

// tessmar with `args` on a standard output and error of the caller's own
// (-1: a file whose text comes back in `out` or `err`), SIGPIPE ignored
// when `ignorePipeSignal`. Waits at most `seconds`, then kills it.
CliRun Spawn(const std::vector<std::string>& args, int outFd, int errFd, bool ignorePipeSignal = false,
             int seconds = 60);

// A prefix for Tessmar() that runs it as an unprivileged user, or "" when
// this machine cannot: as root that takes setpriv; any other user is
// unprivileged already.
std::string AsNobody();

}  // namespace cli_test
