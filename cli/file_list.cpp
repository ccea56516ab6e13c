#include "file_list.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "nef_outcome.h"

bool IsCameraFileName(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos)
        return false;
    // Compared in place: every entry of every folder walked comes here.
    const std::string_view extension = name.substr(dot + 1);
    const auto is = [extension](std::string_view lower) {
        return extension.size() == lower.size() &&
               std::equal(lower.begin(), lower.end(), extension.begin(),
                          [](char l, char c) { return std::tolower(static_cast<unsigned char>(c)) == l; });
    };
    return is("nef") || is("nrw") || is("jpg") || is("jpeg") || is("dng");
}

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

enum class Kind { kFile, kFolder, kNotRegular, kUnknown };

// A folder's entry, its name kept among the folder's names (one string for
// them all rather than one each).
struct Entry {
    std::size_t at = 0;      // where its key starts in the names
    std::size_t length = 0;  // the key: the name, with a '/' behind a folder's
    // The key's first 8 bytes as one number, the first the most significant
    // and zeros behind a shorter key: it orders keys as their bytes do, and
    // the names of a camera's files (DSC_0001.NEF, ...) differ within it,
    // so sorting them seldom compares the bytes themselves.
    std::uint64_t head = 0;
    Kind kind = Kind::kFile;
    int error = 0;           // for kUnknown: why its kind could not be learnt
};

std::uint64_t Head(std::string_view key)
{
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i)
        head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

// What an entry is, from the folder's own record where it gives the type
// (no look-up), or else from one look-up of the entry alone. Returns false
// for entries the walk leaves out: other names, and links to folders.
bool Classify(int folder, const dirent& e, Entry& entry)
{
    const bool camera = IsCameraFileName(e.d_name);
    unsigned char type = e.d_type;
    struct stat st {};
    if (type == DT_UNKNOWN) {
        if (fstatat(folder, e.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            entry.kind = Kind::kUnknown;
            entry.error = errno;
            return true;
        }
        type = S_ISDIR(st.st_mode) ? DT_DIR : S_ISLNK(st.st_mode) ? DT_LNK : S_ISREG(st.st_mode) ? DT_REG : DT_FIFO;
    }
    switch (type) {
    case DT_DIR:
        entry.kind = Kind::kFolder;
        return true;
    case DT_REG:
        entry.kind = Kind::kFile;
        return camera;
    case DT_LNK:
        // A link named like a camera file is read through, unless it leads
        // to a folder; a broken one is listed, and the reader says so.
        if (!camera || (fstatat(folder, e.d_name, &st, 0) == 0 && S_ISDIR(st.st_mode)))
            return false;
        entry.kind = Kind::kFile;
        return true;
    default:
        entry.kind = Kind::kNotRegular;
        return camera;
    }
}

class FolderWalk {
public:
    FolderWalk(std::vector<ListedPath>& out, const FolderListedHook& hook) : m_out(out), m_hook(hook) {}

    // Lists the camera files under the open folder `handle` at `path`,
    // and closes it.
    void Walk(const std::string& path, DIR* handle);

private:
    struct Identity {
        dev_t device;
        ino_t inode;
        bool operator==(const Identity& other) const { return device == other.device && inode == other.inode; }
    };

    std::vector<ListedPath>& m_out;
    const FolderListedHook& m_hook;
    std::vector<Identity> m_open;  // the folders being walked, outermost first
};

// A folder opened for reading its entries, or null with errno set. Inside
// a walk the last step of the path must not be a link (a folder swapped
// for one after its entry was read); an argument may be one. O_DIRECTORY
// refuses anything else before it is opened; O_NONBLOCK makes sure that no
// system opens a pipe first and waits.
DIR* OpenFolder(const std::string& path, bool followLink)
{
    const int descriptor =
        open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | O_NONBLOCK | (followLink ? 0 : O_NOFOLLOW));
    if (descriptor < 0)
        return nullptr;
    DIR* handle = fdopendir(descriptor);
    if (!handle) {
        const int error = errno;
        close(descriptor);
        errno = error;
    }
    return handle;
}

std::string Join(const std::string& folder, std::string_view name)
{
    std::string path;
    path.reserve(folder.size() + 1 + name.size());
    path += folder;
    if (folder.empty() || folder.back() != '/')
        path += '/';
    path += name;
    return path;
}

void FolderWalk::Walk(const std::string& path, DIR* handle)
{
    // A folder mounted inside itself would be walked for ever: links to
    // folders are not followed, so only a mount can bring it back.
    struct stat st {};
    const int descriptor = dirfd(handle);
    const bool known = fstat(descriptor, &st) == 0;
    if (known) {
        const Identity self{st.st_dev, st.st_ino};
        if (std::find(m_open.begin(), m_open.end(), self) != m_open.end()) {
            closedir(handle);
            m_out.push_back({path, "the folder is inside itself (a folder loop)"});
            return;
        }
        m_open.push_back(self);
    }

    std::vector<Entry> entries;
    std::string names;
    int readError = 0;
    for (;;) {
        errno = 0;
        const dirent* e = readdir(handle);
        if (!e) {
            readError = errno;
            break;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        Entry entry;
        if (Classify(descriptor, *e, entry)) {
            entry.at = names.size();
            names += e->d_name;
            if (entry.kind == Kind::kFolder)
                names += '/';
            entry.length = names.size() - entry.at;
            entry.head = Head(std::string_view(names).substr(entry.at, entry.length));
            entries.push_back(entry);
        }
    }
    closedir(handle);

    // Names sorted with a '/' behind each folder's give the files of the
    // whole tree in the order of their full paths.
    const std::string_view keys = names;
    std::sort(entries.begin(), entries.end(), [keys](const Entry& a, const Entry& b) {
        if (a.head != b.head)
            return a.head < b.head;
        return keys.substr(a.at, a.length) < keys.substr(b.at, b.length);
    });
    if (readError != 0)
        m_out.push_back({path, FolderProblem(readError)});
    if (m_hook)
        m_hook(path);

    for (const Entry& entry : entries) {
        std::string child =
            Join(path, keys.substr(entry.at, entry.kind == Kind::kFolder ? entry.length - 1 : entry.length));
        switch (entry.kind) {
        case Kind::kFile:
            m_out.push_back({std::move(child), {}});
            break;
        case Kind::kNotRegular:
            m_out.push_back({child, NefProblemText(NefProblem::kNotAFile)});
            break;
        case Kind::kUnknown:
            m_out.push_back({child, FolderProblem(entry.error)});
            break;
        case Kind::kFolder:
            if (DIR* inner = OpenFolder(child, false))
                Walk(child, inner);
            else
                m_out.push_back({child, FolderProblem(errno)});
            break;
        }
    }
    if (known)
        m_open.pop_back();
}

}  // namespace

std::vector<ListedPath> ListFiles(const std::vector<std::string>& arguments, bool recursive,
                                  const FolderListedHook& afterFolderListed)
{
    std::vector<ListedPath> out;
    FolderWalk walk(out, afterFolderListed);
    for (const std::string& argument : arguments) {
        // Without -r nothing is looked up here: the reader opens each path
        // once and says itself when it is a folder.
        if (!recursive) {
            out.push_back({argument, {}});
            continue;
        }
        if (DIR* handle = OpenFolder(argument, true)) {
            walk.Walk(argument, handle);
        } else if (errno == ENOTDIR || errno == ENOENT) {
            // A file, or nothing at all: the reader names what it finds.
            out.push_back({argument, {}});
        } else {
            out.push_back({argument, FolderProblem(errno)});
        }
    }
    return out;
}
