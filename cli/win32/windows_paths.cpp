#include "windows_paths.h"

#include <windows.h>

#include <cctype>
#include <string_view>

#include "wide_text.h"

namespace {

// The classic limit, less the 12 characters the system keeps for a file
// name inside a folder: a folder's path must leave room for its entries.
constexpr std::size_t kClassicLimit = MAX_PATH - 12;

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool Verbatim(const std::string& path) { return path.rfind("\\\\?\\", 0) == 0; }

// CON, PRN, AUX, NUL, COM0 to COM9 and LPT0 to LPT9 (and the same with
// the superscript digits ¹ ² ³), in any case, before any extension and
// blanks: what Windows opens as a device in any folder.
bool IsDeviceName(std::string_view step)
{
    std::string base(step.substr(0, step.find('.')));
    while (!base.empty() && base.back() == ' ')
        base.pop_back();
    for (char& c : base)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (base == "CON" || base == "PRN" || base == "AUX" || base == "NUL" || base == "CONIN$" || base == "CONOUT$")
        return true;
    const std::string_view name = base;
    if (name.size() < 4 || (name.substr(0, 3) != "COM" && name.substr(0, 3) != "LPT"))
        return false;
    const std::string_view digit = name.substr(3);
    return (digit.size() == 1 && digit[0] >= '0' && digit[0] <= '9') || digit == "\xC2\xB9" || digit == "\xC2\xB2" ||
           digit == "\xC2\xB3";
}

}  // namespace

std::wstring SystemPath(const std::string& path)
{
    std::wstring wide = WideFromWtf8(path);
    if (wide.size() < kClassicLimit || Verbatim(path))
        return wide;
    // The system makes the path absolute as it would have read it: the
    // current folder or drive before a relative one, '/' as '\', "." and
    // ".." steps resolved (the \\?\ form resolves none of them).
    const DWORD needed = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (needed == 0)
        return wide;
    std::wstring full(needed, L'\0');
    const DWORD length = GetFullPathNameW(wide.c_str(), needed, full.data(), nullptr);
    if (length == 0 || length >= needed)
        return wide;
    full.resize(length);
    if (full.rfind(L"\\\\?\\", 0) == 0 || full.rfind(L"\\\\.\\", 0) == 0)
        return full;
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    return L"\\\\?\\" + full;
}

const char* WindowsNameProblem(const std::string& path)
{
    if (Verbatim(path))
        return nullptr;
    // \\.\ names a device itself (a disk, a port), never a file.
    if (path.size() >= 4 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] == '.' && IsSeparator(path[3]))
        return "a device name that Windows keeps for itself";
    std::size_t start = 0;
    // A drive's letter is no step of its own.
    if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0])))
        start = 2;
    std::string_view last;
    for (std::size_t i = start; i <= path.size(); ++i) {
        if (i < path.size() && !IsSeparator(path[i]))
            continue;
        const std::string_view step = std::string_view(path).substr(start, i - start);
        start = i + 1;
        if (step.empty() || step == "." || step == "..")
            continue;
        if (step.back() == '.' || step.back() == ' ')
            return "the name ends in a dot or a space, which Windows leaves out";
        last = step;
    }
    if (!last.empty() && IsDeviceName(last))
        return "a device name that Windows keeps for itself";
    return nullptr;
}
