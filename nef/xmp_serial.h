// The body's serial number as an XMP packet records it, the aux:SerialNumber
// property (namespace http://ns.adobe.com/exif/1.0/aux/), which editors keep
// when they drop the maker note. Not an XML parser: a bounded scan for that
// one property, as an attribute (aux:SerialNumber="...") or an element
// (<aux:SerialNumber>...</aux:SerialNumber>), through a fixed window, so
// that a packet of any size costs at most kXmpScanBytes of reading.
#pragma once

#include <cstdint>
#include <string>

#include "bounded_stream.h"

// How much of a packet is looked through. Packets from cameras and editors
// are a few kilobytes; a padded one may reach a few hundred.
constexpr std::uint64_t kXmpScanBytes = 1024 * 1024;

// Looks through the `length` bytes at `position` for the property's first
// occurrence and sets `serial` to its value, with the XML character
// references in it resolved, or clears it: when the packet has none, the
// value is empty, longer than kTextBufferBytes or not closed where it is
// looked for, or the packet is not UTF-8 (UTF-16 packets name no property
// in bytes this scan can find). kIoError only when the file failed a read.
ReadResult FindXmpSerial(BoundedStream& stream, std::uint64_t position, std::uint64_t length, std::string& serial);
