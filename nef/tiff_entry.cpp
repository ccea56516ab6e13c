#include "tiff_entry.h"

#include <utility>

namespace {

std::uint32_t BigEndian32(const std::uint8_t* b)
{
    return (std::uint32_t{b[0]} << 24) | (std::uint32_t{b[1]} << 16) |
           (std::uint32_t{b[2]} << 8) | std::uint32_t{b[3]};
}

}  // namespace

void ReverseBytes(std::int32_t n, std::uint8_t* bytes)
{
    // Swapping from both ends needs no scratch copy.
    for (std::int32_t i = 0, j = n - 1; i < j; ++i, --j)
        std::swap(bytes[i], bytes[j]);
}

void NormaliseEntry(TiffEntry& entry)
{
    ReverseBytes(2, entry.tag);
    ReverseBytes(2, entry.type);
    ReverseBytes(4, entry.count);
    ReverseBytes(4, entry.value);
}

std::uint16_t EntryTag(const TiffEntry& entry)
{
    return static_cast<std::uint16_t>(entry.tag[0] << 8 | entry.tag[1]);
}

std::uint16_t EntryType(const TiffEntry& entry)
{
    return static_cast<std::uint16_t>(entry.type[0] << 8 | entry.type[1]);
}

std::uint32_t EntryCount(const TiffEntry& entry) { return BigEndian32(entry.count); }

std::uint32_t EntryValue(const TiffEntry& entry) { return BigEndian32(entry.value); }
