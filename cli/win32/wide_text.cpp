#include "wide_text.h"

#include <cstdint>

namespace {

void AppendUtf8(std::string& out, std::uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | c >> 18);
        out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

void AppendUtf16(std::wstring& out, std::uint32_t c)
{
    if (c < 0x10000) {
        out += static_cast<wchar_t>(c);
    } else {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 | c >> 10);
        out += static_cast<wchar_t>(0xDC00 | (c & 0x3FF));
    }
}

bool IsHigh(std::uint32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(std::uint32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// The character at `bytes[i]` and its length in bytes, lone surrogates
// accepted; 0 for bytes that are no character, -1 for the start of one
// that the end of `bytes` cuts off.
int Decode(std::string_view bytes, std::size_t i, std::uint32_t& c)
{
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char first = byte(i);
    int length = first < 0x80 ? 1 : first >= 0xC2 && first <= 0xDF ? 2 : first >= 0xE0 && first <= 0xEF ? 3
                                                                    : first >= 0xF0 && first <= 0xF4 ? 4 : 0;
    if (length == 0)
        return 0;
    if (i + static_cast<std::size_t>(length) > bytes.size()) {
        for (std::size_t k = i + 1; k < bytes.size(); ++k)
            if ((byte(k) & 0xC0) != 0x80)
                return 0;
        return -1;
    }
    c = length == 1 ? first : length == 2 ? first & 0x1Fu : length == 3 ? first & 0x0Fu : first & 0x07u;
    for (int k = 1; k < length; ++k) {
        const unsigned char next = byte(i + static_cast<std::size_t>(k));
        if ((next & 0xC0) != 0x80)
            return 0;
        c = c << 6 | (next & 0x3Fu);
    }
    const std::uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < least[length] || c > 0x10FFFF)
        return 0;  // an overlong form, or past the last character
    return length;
}

}  // namespace

std::string Wtf8FromWide(std::wstring_view wide)
{
    std::string out;
    out.reserve(wide.size());
    for (std::size_t i = 0; i < wide.size(); ++i) {
        const std::uint32_t c = static_cast<std::uint16_t>(wide[i]);
        if (IsHigh(c) && i + 1 < wide.size() && IsLow(static_cast<std::uint16_t>(wide[i + 1]))) {
            AppendUtf8(out, 0x10000 + ((c - 0xD800) << 10) + (static_cast<std::uint16_t>(wide[i + 1]) - 0xDC00u));
            ++i;
        } else {
            AppendUtf8(out, c);  // a lone surrogate keeps its own three bytes
        }
    }
    return out;
}

std::wstring WideFromWtf8(std::string_view bytes)
{
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint32_t c = 0;
        const int length = Decode(bytes, i, c);
        if (length <= 0) {
            out += static_cast<wchar_t>(0xFFFD);
            ++i;
            continue;
        }
        AppendUtf16(out, c);
        i += static_cast<std::size_t>(length);
    }
    return out;
}

std::wstring WideForConsole(std::string_view bytes, std::string& carry)
{
    std::string joined;
    if (!carry.empty()) {
        joined = carry;
        joined.append(bytes);
        bytes = joined;
        carry.clear();
    }
    std::wstring out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint32_t c = 0;
        const int length = Decode(bytes, i, c);
        if (length < 0) {
            carry.assign(bytes.substr(i));
            break;
        }
        if (length == 0 || IsHigh(c) || IsLow(c)) {
            out += static_cast<wchar_t>(0xFFFD);
            i += length == 0 ? 1 : static_cast<std::size_t>(length);
            continue;
        }
        AppendUtf16(out, c);
        i += static_cast<std::size_t>(length);
    }
    return out;
}
