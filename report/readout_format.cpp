#include "readout_format.h"

#include <charconv>
#include <ostream>
#include <string_view>

#include "text_escape.h"

namespace {

void AppendNumber(std::string& out, std::int32_t value)
{
    char digits[16];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    out.append(digits, end.ptr);
}

// A text as a JSON string, or null when there is none.
void AppendJsonStringOrNull(std::string& out, const std::string& text)
{
    if (text.empty())
        out += "null";
    else
        AppendJsonString(out, text);
}

// "\n  Label   value", padded to the value column; a line without a value
// ends at its label, with no blank behind it.
void AppendTextLine(std::string& out, const char* paddedLabel, const std::string& value)
{
    out += "\n  ";
    if (value.empty()) {
        const std::string_view label(paddedLabel);
        out.append(label.substr(0, label.find_last_not_of(' ') + 1));
        return;
    }
    out += paddedLabel;
    AppendPrintableText(out, value);
}

}  // namespace

void ReadoutWriter::Begin()
{
    if (m_form == OutputForm::kJson)
        m_out << '[';
    else if (m_form == OutputForm::kCsv)
        // The serial number stands last (in JSON too, which has the same
        // fields in the same order), so that every other column keeps the
        // place scripts may read it by.
        m_out << "file,camera,shootingDate,mechanical,electronic,total,error,serial\n";
}

// Each file's lines are built whole in one string, kept from file to file,
// and handed to the stream at once: one stream call instead of a score of
// them, and no string made for each escaped text.
void ReadoutWriter::Write(const std::string& file, const NefReadout& r, const std::string& error)
{
    std::string& line = m_line;
    line.clear();
    switch (m_form) {
    case OutputForm::kText:
        if (!error.empty())
            return;
        if (m_written)
            line += '\n';
        AppendPrintableText(line, file);
        AppendTextLine(line, "Camera              ", r.m_camera);
        AppendTextLine(line, "Serial Number       ", r.m_serialNumber);
        AppendTextLine(line, "Shooting Date       ", r.m_shootingDate);
        line += "\n  Mechanical Shutter  ";
        AppendNumber(line, r.m_mechanicalCount);
        line += "\n  Electronic Shutter  ";
        AppendNumber(line, r.m_electronicCount);
        line += "\n  Total Count         ";
        AppendNumber(line, r.m_totalCount);
        line += '\n';
        break;
    case OutputForm::kJson:
        line += m_written ? ",\n  {\"file\": " : "\n  {\"file\": ";
        AppendJsonString(line, file);
        line += ", \"camera\": ";
        AppendJsonString(line, r.m_camera);
        line += ", \"shootingDate\": ";
        AppendJsonString(line, r.m_shootingDate);
        line += ", \"mechanical\": ";
        AppendNumber(line, r.m_mechanicalCount);
        line += ", \"electronic\": ";
        AppendNumber(line, r.m_electronicCount);
        line += ", \"total\": ";
        AppendNumber(line, r.m_totalCount);
        line += ", \"error\": ";
        AppendJsonStringOrNull(line, error);
        line += ", \"serial\": ";
        AppendJsonStringOrNull(line, r.m_serialNumber);
        line += '}';
        break;
    case OutputForm::kCsv:
        AppendCsvField(line, file);
        line += ',';
        AppendCsvField(line, r.m_camera);
        line += ',';
        AppendCsvField(line, r.m_shootingDate);
        line += ',';
        AppendNumber(line, r.m_mechanicalCount);
        line += ',';
        AppendNumber(line, r.m_electronicCount);
        line += ',';
        AppendNumber(line, r.m_totalCount);
        line += ',';
        AppendCsvField(line, error);
        line += ',';
        AppendCsvField(line, r.m_serialNumber);
        line += '\n';
        break;
    }
    m_out.write(line.data(), static_cast<std::streamsize>(line.size()));
    ++m_written;
}

void ReadoutWriter::End()
{
    if (m_form == OutputForm::kJson)
        m_out << (m_written ? "\n]\n" : "]\n");
}
