#include "chart_file.h"

#include <windows.h>

#include <cerrno>

#include "wide_text.h"
#include "windows_errors.h"
#include "windows_paths.h"

namespace {

// Longest name part kept in the temporary file's name: with what is added
// it still fits a file system's 255 characters.
constexpr std::size_t kMaxBaseInTemporary = 200;

// What stands at the path: a file to replace, a device (NUL, CON) or a
// link to write through, or nothing yet.
enum class Target { kNone, kRegular, kWriteThrough };

int LastErrno() { return ErrnoFromWindows(GetLastError()); }

// Refuses what writing would be refused, or would replace against the
// owner's wish: a folder, and a read-only file.
int Examine(const std::string& path, const std::wstring& system, Target& target)
{
    target = Target::kNone;
    if (WindowsNameProblem(path)) {
        target = Target::kWriteThrough;  // a device takes what it is given, or says it cannot
        return 0;
    }
    const DWORD attributes = GetFileAttributesW(system.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return 0;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return EISDIR;
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return EACCES;
    target = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ? Target::kWriteThrough : Target::kRegular;
    return 0;
}

int WriteHandle(HANDLE handle, const std::string& content)
{
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const DWORD chunk = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!WriteFile(handle, data, chunk, &written, nullptr))
            return LastErrno();
        if (written == 0)
            return EIO;
        data += written;
        left -= written;
    }
    return 0;
}

// A new file in the path's folder, named after it, created here and now so
// that no other file is taken over.
HANDLE CreateTemporary(const std::string& path, std::wstring& temporary, DWORD flags)
{
    const std::size_t cut = path.find_last_of("\\/:");
    const std::string folder = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    const std::string base = path.substr(folder.size()).substr(0, kMaxBaseInTemporary);
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary = SystemPath(folder + "." + base + "." + std::to_string(GetCurrentProcessId()) + "-" +
                               std::to_string(attempt) + ".tmp");
        const HANDLE handle =
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
        if (handle != INVALID_HANDLE_VALUE || GetLastError() != ERROR_FILE_EXISTS)
            return handle;
    }
    return INVALID_HANDLE_VALUE;
}

int WriteThrough(const std::wstring& system, const std::string& content)
{
    const HANDLE handle = CreateFileW(system.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    int error = 0;
    if (GetFileType(handle) == FILE_TYPE_DISK && (!SetFilePointerEx(handle, {}, nullptr, FILE_BEGIN) || !SetEndOfFile(handle)))
        error = LastErrno();
    if (error == 0)
        error = WriteHandle(handle, content);
    if (!CloseHandle(handle) && error == 0)
        error = LastErrno();
    return error;
}

}  // namespace

int CheckChartFile(const std::string& path)
{
    const std::wstring system = SystemPath(path);
    Target target;
    if (const int refusal = Examine(path, system, target))
        return refusal;
    if (target == Target::kWriteThrough)
        return 0;  // a device tells only when it is written
    std::wstring temporary;
    const HANDLE handle = CreateTemporary(path, temporary, FILE_FLAG_DELETE_ON_CLOSE);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    CloseHandle(handle);
    return 0;
}

int WriteChartFile(const std::string& path, const std::string& content)
{
    const std::wstring system = SystemPath(path);
    Target target;
    if (const int refusal = Examine(path, system, target))
        return refusal;
    if (target == Target::kWriteThrough)
        return WriteThrough(system, content);

    std::wstring temporary;
    const HANDLE handle = CreateTemporary(path, temporary, 0);
    if (handle == INVALID_HANDLE_VALUE)
        return LastErrno();
    int error = WriteHandle(handle, content);
    // On disk before the rename, or a crash could leave the name empty.
    if (error == 0 && !FlushFileBuffers(handle))
        error = LastErrno();
    if (!CloseHandle(handle) && error == 0)
        error = LastErrno();
    if (error == 0 && !MoveFileExW(temporary.c_str(), system.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = LastErrno();
    if (error != 0)
        DeleteFileW(temporary.c_str());
    return error;
}
