#include "tiff_entry.h"

#include <utility>

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
