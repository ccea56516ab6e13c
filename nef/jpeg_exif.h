// Finding what a JPEG file's APP1 segments hold: the Exif segment's
// payload, behind "Exif\0\0", holds a complete TIFF header and directories
// whose positions count from that header; the XMP segment's, behind
// "http://ns.adobe.com/xap/1.0/\0", an XMP packet.
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

struct App1Payload {
    std::uint64_t start = 0;  // behind the signature, in file positions
    std::uint64_t size = 0;   // up to the end of the APP1 segment
};

// True when the file starts with a JPEG start-of-image marker (FF D8).
bool StartsAsJpeg(BoundedStream& stream);

// Walks the markers from the start of the file up to the first Exif APP1
// segment, stopping at the start of the image data. Only segment headers
// are read, never the data between them.
ExifSearch FindJpegExif(BoundedStream& stream, App1Payload& where);

// The same walk, up to the first XMP APP1 segment.
ExifSearch FindJpegXmp(BoundedStream& stream, App1Payload& where);
