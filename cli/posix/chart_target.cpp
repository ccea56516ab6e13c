#include "chart_target.h"

#include <algorithm>
#include <cctype>
#include <fcntl.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

#include "file_list.h"

namespace {

// How far into a file the start of an SVG image is looked for: past an
// XML declaration, a doctype and a comment or two.
constexpr std::size_t kSvgSniffBytes = 4096;

bool EndsWithIgnoringCase(std::string_view name, std::string_view lowerSuffix)
{
    return name.size() >= lowerSuffix.size() &&
           std::equal(lowerSuffix.begin(), lowerSuffix.end(), name.end() - lowerSuffix.size(),
                      [](char l, char c) { return std::tolower(static_cast<unsigned char>(c)) == l; });
}

bool IsNamedLikeACameraFile(const std::string& path)
{
    const std::string_view name = std::string_view(path).substr(path.rfind('/') + 1);
    return IsCameraFileName(name) || EndsWithIgnoringCase(name, ".tif") || EndsWithIgnoringCase(name, ".tiff");
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// Whether the regular file at `path` begins like an SVG image. A file that
// cannot be opened is let be: writing the chart names the real cause.
bool HoldsAnSvgImage(const std::string& path)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return true;
    std::string start(kSvgSniffBytes, '\0');
    std::size_t filled = 0;
    while (filled < start.size()) {
        const ssize_t got = read(fd, &start[filled], start.size() - filled);
        if (got <= 0)
            break;
        filled += static_cast<std::size_t>(got);
    }
    close(fd);
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
    struct stat target;
    if (stat(chart.c_str(), &target) != 0)
        return "";  // nothing there yet, or a cause that writing will name
    if (S_ISDIR(target.st_mode))
        return "";  // never written; writing names it as a folder
    for (const std::string& input : inputs) {
        struct stat status;
        if (stat(input.c_str(), &status) == 0 && SameFile(status, target))
            return "it is one of the files to read";
    }
    // An empty file holds nothing to lose (a name made ready with touch).
    if (S_ISREG(target.st_mode) && target.st_size > 0 && !HoldsAnSvgImage(chart))
        return "it is a file that is not an SVG image";
    return "";
}

bool IsStandardOutput(const std::string& path)
{
    struct stat named, output;
    return stat(path.c_str(), &named) == 0 && fstat(STDOUT_FILENO, &output) == 0 && SameFile(named, output);
}
