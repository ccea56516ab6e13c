// Turning the command line's paths into the list of files to read: files
// as given, and with -r every camera file under a folder, in a stable order.
#pragma once

#include <string>
#include <vector>

struct ListedPath {
    std::string path;
    std::string problem;  // empty, or why the path is not read
};

// True for names ending in .nef, .nrw, .jpg, .jpeg or .dng, in any case.
bool IsCameraFileName(const std::string& name);

bool IsFolder(const std::string& path);

// Each argument in order. A folder is walked when `recursive` is set: its
// camera files sorted by path, symbolic links to folders not followed (so
// no walk can loop). Without `recursive` a folder is listed as it is.
std::vector<ListedPath> ListFiles(const std::vector<std::string>& arguments, bool recursive);
