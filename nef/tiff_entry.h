// One TIFF directory entry held in normalised byte order (most significant
// byte first, whatever the file's order), and the byte-order primitive that
// produces that form. Everything above this layer decodes numbers one way.
#pragma once

#include <cstdint>

struct TiffEntry {
    std::uint8_t tag[2];
    std::uint8_t type[2];   // carried and normalised; consulted for serial numbers only
    std::uint8_t count[4];
    std::uint8_t value[4];  // the value itself, or a file position
};
static_assert(sizeof(TiffEntry) == 12, "a TIFF entry is 12 bytes on disk");

// Reverses n bytes in place: byte i takes the value byte n-1-i had.
void ReverseBytes(std::int32_t n, std::uint8_t* bytes);

// Reverses each field of an entry by itself (never the 12 bytes as a whole),
// turning a little-endian entry into the normalised form.
void NormaliseEntry(TiffEntry& entry);

// Four bytes as a big-endian number, the order entries are kept in.
inline std::uint32_t BigEndian32(const std::uint8_t* b)
{
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | std::uint32_t{b[3]};
}

// The fields as numbers. Inline: a readout looks up a dozen tags, each in a
// whole directory table.
inline std::uint16_t EntryTag(const TiffEntry& entry)
{
    return static_cast<std::uint16_t>(entry.tag[0] << 8 | entry.tag[1]);
}
inline std::uint16_t EntryType(const TiffEntry& entry)
{
    return static_cast<std::uint16_t>(entry.type[0] << 8 | entry.type[1]);
}
inline std::uint32_t EntryCount(const TiffEntry& entry) { return BigEndian32(entry.count); }
inline std::uint32_t EntryValue(const TiffEntry& entry) { return BigEndian32(entry.value); }
