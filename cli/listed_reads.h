// Reading the listed files in list order, each file's result in turn:
// one file at a time, or several files' reads in flight on threads of
// their own, so that a run over many files goes at the pace of the
// storage's queue, not of one request's round trip.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "file_list.h"
#include "in_flight.h"
#include "nef_readout.h"
#include "ordered_work.h"

// What reading one listed path gave: its readout, or why there is none.
struct FileResult {
    NefReadout readout;  // without the directories it was read from
    std::string reason;  // empty when the file was read
    std::chrono::steady_clock::duration took{};  // the read alone
};

class ListedReads {
public:
    // Starts no thread for fewer than two files, nor with one in flight.
    ListedReads(const std::vector<ListedPath>& files, bool recursive, InFlight inFlight);
    ListedReads(const ListedReads&) = delete;
    ListedReads& operator=(const ListedReads&) = delete;

    // The next file's result, in list order; once for each file listed.
    FileResult Next();

    // No file is opened from now on; reads under way end on their own.
    void Stop();

private:
    void ReadAhead(std::size_t inFlight);

    const std::vector<ListedPath>& m_files;
    const bool m_recursive;
    const bool m_fixed;            // the count was set: no going over
    std::size_t m_mostInFlight = 0;  // what the setting and descriptors allow
    std::size_t m_next = 0;        // the next file to hand out
    std::size_t m_aheadFrom = 0;   // the first file read by m_ahead
    bool m_storageSeen = false;
    StorageWaits m_waits;
    std::unique_ptr<OrderedWork<FileResult>> m_ahead;
};
