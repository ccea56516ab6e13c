#include "readout_format.h"

#include <ostream>

#include "text_escape.h"

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

void ReadoutWriter::Write(const std::string& file, const NefReadout& r, const std::string& error)
{
    switch (m_form) {
    case OutputForm::kText:
        if (!error.empty())
            return;
        m_out << (m_written ? "\n" : "") << PrintableText(file) << '\n'
              << "  Camera              " << PrintableText(r.m_camera) << '\n'
              << "  Serial Number       " << PrintableText(r.m_serialNumber) << '\n'
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
              << ", \"error\": " << (error.empty() ? std::string("null") : JsonString(error))
              << ", \"serial\": " << (r.m_serialNumber.empty() ? std::string("null") : JsonString(r.m_serialNumber))
              << '}';
        break;
    case OutputForm::kCsv:
        m_out << CsvField(file) << ',' << CsvField(r.m_camera) << ',' << CsvField(r.m_shootingDate) << ','
              << r.m_mechanicalCount << ',' << r.m_electronicCount << ',' << r.m_totalCount << ','
              << CsvField(error) << ',' << CsvField(r.m_serialNumber) << '\n';
        break;
    }
    ++m_written;
}

void ReadoutWriter::End()
{
    if (m_form == OutputForm::kJson)
        m_out << (m_written ? "\n]\n" : "]\n");
}
