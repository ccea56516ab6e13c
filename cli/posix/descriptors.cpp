#include "descriptors.h"

#include <cerrno>
#include <climits>
#include <initializer_list>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

int DescriptorError(int descriptor) { return fcntl(descriptor, F_GETFD) < 0 ? errno : 0; }

int CloseDescriptor(int descriptor)
{
    // On Linux the descriptor is gone even when close reports EINTR, so
    // only other errors count.
    if (close(descriptor) != 0 && errno != EINTR)
        return errno;
    return 0;
}

bool IsTerminal(int descriptor) { return isatty(descriptor) != 0; }

void FillClosedStandardDescriptors()
{
    for (int wanted : {STDIN_FILENO, STDOUT_FILENO, STDERR_FILENO}) {
        if (fcntl(wanted, F_GETFD) >= 0)
            continue;
        const int opened = open("/dev/null", wanted == STDIN_FILENO ? O_RDONLY : O_WRONLY);
        if (opened >= 0 && opened != wanted)
            close(opened);  // a lower number was free after all: leave it be
    }
}

std::size_t FreeDescriptors(std::size_t wanted)
{
    rlimit limit{};
    // Without a known limit, the numbers any system grants.
    rlim_t below = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? limit.rlim_cur : 256;
    if (below == RLIM_INFINITY || below > INT_MAX)
        below = INT_MAX;
    // Open descriptors are few: the scan ends after them and `wanted`
    // free numbers.
    std::size_t free = 0;
    for (rlim_t fd = 0; fd < below && free < wanted; ++fd) {
        if (fcntl(static_cast<int>(fd), F_GETFD) < 0 && errno == EBADF)
            ++free;
    }
    return free;
}
