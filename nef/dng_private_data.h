// Finding the Nikon maker note that a converter keeps in a DNG file. DNG
// converters move the maker note out of the Exif IFD into IFD0's
// DNGPrivateData entry (0xC634), whose bytes are laid out as:
//
//   "Adobe\0"
//   records, each: a 4-byte type ("MakN", "SR2 ", ...), a 4-byte length
//                  (always big-endian), that many bytes, and one pad byte
//                  when the length is odd
//   the MakN record's data: the original file's byte order ("II" or "MM"),
//                  the maker note's offset in the original file (4 bytes,
//                  big-endian), then the maker note itself
#pragma once

#include <cstdint>

#include "bounded_stream.h"

enum class DngSearch {
    kFound,
    kNotAdobe,     // private data of another kind: no maker note in it
    kNoMakerNote,  // an Adobe block without a MakN record
    kNotNikon,     // the MakN record holds another maker's note
    kOutside,      // the block does not lie inside the file
    kMalformed,    // a record runs past the block's end, or MakN is too short
    kIoError,
};

struct DngMakerNote {
    std::uint64_t position = 0;  // the maker note's first byte ("Nikon\0")
    std::uint64_t size = 0;      // up to the end of the MakN record
    int originalSwap = 0;        // the original file's byte order, as bSwap
    // Where the maker note stood in the original file. A maker note whose
    // offsets counted from the original file's start would need it to be
    // moved back; a Nikon maker note counts from its own embedded TIFF
    // header, so it reads the same wherever it stands and this goes unused.
    std::uint32_t originalOffset = 0;
};

// Walks the records of the DNGPrivateData block of `size` bytes at
// `position` to its MakN record and checks that it holds a Nikon maker
// note with an embedded TIFF header ("Nikon\0" and version 2.x). Reads a
// few dozen bytes, never the records' data.
DngSearch FindDngMakerNote(BoundedStream& stream, std::uint64_t position, std::uint64_t size, DngMakerNote& where);
