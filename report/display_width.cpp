#include "display_width.h"

#include <algorithm>
#include <iterator>

#include "text_escape.h"

namespace {

struct CodePointRange {
    unsigned first, last;
};

#include "display_width_table.inc"

template <std::size_t N>
bool InRanges(const CodePointRange (&ranges)[N], unsigned codePoint)
{
    const auto* after = std::upper_bound(std::begin(ranges), std::end(ranges), codePoint,
                                         [](unsigned c, const CodePointRange& r) { return c < r.first; });
    return after != std::begin(ranges) && codePoint <= (after - 1)->last;
}

}  // namespace

int CodePointColumns(unsigned codePoint)
{
    if (codePoint < 0x300)
        return 1;  // ASCII and Latin-1: most text, and nothing wide or combining
    if (InRanges(kZeroWidth, codePoint))
        return 0;
    return InRanges(kDoubleWidth, codePoint) ? 2 : 1;
}

std::size_t DisplayWidth(std::string_view utf8)
{
    const auto* s = reinterpret_cast<const unsigned char*>(utf8.data());
    std::size_t width = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const std::size_t length = Utf8SequenceLength(s + i, utf8.size() - i);
        if (length == 0) {
            ++width;
            ++i;
            continue;
        }
        width += static_cast<std::size_t>(CodePointColumns(Utf8CodePoint(s + i, length)));
        i += length;
    }
    return width;
}
