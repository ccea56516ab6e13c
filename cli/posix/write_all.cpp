#include "write_all.h"

#include <cerrno>
#include <unistd.h>

int WriteAll(int descriptor, const char* data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(descriptor, data, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return errno;
        if (n == 0)
            return EIO;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return 0;
}
