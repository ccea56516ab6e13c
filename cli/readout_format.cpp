#include "readout_format.h"

#include <cstdio>
#include <ostream>

namespace {

bool IsPrintableAscii(unsigned char c) { return c >= 0x20 && c < 0x7F; }

std::string Hex(const char* format, unsigned char c)
{
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, format, c);
    return buffer;
}

}  // namespace

std::string PrintableText(const std::string& bytes)
{
    std::string text;
    for (unsigned char c : bytes) {
        if (c == '\\')
            text += "\\\\";
        else if (IsPrintableAscii(c))
            text += static_cast<char>(c);
        else
            text += Hex("\\x%02X", c);
    }
    return text;
}

std::string JsonString(const std::string& bytes)
{
    std::string json = "\"";
    for (unsigned char c : bytes) {
        if (c == '"' || c == '\\') {
            json += '\\';
            json += static_cast<char>(c);
        } else if (IsPrintableAscii(c)) {
            json += static_cast<char>(c);
        } else {
            json += Hex("\\u%04x", c);
        }
    }
    return json + "\"";
}

void WriteText(std::ostream& out, const FileReadout& item)
{
    const NefReadout& r = item.readout;
    out << PrintableText(item.file) << '\n'
        << "  Camera              " << PrintableText(r.m_camera) << '\n'
        << "  Shooting Date       " << PrintableText(r.m_shootingDate) << '\n'
        << "  Mechanical Shutter  " << r.m_mechanicalCount << '\n'
        << "  Electronic Shutter  " << r.m_electronicCount << '\n'
        << "  Total Count         " << r.m_totalCount << '\n';
}

void WriteJson(std::ostream& out, const std::vector<FileReadout>& items)
{
    out << '[';
    const char* separator = "\n";
    for (const FileReadout& item : items) {
        const NefReadout& r = item.readout;
        out << separator << "  {\"file\": " << JsonString(item.file)
            << ", \"camera\": " << JsonString(r.m_camera)
            << ", \"shootingDate\": " << JsonString(r.m_shootingDate)
            << ", \"mechanical\": " << r.m_mechanicalCount
            << ", \"electronic\": " << r.m_electronicCount
            << ", \"total\": " << r.m_totalCount
            << ", \"error\": " << (item.outcome ? std::string("null") : JsonString(item.outcome.Reason()))
            << '}';
        separator = ",\n";
    }
    out << (items.empty() ? "]\n" : "\n]\n");
}
