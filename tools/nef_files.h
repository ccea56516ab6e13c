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

// Files as other software leaves them, each reading as the camera file
// does (NAME_mech_not_available.nef has no mechanical counter to show), in
// both byte orders: IFD0 moved, with and without a stale copy of an earlier
// structure at 8, in a NEF and a JPEG; DNG conversions (NAME.dng) with the
// maker note in DNGPrivateData, in the file's order and the other, behind
// other records, and copied 12 bytes early from a JPEG; the serial number
// inline in its maker-note entry and only in the Exif IFD; a mechanical
// count "not available".
std::vector<NamedFile> ResavedAndConvertedFiles();

// Files each broken in one place, in both byte orders where that matters:
// no Exif IFD pointer, no maker note, no counter, a total "not available",
// a Model count far past the file's end (NAME_model_count_huge.nef), cuts
// in the header, IFD0, its texts, the Exif IFD and the maker note, a header
// that is not TIFF's, a JPEG without Exif, cut inside it, or whose Exif
// data is not TIFF; DNG files whose MakN record runs past its block, whose
// block runs past the file or is cut, or whose original byte order is
// neither "II" nor "MM".
std::vector<NamedFile> MalformedFiles();

// A photo library of `count` files or so, in YEAR/YEAR-MM-DD/ folders: five
// bodies over eleven years, their counts rising with the shooting date;
// one of them got a new shutter, whose count starts again near 0; two are
// of the same model; one records no serial number and no mechanical
// counter, and has a file whose clock was never set; and one file from a
// compact camera that records no count. The same `count` gives the same
// files.
std::vector<NamedFile> LibraryFiles(std::size_t count);

// The demonstration file: a camera with both shutters in use.
std::vector<std::uint8_t> DemoNef();

// A readable NEF of exactly `bytes` bytes (or its metadata alone when that
// is larger), the rest image data: a camera file's size for a reader that
// must not read it all.
std::vector<std::uint8_t> LargeNef(std::size_t bytes);

}  // namespace nef_files
