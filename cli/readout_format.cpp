#include "readout_format.h"

#include <ostream>

#include "text_escape.h"

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
