#include "folder_reader.h"

#include <windows.h>

#include "file_list.h"
#include "wide_text.h"
#include "windows_errors.h"
#include "windows_paths.h"

// A folder held open while its entries are read: its handle keeps it from
// being removed or renamed meanwhile and tells its identity.
class OpenedFolder {
public:
    OpenedFolder(HANDLE handle, std::wstring path) : m_handle(handle), m_path(std::move(path)) {}
    ~OpenedFolder() { CloseHandle(m_handle); }
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;
    HANDLE Handle() const { return m_handle; }
    const std::wstring& Path() const { return m_path; }

private:
    HANDLE m_handle;
    std::wstring m_path;
};

void CloseFolder::operator()(OpenedFolder* folder) const { delete folder; }

namespace {

// A symbolic link or a junction, as opposed to reparse points that only
// say where a file's data lives (a cloud placeholder, deduplicated data).
bool IsLink(DWORD tag) { return tag == IO_REPARSE_TAG_SYMLINK || tag == IO_REPARSE_TAG_MOUNT_POINT; }

bool HandleIsLink(HANDLE handle)
{
    FILE_ATTRIBUTE_TAG_INFO tag{};
    if (!GetFileInformationByHandleEx(handle, FileAttributeTagInfo, &tag, sizeof tag))
        return true;  // untold: not walked into, to be safe from loops
    return (tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLink(tag.ReparseTag);
}

}  // namespace

FolderOpen OpenFolder(const std::string& path, bool followLink, FolderHandle& folder, std::string& problem)
{
    if (const char* nameProblem = WindowsNameProblem(path)) {
        problem = nameProblem;
        return FolderOpen::kFailed;
    }
    std::wstring system = SystemPath(path);
    // Backup semantics: the only way to open a folder as such. Inside a
    // walk the folder's own entry is opened, never what a link names.
    const HANDLE handle =
        CreateFileW(system.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        // An argument that is nothing at all: the reader names it.
        if (followLink && (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND))
            return FolderOpen::kNotAFolder;
        problem = WindowsFolderProblem(error);
        return FolderOpen::kFailed;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(handle, &info)) {
        problem = WindowsFolderProblem(GetLastError());
        CloseHandle(handle);
        return FolderOpen::kFailed;
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        CloseHandle(handle);
        if (followLink)
            return FolderOpen::kNotAFolder;  // a file: the reader reads it
        problem = WindowsFolderProblem(ERROR_DIRECTORY);
        return FolderOpen::kFailed;
    }
    if (!followLink && HandleIsLink(handle)) {
        CloseHandle(handle);
        problem = "the folder became a link while it was walked";
        return FolderOpen::kFailed;
    }
    folder.reset(new OpenedFolder(handle, std::move(system)));
    return FolderOpen::kOpened;
}

bool IdentityOf(const OpenedFolder& folder, FolderIdentity& identity)
{
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(folder.Handle(), &info))
        return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.file = static_cast<std::uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return true;
}

std::string ReadFolder(FolderHandle folder, const FolderEntries& entries)
{
    std::wstring pattern = folder->Path();
    if (!pattern.empty() && pattern.back() != L'\\' && pattern.back() != L'/' && pattern.back() != L':')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW data{};
    const HANDLE find =
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &data, FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_NO_MORE_FILES ? std::string() : WindowsFolderProblem(error);
    }
    std::string problem;
    std::string name;
    for (;;) {
        const std::wstring_view wide = data.cFileName;
        if (wide != L"." && wide != L"..") {
            name = Wtf8FromWide(wide);
            const bool camera = IsCameraFileName(name);
            const bool directory = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 && IsLink(data.dwReserved0);
            // A link to a folder (a junction too) is left out; a link named
            // like a camera file is read through.
            if (directory && !link)
                entries(name, EntryKind::kFolder, {});
            else if (!directory && camera)
                entries(name, EntryKind::kFile, {});
        }
        if (!FindNextFileW(find, &data)) {
            const DWORD error = GetLastError();
            if (error != ERROR_NO_MORE_FILES)
                problem = WindowsFolderProblem(error);
            break;
        }
    }
    FindClose(find);
    return problem;
}

std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (!folder.empty() && folder.back() != '\\' && folder.back() != '/' && !(folder.size() == 2 && folder[1] == ':'))
        path += '\\';
    path += name;
    return path;
}
