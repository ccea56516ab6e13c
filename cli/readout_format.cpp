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

std::string CsvField(const std::string& bytes)
{
    const std::string text = PrintableText(bytes);
    if (text.find_first_of(",\"") == std::string::npos)
        return text;
    std::string quoted = "\"";
    for (char c : text)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

void ReadoutWriter::Begin()
{
    if (m_form == OutputForm::kJson)
        m_out << '[';
    else if (m_form == OutputForm::kCsv)
        m_out << "file,camera,shootingDate,mechanical,electronic,total,error\n";
}

void ReadoutWriter::Write(const std::string& file, const NefReadout& r, const std::string& error)
{
    switch (m_form) {
    case OutputForm::kText:
        if (!error.empty())
            return;
        m_out << (m_written ? "\n" : "") << PrintableText(file) << '\n'
              << "  Camera              " << PrintableText(r.m_camera) << '\n'
              << "  Shooting Date       " << PrintableText(r.m_shootingDate) << '\n'
              << "  Mechanical Shutter  " << r.m_mechanicalCount << '\n'
              << "  Electronic Shutter  " << r.m_electronicCount << '\n'
              << "  Total Count         " << r.m_totalCount << '\n';
        break;
    case OutputForm::kJson:
        m_out << (m_written ? ",\n" : "\n") << "  {\"file\": " << JsonString(file)
              << ", \"camera\": " << JsonString(r.m_camera)
              << ", \"shootingDate\": " << JsonString(r.m_shootingDate)
              << ", \"mechanical\": " << r.m_mechanicalCount
              << ", \"electronic\": " << r.m_electronicCount
              << ", \"total\": " << r.m_totalCount
              << ", \"error\": " << (error.empty() ? std::string("null") : JsonString(error)) << '}';
        break;
    case OutputForm::kCsv:
        m_out << CsvField(file) << ',' << CsvField(r.m_camera) << ',' << CsvField(r.m_shootingDate) << ','
              << r.m_mechanicalCount << ',' << r.m_electronicCount << ',' << r.m_totalCount << ','
              << CsvField(error) << '\n';
        break;
    }
    ++m_written;
}

void ReadoutWriter::End()
{
    if (m_form == OutputForm::kJson)
        m_out << (m_written ? "\n]\n" : "]\n");
}
