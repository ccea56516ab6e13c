// The public face of the reader: the record one file is read into, and the
// function that reads it. This is the only header the front ends include.
#pragma once

#include <cstdint>
#include <string>

#include "ifd_block.h"
#include "nef_outcome.h"

struct NefReadout {
    std::uint8_t m_header[8] = {};
    IfdBlock m_ifd0;
    IfdBlock m_exifIfd;
    IfdBlock m_makerIfd;
    std::int32_t m_mechanicalCount = 0;
    std::int32_t m_electronicCount = 0;
    std::int32_t m_totalCount = 0;
    std::string m_shootingDate;  // IFD0 DateTime, as stored (8-bit text)
    std::string m_camera;        // IFD0 Model, as stored (8-bit text)
    // The body's serial number, as stored without trailing blanks: the first
    // of the maker note's (0x001D, then 0x00A0), the Exif BodySerialNumber
    // (0xA431, in the Exif IFD, then IFD0), a DNG's CameraSerialNumber
    // (0xC62F) and XMP's aux:SerialNumber that holds one; empty when none
    // does. Kept when the file gives no count.
    std::string m_serialNumber;
    // 1 when the maker note holds a mechanical count (0x0037) of its own; 0
    // when m_mechanicalCount shows the total for want of one, which the
    // counters alone cannot tell from a body that never used its
    // electronic shutter.
    int m_bMechanicalFound = 0;
};

// The texts are read into buffers of this many bytes; a longer text keeps
// its first kTextBufferBytes bytes, except a serial number, which is left
// out rather than shown cut short.
constexpr std::size_t kTextBufferBytes = 50;

// Reads into `readout` the camera model, shooting date, serial number and
// shutter counters of one file: a NEF, a camera JPEG, or a DNG converted
// from a NEF. Everything from an earlier read is cleared first (the memory
// of its tables and texts is kept, so that reading many files into one
// readout allocates next to nothing). On a failure the counters are 0 and
// only texts read from this file remain.
NefOutcome ReadNefFile(const char* path, NefReadout& readout);
#ifdef _WIN32
// The same, for a path that the system's 8-bit code page cannot spell.
NefOutcome ReadNefFile(const wchar_t* path, NefReadout& readout);
#endif

// The same, on a file already opened.
NefOutcome ReadNefStream(BoundedStream& stream, NefReadout& readout);

// Copies every member of `from` but the three directory tables into `to`,
// whose tables are left as they are: what a caller that reads many files
// into one readout keeps of each.
void CopyReadoutWithoutTables(const NefReadout& from, NefReadout& to);
