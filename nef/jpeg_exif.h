// Finding the TIFF structure inside a JPEG file: the Exif APP1 segment's
// payload, behind "Exif\0\0", holds a complete TIFF header and directories
// whose positions count from that header.
#pragma once

#include <cstdint>

#include "bounded_stream.h"

enum class ExifSearch {
    kFound,
    kNoExif,     // image data starts before any Exif segment
    kTruncated,  // a marker or a segment runs past the end of the file
    kMalformed,  // not a well-formed sequence of JPEG markers
    kIoError,
};

struct ExifLocation {
    std::uint64_t tiffStart = 0;  // the TIFF header, in file positions
    std::uint64_t tiffSize = 0;   // up to the end of the APP1 segment
};

// True when the file starts with a JPEG start-of-image marker (FF D8).
bool StartsAsJpeg(BoundedStream& stream);

// Walks the markers from the start of the file up to the first Exif APP1
// segment, stopping at the start of the image data. Only segment headers
// are read, never the data between them.
ExifSearch FindJpegExif(BoundedStream& stream, ExifLocation& where);
