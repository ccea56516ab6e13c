#include "xmp_serial.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "nef_readout.h"

namespace {

constexpr std::string_view kProperty = "aux:SerialNumber";

// Bytes read at a time. Once the property's name is found, its value must
// lie within this much of it, or it is taken as absent.
constexpr std::size_t kWindowBytes = 16 * 1024;

bool IsXmlSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void AppendUtf8(std::string& out, unsigned long c)
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

// The character a reference names (`name` is what stands between & and ;),
// appended to `out`; false for one that XML does not define.
bool AppendReference(std::string& out, std::string_view name)
{
    static const std::pair<std::string_view, char> kNamed[] = {
        {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}};
    for (const auto& [n, c] : kNamed) {
        if (name == n) {
            out += c;
            return true;
        }
    }
    if (name.size() < 2 || name[0] != '#')
        return false;
    const bool hex = name[1] == 'x';
    const std::string_view digits = name.substr(hex ? 2 : 1);
    if (digits.empty() || digits.size() > 6)
        return false;
    unsigned long c = 0;
    for (char d : digits) {
        int v = d >= '0' && d <= '9' ? d - '0' : -1;
        if (hex && v < 0)
            v = d >= 'a' && d <= 'f' ? d - 'a' + 10 : d >= 'A' && d <= 'F' ? d - 'A' + 10 : -1;
        if (v < 0)
            return false;
        c = c * (hex ? 16 : 10) + static_cast<unsigned long>(v);
    }
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return false;
    AppendUtf8(out, c);
    return true;
}

// The text in `text` up to `end` (a quote, or '<'), references resolved:
// false when `end` does not come, a reference is not one, or the value
// would be longer than a serial may be.
bool ReadValue(std::string_view text, char end, std::string& value)
{
    value.clear();
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == end)
            return true;
        if (c == '&') {
            const std::size_t semicolon = text.find(';', i);
            if (semicolon == std::string_view::npos || semicolon - i > 10 ||
                !AppendReference(value, text.substr(i + 1, semicolon - i - 1)))
                return false;
            i = semicolon;
        } else if (c == '<' || c == '\0') {
            return false;
        } else {
            value += c;
        }
        if (value.size() > kTextBufferBytes)
            return false;
    }
    return false;
}

enum class Match { kNone, kValue, kNotHere };

// Whether the property's name at `at` in `text` (the whole window) starts
// an attribute or an element with a value, and that value.
Match ValueAt(std::string_view text, std::size_t at, std::string& value)
{
    const char before = at > 0 ? text[at - 1] : ' ';
    std::size_t i = at + kProperty.size();
    if (before == '<') {  // an element: <aux:SerialNumber ...>value</...>
        const std::size_t close = text.find('>', i);
        if (close == std::string_view::npos)
            return Match::kNone;
        if (text[close - 1] == '/')
            return Match::kNotHere;  // an empty element
        if (close > i && !IsXmlSpace(text[i]))
            return Match::kNotHere;  // a longer name that begins the same
        return ReadValue(text.substr(close + 1), '<', value) ? Match::kValue : Match::kNone;
    }
    if (!IsXmlSpace(before))
        return Match::kNotHere;  // a closing tag, or part of another name
    while (i < text.size() && IsXmlSpace(text[i]))
        ++i;
    if (i >= text.size() || text[i] != '=')
        return Match::kNotHere;
    ++i;
    while (i < text.size() && IsXmlSpace(text[i]))
        ++i;
    if (i >= text.size() || (text[i] != '"' && text[i] != '\''))
        return Match::kNone;
    return ReadValue(text.substr(i + 1), text[i], value) ? Match::kValue : Match::kNone;
}

}  // namespace

ReadResult FindXmpSerial(BoundedStream& stream, std::uint64_t position, std::uint64_t length, std::string& serial)
{
    serial.clear();
    if (position > stream.Size())
        return ReadResult::kOk;
    length = std::min({length, stream.Size() - position, kXmpScanBytes});
    std::vector<char> window;
    std::uint64_t offset = 0;
    while (offset < length) {
        const std::size_t size = static_cast<std::size_t>(std::min<std::uint64_t>(kWindowBytes, length - offset));
        window.resize(size);
        const ReadResult result = stream.ReadAt(position + offset, window.data(), size);
        if (result != ReadResult::kOk)
            return result == ReadResult::kIoError ? result : ReadResult::kOk;
        const std::string_view text(window.data(), size);
        const bool last = offset + size == length;
        // By default the next window overlaps this one by enough to hold a
        // name cut at its end.
        std::size_t next = size > kProperty.size() + 1 ? size - (kProperty.size() + 1) : size;
        for (std::size_t at = text.find(kProperty); at != std::string_view::npos; at = text.find(kProperty, at + 1)) {
            // A name found late in the window is looked at again at the
            // start of the next, where its value has room.
            if (!last && at > 0 && size - at < kWindowBytes / 2) {
                next = at - 1;  // with the character before it
                break;
            }
            std::string value;
            const Match match = ValueAt(text, at, value);
            if (match == Match::kNotHere)
                continue;
            if (match == Match::kValue)
                serial = value;
            return ReadResult::kOk;
        }
        if (last)
            break;
        offset += std::max<std::size_t>(next, 1);
    }
    return ReadResult::kOk;
}
