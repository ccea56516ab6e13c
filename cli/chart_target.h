// Deciding, before anything is read, whether the name given to --chart may
// be written at all. The chart replaces what stands at its name, and a
// careless glob (`--chart *.NEF`, a file named `--chart=DSC_0002.jpg`) must
// never turn a photo into a chart: a name that could be a camera's file, or
// any file that is not a chart already, is refused.
#pragma once

#include <string>
#include <vector>

// Why the chart will not be written at `chart` ("it is one of the files to
// read", ...), or "" when it may be: a name with a camera file's extension
// (.nef .nrw .jpg .jpeg .dng .tif .tiff, any case; a folder walk reads
// only such names, so this covers every file a walk could read), the same
// file as one of `inputs` by device and inode, and an existing regular
// file with content that is not an SVG image are refused. Standard output
// is never refused.
std::string ChartTargetRefusal(const std::string& chart, const std::vector<std::string>& inputs);

// Whether `path` names this process's standard output (/dev/stdout,
// /dev/fd/1, or the file that standard output was redirected to): the
// chart is then written into the output stream, after the table.
bool IsStandardOutput(const std::string& path);
