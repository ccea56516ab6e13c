#include "chart_target.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <io.h>
#include <string_view>

#include "descriptors.h"
#include "file_list.h"
#include "windows_paths.h"

namespace {

// How far into a file the start of an SVG image is looked for: past an
// XML declaration, a doctype and a comment or two.
constexpr DWORD kSvgSniffBytes = 4096;

bool EndsWithIgnoringCase(std::string_view name, std::string_view lowerSuffix)
{
    return name.size() >= lowerSuffix.size() &&
           std::equal(lowerSuffix.begin(), lowerSuffix.end(), name.end() - lowerSuffix.size(),
                      [](char l, char c) { return std::tolower(static_cast<unsigned char>(c)) == l; });
}

bool IsNamedLikeACameraFile(const std::string& path)
{
    const std::size_t cut = path.find_last_of("\\/:");
    const std::string_view name = std::string_view(path).substr(cut == std::string::npos ? 0 : cut + 1);
    return IsCameraFileName(name) || EndsWithIgnoringCase(name, ".tif") || EndsWithIgnoringCase(name, ".tiff");
}

// A file's identity: its volume's serial number and its index there.
struct Identity {
    DWORD volume = 0, high = 0, low = 0;
    bool operator==(const Identity& other) const
    {
        return volume == other.volume && high == other.high && low == other.low;
    }
};

bool IdentityOfHandle(HANDLE handle, Identity& identity, BY_HANDLE_FILE_INFORMATION* info = nullptr)
{
    BY_HANDLE_FILE_INFORMATION got{};
    if (GetFileType(handle) != FILE_TYPE_DISK || !GetFileInformationByHandle(handle, &got))
        return false;
    identity = {got.dwVolumeSerialNumber, got.nFileIndexHigh, got.nFileIndexLow};
    if (info)
        *info = got;
    return true;
}

// The identity of what `path` names (a folder too), or false when nothing
// can be opened there.
bool IdentityOfPath(const std::string& path, Identity& identity, BY_HANDLE_FILE_INFORMATION* info = nullptr)
{
    if (WindowsNameProblem(path))
        return false;
    const HANDLE handle = CreateFileW(SystemPath(path).c_str(), FILE_READ_ATTRIBUTES,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                      FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    const bool known = IdentityOfHandle(handle, identity, info);
    CloseHandle(handle);
    return known;
}

// Whether the file at `path` begins like an SVG image. A file that cannot
// be opened is let be: writing the chart names the real cause.
bool HoldsAnSvgImage(const std::string& path)
{
    const HANDLE handle = CreateFileW(SystemPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                      nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return true;
    std::string start(kSvgSniffBytes, '\0');
    DWORD filled = 0;
    while (filled < kSvgSniffBytes) {
        DWORD got = 0;
        if (!ReadFile(handle, &start[filled], kSvgSniffBytes - filled, &got, nullptr) || got == 0)
            break;
        filled += got;
    }
    CloseHandle(handle);
    start.resize(filled);
    return start.find("<svg") != std::string::npos;
}

}  // namespace

std::string ChartTargetRefusal(const std::string& chart, const std::vector<std::string>& inputs)
{
    if (IsStandardOutput(chart))
        return "";
    if (IsNamedLikeACameraFile(chart))
        return "it is named like a camera file";
    Identity target;
    BY_HANDLE_FILE_INFORMATION info{};
    if (!IdentityOfPath(chart, target, &info))
        return "";  // nothing there yet, or a cause that writing will name
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return "";  // never written; writing names it as a folder
    for (const std::string& input : inputs) {
        Identity other;
        if (IdentityOfPath(input, other) && other == target)
            return "it is one of the files to read";
    }
    // An empty file holds nothing to lose (a name made ready beforehand).
    if ((info.nFileSizeHigh != 0 || info.nFileSizeLow != 0) && !HoldsAnSvgImage(chart))
        return "it is a file that is not an SVG image";
    return "";
}

// The file that standard output was redirected to; Windows has no name
// for standard output itself.
bool IsStandardOutput(const std::string& path)
{
    Identity named, output;
    return IdentityOfPath(path, named) &&
           IdentityOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(kStandardOutput)), output) && named == output;
}
