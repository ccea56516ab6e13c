// Writes generated NEF and JPEG files: the fuzzer's seeds, the benchmark's
// files when no sample files are at hand, and the demonstration file that
// scripts/run.sh opens.
//
//   make_nef_files seeds DIR        readable, re-saved, converted and malformed
//                                   files, one per kind
//   make_nef_files batch DIR        the readable files only
//   make_nef_files library DIR [N]  a photo library of about N files (250)
//   make_nef_files demo FILE        the demonstration NEF
//   make_nef_files large FILE MIB   a readable NEF of MIB mebibytes
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "nef_files.h"

namespace {

constexpr char kUsage[] =
    "usage: make_nef_files seeds DIR\n"
    "       make_nef_files batch DIR\n"
    "       make_nef_files library DIR [FILES]\n"
    "       make_nef_files demo FILE\n"
    "       make_nef_files large FILE MIB\n";

// Offsets in a TIFF file are 32-bit: keep well below 4 GiB.
constexpr double kMaxMebibytes = 2048;

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) {
        std::fprintf(stderr, "make_nef_files: cannot create %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const int error = errno;
    if (std::fclose(out) != 0 || !written) {
        std::fprintf(stderr, "make_nef_files: cannot write %s: %s\n", path.c_str(),
                     std::strerror(written ? errno : error));
        return false;
    }
    return true;
}

int WriteAll(const std::string& dir, const std::vector<nef_files::NamedFile>& files)
{
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "make_nef_files: cannot create the folder %s: %s\n", dir.c_str(),
                     error.message().c_str());
        return 1;
    }
    for (const nef_files::NamedFile& file : files) {
        const std::filesystem::path path = std::filesystem::path(dir) / file.name;
        std::filesystem::create_directories(path.parent_path(), error);
        if (error) {
            std::fprintf(stderr, "make_nef_files: cannot create the folder %s: %s\n", path.parent_path().string().c_str(),
                         error.message().c_str());
            return 1;
        }
        if (!Write(path.string(), file.bytes))
            return 1;
    }
    return 0;
}

int Usage()
{
    std::fputs(kUsage, stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "seeds" && argc == 3) {
        auto files = nef_files::ReadableFiles();
        for (auto& resaved : nef_files::ResavedAndConvertedFiles())
            files.push_back(std::move(resaved));
        for (auto& malformed : nef_files::MalformedFiles())
            files.push_back(std::move(malformed));
        return WriteAll(argv[2], files);
    }
    if (command == "batch" && argc == 3)
        return WriteAll(argv[2], nef_files::ReadableFiles());
    if (command == "library" && (argc == 3 || argc == 4)) {
        char* end = nullptr;
        const long files = argc == 4 ? std::strtol(argv[3], &end, 10) : 250;
        if (argc == 4 && (end == argv[3] || *end != '\0' || files < 10 || files > 1000000)) {
            std::fprintf(stderr, "make_nef_files: the number of files must be from 10 to 1000000, not %s\n", argv[3]);
            return 2;
        }
        return WriteAll(argv[2], nef_files::LibraryFiles(static_cast<std::size_t>(files)));
    }
    if (command == "demo" && argc == 3)
        return Write(argv[2], nef_files::DemoNef()) ? 0 : 1;
    if (command == "large" && argc == 4) {
        char* end = nullptr;
        const double mebibytes = std::strtod(argv[3], &end);
        if (end == argv[3] || *end != '\0' || !(mebibytes > 0 && mebibytes <= kMaxMebibytes)) {
            std::fprintf(stderr, "make_nef_files: the size must be a number of MiB above 0 and at most %g, not %s\n",
                         kMaxMebibytes, argv[3]);
            return 2;
        }
        return Write(argv[2], nef_files::LargeNef(static_cast<std::size_t>(mebibytes * 1024 * 1024))) ? 0 : 1;
    }
    return Usage();
}
