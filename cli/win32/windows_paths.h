// Paths as Windows opens them: wide, in the \\?\ form when long, and
// checked first for names that Windows would take for something else.
#pragma once

#include <string>

// `path` (UTF-8 / WTF-8) as the wide path to hand to the system. A path
// too long for the system's classic limit (MAX_PATH, 260 characters) is
// made absolute and given the \\?\ prefix (\\?\UNC\ for a share), which
// the system takes at any length; a shorter one is left as it is, so
// that the system reads it as ever.
std::wstring SystemPath(const std::string& path);

// Why Windows would not open the name `path` means, or null: a last step
// that is a device name (NUL, CON, COM1.nef: the system opens the device
// instead, whatever the extension), or a step ending in a dot or a space
// (the system drops them and opens another file). A path already in the
// \\?\ form is taken exactly as written.
const char* WindowsNameProblem(const std::string& path);
