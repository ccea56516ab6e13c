#include "chart_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "write_all.h"

namespace {

// Longest name part kept in the temporary file's name: with what is added
// it still fits NAME_MAX (255).
constexpr std::size_t kMaxBaseInTemporary = 200;

// What stands at `path`: a regular file (whose mode a replacement keeps),
// something to be written through, or nothing yet.
enum class Target { kNone, kRegular, kWriteThrough };

Target TargetAt(const std::string& path, mode_t* mode)
{
    struct stat status;
    if (lstat(path.c_str(), &status) != 0)
        return Target::kNone;
    *mode = status.st_mode & 07777;
    return S_ISREG(status.st_mode) ? Target::kRegular : Target::kWriteThrough;
}

// A new file in `path`'s folder, named after it, created here and now (so
// that no other file is taken over), readable as a file made by open() with
// the usual mode under the umask is.
int CreateTemporary(const std::string& path, std::string* temporary)
{
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string base = path.substr(folder.size()).substr(0, kMaxBaseInTemporary);
    for (int attempt = 0; attempt < 100; ++attempt) {
        *temporary = folder + "." + base + "." + std::to_string(getpid()) + "-" + std::to_string(attempt) + ".tmp";
        const int fd = open(temporary->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Refuses what writing would be refused, or would replace against the
// owner's wish: a folder, and a regular file that may not be written.
int Refusal(const std::string& path, Target target)
{
    struct stat status;
    if (stat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode))
        return EISDIR;
    if (target == Target::kRegular && access(path.c_str(), W_OK) != 0)
        return errno;
    return 0;
}

int WriteThrough(const std::string& path, const std::string& content)
{
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, content.data(), content.size());
    if (close(fd) != 0 && error == 0)
        error = errno;
    return error;
}

}  // namespace

int CheckChartFile(const std::string& path)
{
    mode_t mode = 0;
    const Target target = TargetAt(path, &mode);
    if (const int refusal = Refusal(path, target))
        return refusal;
    if (target == Target::kWriteThrough)
        return 0;  // a device or a pipe tells only when it is written
    std::string temporary;
    const int fd = CreateTemporary(path, &temporary);
    if (fd < 0)
        return errno;
    close(fd);
    unlink(temporary.c_str());
    return 0;
}

int WriteChartFile(const std::string& path, const std::string& content)
{
    mode_t mode = 0;
    const Target target = TargetAt(path, &mode);
    if (const int refusal = Refusal(path, target))
        return refusal;
    if (target == Target::kWriteThrough)
        return WriteThrough(path, content);

    std::string temporary;
    const int fd = CreateTemporary(path, &temporary);
    if (fd < 0)
        return errno;
    int error = WriteAll(fd, content.data(), content.size());
    if (error == 0 && target == Target::kRegular && fchmod(fd, mode) != 0)
        error = errno;
    // On disk before the rename, or a crash could leave the name empty.
    if (error == 0 && fsync(fd) != 0)
        error = errno;
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0)
        unlink(temporary.c_str());
    return error;
}
