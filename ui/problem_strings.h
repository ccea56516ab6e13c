// Which string-table text the dialog shows for each problem the reader
// reports.
#pragma once

#include "nef_outcome.h"

// The IDS_PROBLEM_ string for `problem`, or 0 for one without a text
// (kNone and kCount).
UINT ProblemStringId(NefProblem problem);
