// Turning the command line's paths into the list of files to read: files
// as given, and with -r every camera file under a folder, in a stable order.
// Every folder is either read whole or listed with the reason it was not,
// so nothing is left out without a word.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct ListedPath {
    std::string path;
    std::string problem;  // empty, or why the path (a file or a folder) is not read
};

// True for names ending in .nef, .nrw, .jpg, .jpeg or .dng, in any case.
bool IsCameraFileName(std::string_view name);

// Runs after a folder's entries have all been read and the folder closed,
// before any folder inside it is opened: a test's way in between two
// folder reads.
using FolderListedHook = std::function<void(const std::string& folder)>;

// Each argument in order. Without `recursive` every argument is listed as
// it is, and the reader names what is not a file. With it, a folder is
// walked: its camera files sorted by path, symbolic links to folders not
// followed, each folder open only while its entries are read (so depth
// costs no descriptors). A folder that cannot be read, wholly or in part,
// is listed with its reason at the place its files would take, and the
// walk goes on with the rest. Pipes and devices named like camera files are
// listed as not regular files, without being opened.
std::vector<ListedPath> ListFiles(const std::vector<std::string>& arguments, bool recursive,
                                  const FolderListedHook& afterFolderListed = {});
