// Reading one folder's entries for the walk, where systems differ: how a
// folder is opened and listed, what an entry is (file, folder, link,
// device), how a folder is told apart from every other, how paths are
// joined, and the words for why a folder could not be read. The walk
// itself (order, loops, what is listed) is the same everywhere.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

enum class EntryKind {
    kFile,        // a regular file named like a camera file, or a link to one
    kFolder,      // a folder itself, never a link to one
    kNotRegular,  // a device, pipe or socket named like a camera file
    kUnknown,     // its kind could not be learnt; the problem says why
};

// What tells a folder from every other while the walk runs: a folder met
// again inside itself (through a mount) is not walked twice.
struct FolderIdentity {
    std::uint64_t volume = 0;
    std::uint64_t file = 0;
    bool operator==(const FolderIdentity& other) const { return volume == other.volume && file == other.file; }
};

// Called for each entry the walk takes: camera files, folders, and what
// could not be told; other names and links to folders are left out.
using FolderEntries = std::function<void(std::string_view name, EntryKind kind, const std::string& problem)>;

class OpenedFolder;
// Closes the folder it holds when it goes.
struct CloseFolder {
    void operator()(OpenedFolder* folder) const;
};
using FolderHandle = std::unique_ptr<OpenedFolder, CloseFolder>;

enum class FolderOpen { kOpened, kNotAFolder, kFailed };

// Opens `path` as a folder. An argument may be a link to a folder
// (`followLink`); inside a walk the last step must not be one (a folder
// swapped for a link after its entry was read). kNotAFolder: a file, or
// nothing at all, which the reader then names; kFailed: `problem` says why.
FolderOpen OpenFolder(const std::string& path, bool followLink, FolderHandle& folder,
                      std::string& problem);

// Hands each entry of the folder to `entries` and closes it: "" when every
// entry was read, else why the listing stopped partway.
std::string ReadFolder(FolderHandle folder, const FolderEntries& entries);

// The folder's identity; false when the system would not tell it.
bool IdentityOf(const OpenedFolder& folder, FolderIdentity& identity);

// `name` inside `folder`, with the system's separator between them.
std::string JoinPath(const std::string& folder, std::string_view name);

