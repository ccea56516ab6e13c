// Turning readouts into text for people (labelled lines) and for programs
// (a JSON array or CSV rows). Output is written file by file as each is
// read; every form spells names and texts by the rules in text_escape.h.
#pragma once

#include <iosfwd>
#include <string>

#include "nef_readout.h"

enum class OutputForm { kText, kJson, kCsv };

class ReadoutWriter {
public:
    ReadoutWriter(std::ostream& out, OutputForm form) : m_out(out), m_form(form) {}

    void Begin();
    // One file's readout, or with a non-empty `error` why it has none: a
    // failed file is shown in JSON and CSV (with its reason) and left out of
    // the text form, whose reasons go to stderr.
    void Write(const std::string& file, const NefReadout& readout, const std::string& error);
    void End();

private:
    std::ostream& m_out;
    OutputForm m_form;
    std::size_t m_written = 0;
    std::string m_line;  // the file being written, built whole
};
