// Windows' error codes in the words tessmar uses on every system.
#pragma once

#include <string>

// The errno value nearest to a Windows error code, for the messages that
// name a system error as the C library spells it ("No space left on
// device", "Broken pipe").
int ErrnoFromWindows(unsigned long error);

// Why a file could not be opened, where Windows has a cause of its own
// that the reader's reasons do not cover (a network drive that cannot be
// reached, a name Windows does not allow), or "" when it has none.
std::string WindowsCause(unsigned long error);

// Why a folder could not be read, as the walk names it.
std::string WindowsFolderProblem(unsigned long error);
