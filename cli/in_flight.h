// How many files a run over many files reads at once, and when: enough
// requests at the storage together that its queue, not one request's round
// trip, sets the pace, once reads are seen to wait on it; never more than
// the descriptors left to open them with.
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

// Files in flight once reads wait on the storage, when nothing says
// otherwise; the most a user may ask for. On a disk of this kind (a
// virtual one, 5000 files read cold) 16 reach the device's pace; 32 gain
// nothing more on two cores and 48 or more lose to the cost of the
// threads. A share whose every request is a round trip may gain from more.
constexpr std::size_t kDefaultFilesInFlight = 16;
constexpr std::size_t kMaxFilesInFlight = 256;
// Results held, read and waiting to be written: so many for each file in
// flight, and at least so many in all (threads are woken for a quarter of
// them at a time).
constexpr std::size_t kResultsPerFileInFlight = 4;
constexpr std::size_t kLeastResultsHeld = 64;

struct InFlight {
    std::size_t count = kDefaultFilesInFlight;
    bool fromTheStart = false;  // count files in flight from the first file on
};

// The setting TESSMAR_IN_FLIGHT gives (its text, or null when unset):
// unset, the default; a whole number N from 1 to kMaxFilesInFlight, N files
// from the start (1: one at a time); anything else, nothing.
std::optional<InFlight> InFlightSetting(const char* text);

// Tells reads that wait on the storage from reads served from memory, by
// how long they take: reads from memory gain from one in flight per core,
// no more (beyond that, handing results between threads costs more than
// such a read); reads that wait gain from many in flight.
class StorageWaits {
public:
    // A file read from memory takes some microseconds; a read that goes to
    // a disk, a card or a share, tens of microseconds at the very least.
    static constexpr std::chrono::microseconds kWaited{40};

    // Records how long one file's read took; true once at least 4 of the
    // last 8 reads waited (a read held up now and then by a busy machine
    // does not count as storage that waits).
    bool Record(std::chrono::steady_clock::duration took);

private:
    unsigned m_recent = 0;  // one bit per read, the latest lowest: 1 if it waited
};

// Descriptors left for whatever the runtime opens meanwhile.
constexpr std::size_t kSpareDescriptors = 2;
