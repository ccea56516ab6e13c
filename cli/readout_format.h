// Turning readouts into text for people (labelled lines) and for programs
// (one JSON array). Neither form passes a file's raw bytes to the terminal.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "nef_readout.h"

struct FileReadout {
    std::string file;
    NefReadout readout;
    NefOutcome outcome = NefOutcome::Success();
};

// "Camera", "Shooting Date" and the three counters under the dialog's
// labels, behind a line naming the file.
void WriteText(std::ostream& out, const FileReadout& item);

// One JSON array with an object per file, in the order given.
void WriteJson(std::ostream& out, const std::vector<FileReadout>& items);

// A string as a JSON string literal: quotes, backslashes and every byte
// outside printable ASCII escaped, so any input gives valid JSON.
std::string JsonString(const std::string& bytes);

// Bytes outside printable ASCII as \xNN, for terminal output.
std::string PrintableText(const std::string& bytes);
