// Windows' error codes in the words tessmar uses on every system.
#pragma once

#include <string>

// The errno value nearest to a Windows error code, for the messages that
// name a system error as the C library spells it ("No space left on
// device", "Broken pipe").
int ErrnoFromWindows(unsigned long error);

// Why a file could not be opened, for the causes beyond a missing file, a
// denied access and the like (a share that cannot be reached, a name
// Windows does not allow, a loop of links), or "" when it has none.
std::string WindowsCause(unsigned long error);

// Why a folder could not be read, as the walk names it.
std::string WindowsFolderProblem(unsigned long error);
