// The camera summary in the three output forms: an aligned table for
// people (with the decreases listed below it), CSV with one row per body,
// and a JSON array with one object per body. Names and texts are spelt by
// the rules in text_escape.h, as in the per-file output.
#pragma once

#include <iosfwd>
#include <vector>

#include "camera_history.h"
#include "readout_format.h"

void WriteHistory(std::ostream& out, OutputForm form, const std::vector<BodySummary>& bodies);
