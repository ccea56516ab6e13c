// Opening and reading one camera file named by a path in the command
// line's own bytes (UTF-8 on Windows, where a name that is not valid
// UTF-16 keeps its lone surrogates as three bytes each, as WTF-8 does).
// Each system opens the file its own way and names its own causes.
#pragma once

#include <string>

#include "nef_readout.h"

// Reads the file at `path` into `readout`. On a failure `reason` is the
// text to show next to the file's name: the reader's own, or the
// system's cause where it has one the reader has no words for.
NefOutcome ReadCameraFile(const std::string& path, NefReadout& readout, std::string& reason);
