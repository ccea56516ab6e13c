// A photo library summed up by camera body. Each file's few figures are
// kept as it is read (path, date, counts: never its directories); at the
// end the files are grouped by camera model and serial number and each
// body gets its first and last shooting date, the counts at each, the shots
// between, and every place where its total count went down.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "nef_readout.h"

// One file with a count and a shooting date that could be read.
struct HistoryPoint {
    std::string file;
    std::string date;      // the DateTime text, as stored
    std::int64_t seconds;  // the same, as ShootingSeconds gives it
    std::int32_t total;
    std::optional<std::int32_t> mechanical;  // none when the file records no counter of its own
};

// Two files, one after the other by shooting date, whose total count fell.
struct CountDecrease {
    std::size_t from;  // indexes into BodySummary::points
    std::size_t to;
};

struct BodySummary {
    std::string camera;                 // the Model text, as stored; empty when no file names one
    std::optional<std::string> serial;  // none when the files record none
    std::size_t files = 0;              // files read with a count
    std::size_t filesWithoutCount = 0;  // files (and folders) that gave no count
    std::size_t undatedFiles = 0;       // of `files`, those whose date is not a date
    // The other files, in shooting-date order; files of the same date in
    // path order.
    std::vector<HistoryPoint> points;
    std::vector<CountDecrease> decreases;

    const HistoryPoint* First() const { return points.empty() ? nullptr : &points.front(); }
    const HistoryPoint* Last() const { return points.empty() ? nullptr : &points.back(); }
    // Last total minus first total, when there is a dated file.
    std::optional<std::int64_t> Shots() const;
    // Shots over the days between the first and the last date, when those
    // are at least one day apart: over a shorter span the rate says nothing.
    std::optional<double> ShotsPerDay() const;
};

class CameraHistory {
public:
    // One listed path: what the reader made of it, and whether it gave a
    // count. A path that gave none is counted under the body its texts
    // name, as far as they were read before the failure.
    void Add(const std::string& file, const NefReadout& readout, bool hadCount);

    // The bodies sorted by camera then serial (by their bytes; a body of
    // unknown serial after its model's known ones, files that name no
    // camera last), each with its points in order and its decreases.
    std::vector<BodySummary> TakeSummaries();

private:
    // Orders bodies as TakeSummaries lists them.
    struct KeyOrder {
        bool operator()(const std::pair<std::string, std::optional<std::string>>& a,
                        const std::pair<std::string, std::optional<std::string>>& b) const;
    };
    std::map<std::pair<std::string, std::optional<std::string>>, BodySummary, KeyOrder> m_bodies;
};
