#include "file_list.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <utility>

#include "folder_reader.h"
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
    EntryKind kind = EntryKind::kFile;
    std::size_t problem = 0;  // for kUnknown: its reason's place in the problems, plus one
};

std::uint64_t Head(std::string_view key)
{
    std::uint64_t head = 0;
    for (std::size_t i = 0; i < 8; ++i)
        head = head << 8 | (i < key.size() ? static_cast<unsigned char>(key[i]) : 0u);
    return head;
}

// One folder's entries as the system hands them over, gathered for sorting.
// A folder's key ends in '/' on every system, so that the files of the
// whole tree come out in the byte order of their full paths written with
// '/', whatever the separator the paths are printed with.
struct GatheredEntries {
    void Add(std::string_view name, EntryKind kind, const std::string& problem)
    {
        ::Entry entry;
        entry.kind = kind;
        entry.at = names.size();
        names += name;
        if (kind == EntryKind::kFolder)
            names += '/';
        entry.length = names.size() - entry.at;
        entry.head = Head(std::string_view(names).substr(entry.at, entry.length));
        if (!problem.empty()) {
            problems.push_back(problem);
            entry.problem = problems.size();
        }
        entries.push_back(entry);
    }

    std::vector<::Entry> entries;
    std::string names;
    std::vector<std::string> problems;
};

class FolderWalk {
public:
    FolderWalk(std::vector<ListedPath>& out, const FolderListedHook& hook) : m_out(out), m_hook(hook) {}

    // Lists the camera files under the open `folder` at `path`, and
    // closes it.
    void Walk(const std::string& path, FolderHandle folder);

private:
    std::vector<ListedPath>& m_out;
    const FolderListedHook& m_hook;
    std::vector<FolderIdentity> m_open;  // the folders being walked, outermost first
};

void FolderWalk::Walk(const std::string& path, FolderHandle folder)
{
    // A folder mounted inside itself would be walked for ever: links to
    // folders are not followed, so only a mount can bring it back.
    FolderIdentity self;
    const bool known = IdentityOf(*folder, self);
    if (known) {
        if (std::find(m_open.begin(), m_open.end(), self) != m_open.end()) {
            m_out.push_back({path, "the folder is inside itself (a folder loop)"});
            return;
        }
        m_open.push_back(self);
    }

    GatheredEntries gathered;
    const std::string readProblem =
        ReadFolder(std::move(folder), [&gathered](std::string_view name, EntryKind kind, const std::string& problem) {
            gathered.Add(name, kind, problem);
        });

    // Names sorted with a '/' behind each folder's give the files of the
    // whole tree in the order of their full paths.
    const std::string_view keys = gathered.names;
    std::vector<Entry>& entries = gathered.entries;
    std::sort(entries.begin(), entries.end(), [keys](const Entry& a, const Entry& b) {
        if (a.head != b.head)
            return a.head < b.head;
        return keys.substr(a.at, a.length) < keys.substr(b.at, b.length);
    });
    if (!readProblem.empty())
        m_out.push_back({path, readProblem});
    if (m_hook)
        m_hook(path);

    for (const Entry& entry : entries) {
        std::string child =
            JoinPath(path, keys.substr(entry.at, entry.kind == EntryKind::kFolder ? entry.length - 1 : entry.length));
        switch (entry.kind) {
        case EntryKind::kFile:
            m_out.push_back({std::move(child), {}});
            break;
        case EntryKind::kNotRegular:
            m_out.push_back({child, NefProblemText(NefProblem::kNotAFile)});
            break;
        case EntryKind::kUnknown:
            m_out.push_back({child, gathered.problems[entry.problem - 1]});
            break;
        case EntryKind::kFolder: {
            FolderHandle inner;
            std::string problem;
            if (OpenFolder(child, false, inner, problem) == FolderOpen::kOpened)
                Walk(child, std::move(inner));
            else
                m_out.push_back({child, problem});
            break;
        }
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
        FolderHandle folder;
        std::string problem;
        switch (OpenFolder(argument, true, folder, problem)) {
        case FolderOpen::kOpened: walk.Walk(argument, std::move(folder)); break;
        case FolderOpen::kNotAFolder: out.push_back({argument, {}}); break;
        case FolderOpen::kFailed: out.push_back({argument, problem}); break;
        }
    }
    return out;
}
