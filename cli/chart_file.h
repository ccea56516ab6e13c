// Writing the chart to the file the user named, so that the name holds
// either the whole new chart or what it held before, never a cut-off one:
// the chart goes to a temporary file beside it, which is then renamed over
// it. A name that is not a regular file (a device such as /dev/stdout, a
// pipe, a symbolic link) is written through instead, as it is.
#pragma once

#include <string>

// Whether the chart could be written at `path`, found out before a long run
// rather than after it: 0, or the errno that writing it would fail with (a
// folder that does not exist or cannot be written, a read-only file, a
// folder of that name). Nothing is left behind.
int CheckChartFile(const std::string& path);

// Writes `content` to `path`: 0, or the errno of the step that failed, in
// which case any file of that name is as it was.
int WriteChartFile(const std::string& path, const std::string& content);
