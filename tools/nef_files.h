// The files make_nef_files writes: NEF-structured files laid out as a camera
// writes them (IFD0 with Make, Model, the image strip and DateTime, an Exif
// IFD, a Nikon maker note with its own TIFF header), their camera-JPEG
// twins, and files broken in chosen places, all built with NefBuilder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace nef_files {

struct NamedFile {
    std::string name;  // a file name, extension included
    std::vector<std::uint8_t> bytes;
};

// Files every reader should read: both byte orders, each counter rule
// (both counters, total only, mechanical only, mechanical above total), a
// maker note in the other byte order, model texts short enough to stand in
// their entry, filling the reader's text buffer and longer than it, no
// texts at all. Each
// NEF (NAME.nef) comes with a JPEG (NAME.jpg) that carries the same
// structure in its Exif segment.
std::vector<NamedFile> ReadableFiles();

// Files each broken in one place, in both byte orders where that matters:
// no Exif IFD pointer, no maker note, no counter, a Model count far past
// the file's end (NAME_model_count_huge.nef), cuts in the header, IFD0, its
// texts, the Exif IFD and the maker note, a header that is not TIFF's, a
// JPEG without Exif, cut inside it, or whose Exif data is not TIFF.
std::vector<NamedFile> MalformedFiles();

// The demonstration file: a camera with both shutters in use.
std::vector<std::uint8_t> DemoNef();

// A readable NEF of exactly `bytes` bytes (or its metadata alone when that
// is larger), the rest image data: a camera file's size for a reader that
// must not read it all.
std::vector<std::uint8_t> LargeNef(std::size_t bytes);

}  // namespace nef_files
