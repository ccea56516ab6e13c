#include "folder_reader.h"

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "file_list.h"
#include "nef_outcome.h"

class OpenedFolder {
public:
    explicit OpenedFolder(DIR* handle) : m_handle(handle) {}
    ~OpenedFolder() { closedir(m_handle); }
    OpenedFolder(const OpenedFolder&) = delete;
    OpenedFolder& operator=(const OpenedFolder&) = delete;
    DIR* Handle() const { return m_handle; }

private:
    DIR* m_handle;
};

void CloseFolder::operator()(OpenedFolder* folder) const { delete folder; }

namespace {

// Why a folder could not be read, in the words the reader uses for files.
std::string FolderProblem(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return "permission denied";
    case ENOENT:
    case ENOTDIR: return "no such folder";
    case ENAMETOOLONG: return "the path is too long";
    case EMFILE:
    case ENFILE: return "too many files are open";
    case ELOOP: return NefProblemText(NefProblem::kLinkLoop);
    case ESTALE:
    case ETIMEDOUT:
    case EHOSTDOWN:
    case EHOSTUNREACH:
    case ENOTCONN: return NefProblemText(NefProblem::kNetworkUnavailable);
    default: return std::string("cannot read the folder: ") + std::strerror(error);
    }
}

// What an entry is, from the folder's own record where it gives the type
// (no look-up), or else from one look-up of the entry alone. Returns false
// for entries the walk leaves out: other names, and links to folders.
bool Classify(int folder, const dirent& e, EntryKind& kind, int& error)
{
    const bool camera = IsCameraFileName(e.d_name);
    unsigned char type = e.d_type;
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (fstatat(folder, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            kind = EntryKind::kUnknown;
            error = errno;
            return true;
        }
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
    }
    switch (type) {
    case DT_DIR:
        kind = EntryKind::kFolder;
        return true;
    case DT_REG:
        kind = EntryKind::kFile;
        return camera;
    case DT_LNK:
        // A link named like a camera file is read through, unless it leads
        // to a folder; a broken one is listed, and the reader says so.
        if (!camera || (fstatat(folder, e.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)))
            return false;
        kind = EntryKind::kFile;
        return true;
    default:
        kind = EntryKind::kNotRegular;
        return camera;
    }
}

}  // namespace

// O_DIRECTORY refuses anything but a folder before it is opened;
// O_NONBLOCK makes sure that no system opens a pipe first and waits.
FolderOpen OpenFolder(const std::string& path, bool followLink, FolderHandle& folder, std::string& problem)
{
    const int descriptor =
        open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    DIR* handle = descriptor >= 0 ? fdopendir(descriptor) : nullptr;
    if (!handle) {
        const int error = errno;
        if (descriptor >= 0)
            close(descriptor);
        // An argument that is a file, or nothing at all: the reader names
        // what it finds.
        if (followLink && (error == ENOTDIR || error == ENOENT))
            return FolderOpen::kNotAFolder;
        problem = FolderProblem(error);
        return FolderOpen::kFailed;
    }
    folder.reset(new OpenedFolder(handle));
    return FolderOpen::kOpened;
}

bool IdentityOf(const OpenedFolder& folder, FolderIdentity& identity)
{
    struct stat st {};
    if (fstat(dirfd(folder.Handle()), &st) != 0)
        return false;
    identity.volume = static_cast<std::uint64_t>(st.st_dev);
    identity.file = static_cast<std::uint64_t>(st.st_ino);
    return true;
}

std::string ReadFolder(FolderHandle folder, const FolderEntries& entries)
{
    DIR* handle = folder->Handle();
    const int descriptor = dirfd(handle);
    for (;;) {
        errno = 0;
        const dirent* e = readdir(handle);
        if (!e)
            return errno != 0 ? FolderProblem(errno) : std::string();
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        EntryKind kind = EntryKind::kFile;
        int error = 0;
        if (Classify(descriptor, *e, kind, error))
            entries(e->d_name, kind, kind == EntryKind::kUnknown ? FolderProblem(error) : std::string());
    }
}

std::string JoinPath(const std::string& folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (folder.empty() || folder.back() != '/')
        path += '/';
    path += name;
    return path;
}
