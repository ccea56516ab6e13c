// Turning readouts into text for people (labelled lines) and for programs
// (a JSON array or CSV rows). Output is written file by file as each is
// read; no form passes a file's raw control bytes to the terminal.
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
};

// A string as a JSON string literal: quotes, backslashes and every byte
// outside printable ASCII escaped, so any input gives valid JSON.
std::string JsonString(const std::string& bytes);

// A CSV field: bytes outside printable ASCII as \xNN, quoted when it holds
// a comma or a quote (doubled inside).
std::string CsvField(const std::string& bytes);

// Bytes outside printable ASCII (and the backslash) as \xNN escapes.
std::string PrintableText(const std::string& bytes);
