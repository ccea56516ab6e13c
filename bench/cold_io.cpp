// The benchmark's cold-storage helper: evicts files' pages from the page
// cache and proves it, and measures what the device itself costs for the
// part of each file a metadata reader needs.
//
//   cold_io evict LIST            every file's cached pages dropped, then counted
//   cold_io resident LIST         pages of the files still cached (mincore)
//   cold_io floor LIST THREADS    the first 4 KiB of every file, THREADS at a time
//
// LIST is a file of paths, one a line. `evict` and `resident` print
// "FILES PAGES RESIDENT"; `floor` prints the files read and the bytes they
// gave, and fails if any read failed.
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

constexpr std::size_t kHeadBytes = 4096;

std::vector<std::string> ReadList(const char* path)
{
    std::vector<std::string> paths;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);)
        if (!line.empty())
            paths.push_back(line);
    return paths;
}

// Pages of the file in the page cache, and its pages in all.
bool CountResident(const std::string& path, std::size_t& pages, std::size_t& resident)
{
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st {};
    bool ok = fstat(fd, &st) == 0;
    const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t size = ok ? static_cast<std::size_t>(st.st_size) : 0;
    if (ok && size > 0) {
        // Mapping touches no page; mincore only reports what is cached.
        void* map = mmap(nullptr, size, PROT_READ, MAP_SHARED, fd, 0);
        ok = map != MAP_FAILED;
        if (ok) {
            std::vector<unsigned char> flags((size + page - 1) / page);
            ok = mincore(map, size, flags.data()) == 0;
            pages += flags.size();
            resident += static_cast<std::size_t>(std::count_if(flags.begin(), flags.end(),
                                                               [](unsigned char f) { return (f & 1) != 0; }));
            munmap(map, size);
        }
    }
    close(fd);
    return ok;
}

int Resident(const std::vector<std::string>& paths)
{
    std::size_t pages = 0, resident = 0;
    for (const std::string& path : paths) {
        if (!CountResident(path, pages, resident)) {
            std::fprintf(stderr, "cold_io: cannot inspect %s: %s\n", path.c_str(), std::strerror(errno));
            return 1;
        }
    }
    std::printf("%zu %zu %zu\n", paths.size(), pages, resident);
    return 0;
}

int Evict(const std::vector<std::string>& paths)
{
    for (const std::string& path : paths) {
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
        // Dirty pages are not dropped, only queued for writing: written
        // files are flushed first.
        if (fd < 0 || fdatasync(fd) != 0 || posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED) != 0) {
            std::fprintf(stderr, "cold_io: cannot evict %s: %s\n", path.c_str(), std::strerror(errno));
            if (fd >= 0)
                close(fd);
            return 1;
        }
        close(fd);
    }
    return Resident(paths);
}

// Each thread takes the next file, opens it, reads its first 4 KiB and
// closes it: what any reader of these files must at least do, with
// THREADS requests at the device at once.
int Floor(const std::vector<std::string>& paths, int threads)
{
    std::atomic<std::size_t> next{0}, failed{0}, bytes{0};
    auto work = [&] {
        char buffer[kHeadBytes];
        for (std::size_t i; (i = next.fetch_add(1)) < paths.size();) {
            const int fd = open(paths[i].c_str(), O_RDONLY | O_CLOEXEC);
            const ssize_t n = fd >= 0 ? pread(fd, buffer, sizeof buffer, 0) : -1;
            if (n < 0)
                failed.fetch_add(1);
            else
                bytes.fetch_add(static_cast<std::size_t>(n));
            if (fd >= 0)
                close(fd);
        }
    };
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(work);
    work();
    for (std::thread& t : pool)
        t.join();
    std::printf("%zu %zu\n", paths.size(), bytes.load());
    return failed.load() == 0 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 2 ? argv[1] : "";
    if ((command == "evict" || command == "resident") && argc == 3) {
        const auto paths = ReadList(argv[2]);
        return command == "evict" ? Evict(paths) : Resident(paths);
    }
    if (command == "floor" && argc == 4) {
        const int threads = std::atoi(argv[3]);
        if (threads >= 1 && threads <= 1024)
            return Floor(ReadList(argv[2]), threads);
    }
    std::fputs("usage: cold_io evict LIST | resident LIST | floor LIST THREADS\n", stderr);
    return 2;
}
