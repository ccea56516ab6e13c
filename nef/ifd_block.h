// Reading the TIFF header and one image file directory (IFD) into memory,
// every entry normalised so that callers decode numbers one way only.
#pragma once

#include <cstdint>
#include <vector>

#include "bounded_stream.h"
#include "tiff_entry.h"

struct IfdBlock {
    std::uint16_t m_entryCount = 0;
    TiffEntry m_scratch{};             // the entry read last
    std::vector<TiffEntry> m_entries;  // all entries in file order

    // Back to the state of a block that was never read.
    void Clear();
    // The same, but the table's memory is kept for the next read: a reader
    // that reads file after file into one readout then allocates nothing
    // for its tables.
    void ClearKeepingMemory();
};

// Reads the 8-byte header at position 0. Byte 0 alone decides the order:
// 0x49 ('I') means little-endian and sets bSwap to 1; any other byte is
// taken as big-endian (bSwap 0). The rest of the header is kept, unexamined.
ReadResult ReadTiffHeader(BoundedStream& stream, std::uint8_t (&header)[8], int& bSwap);

// Reads the directory whose entry count stands at `position`. The entries
// must all lie inside the file; a count that the rest of the file cannot
// hold is refused before anything is allocated. On any failure the block is
// left empty. The block's table memory is reused. The next-directory
// pointer behind the entries is not read: directory chains are never
// followed.
ReadResult ReadIfd(BoundedStream& stream, std::uint64_t position, int bSwap, IfdBlock& block);
