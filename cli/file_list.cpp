#include "file_list.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

bool IsFolder(const std::string& path)
{
    std::error_code error;
    return fs::is_directory(path, error);
}

bool IsCameraFileName(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    std::string extension = name.substr(dot + 1);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "nef" || extension == "nrw" || extension == "jpg" || extension == "jpeg" ||
           extension == "dng";
}

namespace {

void AddFolder(const std::string& folder, std::vector<ListedPath>& out)
{
    std::vector<std::string> found;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied, error);
    if (error) {
        out.push_back({folder, "cannot read the folder"});
        return;
    }
    for (const fs::recursive_directory_iterator end; it != end; it.increment(error)) {
        if (error) {
            out.push_back({folder, "cannot read the whole folder"});
            break;
        }
        std::error_code ignored;
        if (it->is_regular_file(ignored) && IsCameraFileName(it->path().filename().string()))
            found.push_back(it->path().string());
    }
    std::sort(found.begin(), found.end());
    for (std::string& path : found)
        out.push_back({std::move(path), {}});
}

}  // namespace

std::vector<ListedPath> ListFiles(const std::vector<std::string>& arguments, bool recursive)
{
    std::vector<ListedPath> out;
    for (const std::string& argument : arguments) {
        // Without -r nothing is looked up here: the reader refuses a folder
        // itself, and one lookup less per file counts in large batches.
        std::error_code error;
        if (recursive && fs::is_directory(argument, error))
            AddFolder(argument, out);
        else
            out.push_back({argument, {}});
    }
    return out;
}
