#include "text_escape.h"


namespace {

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Appends `prefix` and `value` as `digits` hex digits, upper or lower case.
void AppendHex(std::string& out, const char* prefix, unsigned value, int digits, bool upper)
{
    const char* const hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    out += prefix;
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        out += hex[(value >> shift) & 0xFu];
}

// C0 controls, DEL and C1 controls: terminals act on all of them.
bool IsControl(unsigned codePoint) { return codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F); }

// Printable ASCII that no form escapes: written as it stands. A table,
// since every byte of every name and text is looked up here.
struct PlainBytes {
    bool plain[256] = {};
    constexpr PlainBytes()
    {
        for (int c = 0x20; c < 0x7F; ++c)
            plain[c] = c != '"' && c != '\\';
    }
};
constexpr PlainBytes kPlain;
bool IsPlain(unsigned char c) { return kPlain.plain[c]; }

// Calls `plain(begin, length)` for each run of plain bytes (most names and
// texts are one such run), `valid(begin, length, codePoint)` for each other
// well-formed sequence and `invalid(byte)` for each byte that belongs to
// none, in order.
template <typename Plain, typename Valid, typename Invalid>
void ForEachSequence(std::string_view bytes, Plain plain, Valid valid, Invalid invalid)
{
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t i = 0;
    while (i < bytes.size()) {
        std::size_t run = i;
        while (run < bytes.size() && IsPlain(s[run]))
            ++run;
        if (run > i) {
            plain(bytes.data() + i, run - i);
            i = run;
            continue;
        }
        const std::size_t length = Utf8SequenceLength(s + i, bytes.size() - i);
        if (length == 0) {
            invalid(s[i]);
            ++i;
        } else {
            valid(bytes.data() + i, length, Utf8CodePoint(s + i, length));
            i += length;
        }
    }
}

}  // namespace

std::size_t Utf8SequenceLength(const unsigned char* s, std::size_t available)
{
    if (available == 0)
        return 0;
    const unsigned char lead = s[0];
    if (lead < 0x80)
        return 1;
    // The second byte's range depends on the lead byte: that is what rules
    // out overlong forms (E0, F0), surrogates (ED) and values past U+10FFFF
    // (F4).
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0)
            low = 0xA0;
        else if (lead == 0xED)
            high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0)
            low = 0x90;
        else if (lead == 0xF4)
            high = 0x8F;
    } else {
        return 0;
    }
    if (available < length || s[1] < low || s[1] > high)
        return 0;
    for (std::size_t k = 2; k < length; ++k) {
        if (!IsContinuation(s[k]))
            return 0;
    }
    return length;
}

unsigned Utf8CodePoint(const unsigned char* s, std::size_t length)
{
    switch (length) {
    case 1: return s[0];
    case 2: return (s[0] & 0x1Fu) << 6 | (s[1] & 0x3Fu);
    case 3: return (s[0] & 0x0Fu) << 12 | (s[1] & 0x3Fu) << 6 | (s[2] & 0x3Fu);
    default: return (s[0] & 0x07u) << 18 | (s[1] & 0x3Fu) << 12 | (s[2] & 0x3Fu) << 6 | (s[3] & 0x3Fu);
    }
}

void AppendPrintableText(std::string& text, std::string_view bytes)
{
    ForEachSequence(
        bytes, [&](const char* run, std::size_t length) { text.append(run, length); },
        [&](const char* sequence, std::size_t length, unsigned codePoint) {
            if (codePoint == '\\') {
                text += "\\\\";
            } else if (IsControl(codePoint)) {
                for (std::size_t k = 0; k < length; ++k)
                    AppendHex(text, "\\x", static_cast<unsigned char>(sequence[k]), 2, true);
            } else {
                text.append(sequence, length);
            }
        },
        [&](unsigned char byte) { AppendHex(text, "\\x", byte, 2, true); });
}

std::string PrintableText(const std::string& bytes)
{
    std::string text;
    text.reserve(bytes.size());
    AppendPrintableText(text, bytes);
    return text;
}

void AppendJsonString(std::string& json, std::string_view bytes)
{
    json += '"';
    ForEachSequence(
        bytes, [&](const char* run, std::size_t length) { json.append(run, length); },
        [&](const char* sequence, std::size_t length, unsigned codePoint) {
            switch (codePoint) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '\b': json += "\\b"; break;
            case '\f': json += "\\f"; break;
            case '\n': json += "\\n"; break;
            case '\r': json += "\\r"; break;
            case '\t': json += "\\t"; break;
            default:
                if (IsControl(codePoint))
                    AppendHex(json, "\\u", codePoint, 4, false);
                else
                    json.append(sequence, length);
            }
        },
        [&](unsigned char byte) { AppendHex(json, "\\udc", byte, 2, false); });
    json += '"';
}

std::string JsonString(const std::string& bytes)
{
    std::string json;
    json.reserve(bytes.size() + 2);
    AppendJsonString(json, bytes);
    return json;
}

void AppendCsvField(std::string& csv, std::string_view bytes)
{
    const std::size_t start = csv.size();
    // A spreadsheet reads a cell that begins with one of these as a formula
    // (=HYPERLINK(...) in a serial a seller wrote); a leading apostrophe
    // makes it text, as spreadsheet-safe exporters do.
    if (!bytes.empty() && std::string_view("=+-@\t\r").find(bytes.front()) != std::string_view::npos)
        csv += '\'';
    AppendPrintableText(csv, bytes);
    // Quoted only when the text holds a comma or a quote; quotes doubled.
    const std::size_t special = csv.find_first_of(",\"", start);
    if (special == std::string::npos)
        return;
    const std::string text = csv.substr(start);
    csv.resize(start);
    csv += '"';
    for (char c : text) {
        csv += c;
        if (c == '"')
            csv += '"';
    }
    csv += '"';
}

std::string CsvField(const std::string& bytes)
{
    std::string csv;
    AppendCsvField(csv, bytes);
    return csv;
}

std::string XmlText(const std::string& bytes, std::size_t maxCharacters)
{
    // The text form leaves valid UTF-8 without control characters, all of
    // which XML allows but for the noncharacters U+FFFE and U+FFFF.
    std::string text = PrintableText(bytes);
    std::size_t characters = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsContinuation(static_cast<unsigned char>(text[i])))
            continue;
        if (++characters < maxCharacters)
            continue;
        const std::size_t length = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(text.data() + i),
                                                      text.size() - i);
        if (i + length < text.size())
            text.replace(i, std::string::npos, "\xE2\x80\xA6");  // U+2026, the ellipsis
        break;
    }
    std::string xml;
    xml.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (text.compare(i, 3, "\xEF\xBF\xBE") == 0 || text.compare(i, 3, "\xEF\xBF\xBF") == 0) {
            xml += text[i + 2] == '\xBE' ? "\\xEF\\xBF\\xBE" : "\\xEF\\xBF\\xBF";
            i += 2;
        } else if (c == '&') {
            xml += "&amp;";
        } else if (c == '<') {
            xml += "&lt;";
        } else if (c == '>') {
            xml += "&gt;";
        } else if (c == '"') {
            xml += "&quot;";
        } else if (c == '\'') {
            xml += "&apos;";
        } else {
            xml += c;
        }
    }
    return xml;
}
