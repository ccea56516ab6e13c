#include "jpeg_exif.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::uint8_t kMarkerStartOfImage = 0xD8;
constexpr std::uint8_t kMarkerEndOfImage = 0xD9;
constexpr std::uint8_t kMarkerStartOfScan = 0xDA;
constexpr std::uint8_t kMarkerApp1 = 0xE1;

constexpr std::string_view kExifSignature("Exif\0\0", 6);
constexpr std::string_view kXmpSignature("http://ns.adobe.com/xap/1.0/\0", 29);
static_assert(kExifSignature.size() <= kXmpSignature.size());

// Camera files have a handful of segments before the image data; this bound
// keeps a crafted file of thousands of tiny segments from being walked.
constexpr int kMaxMarkerSteps = 1024;

bool IsStandalone(std::uint8_t marker)
{
    // TEM and the restart markers carry no length field.
    return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7);
}

ExifSearch FromRead(ReadResult result)
{
    return result == ReadResult::kIoError ? ExifSearch::kIoError : ExifSearch::kTruncated;
}

ExifSearch FindApp1(BoundedStream& stream, std::string_view wanted, App1Payload& where);

}  // namespace

bool StartsAsJpeg(BoundedStream& stream)
{
    std::uint8_t magic[2];
    return stream.ReadAt(0, magic, sizeof magic) == ReadResult::kOk && magic[0] == 0xFF &&
           magic[1] == kMarkerStartOfImage;
}

ExifSearch FindJpegExif(BoundedStream& stream, App1Payload& where) { return FindApp1(stream, kExifSignature, where); }

ExifSearch FindJpegXmp(BoundedStream& stream, App1Payload& where) { return FindApp1(stream, kXmpSignature, where); }

namespace {

// Walks the markers up to the first APP1 segment whose payload begins with
// `wanted`.
ExifSearch FindApp1(BoundedStream& stream, std::string_view wanted, App1Payload& where)
{
    std::uint64_t position = 2;  // behind the start-of-image marker
    for (int step = 0; step < kMaxMarkerSteps; ++step) {
        std::uint8_t marker[2];
        ReadResult result = stream.ReadAt(position, marker, sizeof marker);
        if (result != ReadResult::kOk)
            return FromRead(result);
        if (marker[0] != 0xFF)
            return ExifSearch::kMalformed;
        if (marker[1] == 0xFF) {  // a fill byte before the marker
            position += 1;
            continue;
        }
        if (marker[1] == kMarkerStartOfScan || marker[1] == kMarkerEndOfImage)
            return ExifSearch::kNoExif;
        if (marker[1] == kMarkerStartOfImage)
            return ExifSearch::kMalformed;
        if (IsStandalone(marker[1])) {
            position += 2;
            continue;
        }

        // The length counts its own two bytes and the segment's data.
        std::uint8_t lengthBytes[2];
        result = stream.ReadAt(position + 2, lengthBytes, sizeof lengthBytes);
        if (result != ReadResult::kOk)
            return FromRead(result);
        const std::uint64_t length = std::uint64_t{lengthBytes[0]} << 8 | lengthBytes[1];
        if (length < 2)
            return ExifSearch::kMalformed;
        const std::uint64_t dataStart = position + 4;
        const std::uint64_t dataSize = length - 2;
        if (dataSize > stream.Size() - dataStart)
            return ExifSearch::kTruncated;

        if (marker[1] == kMarkerApp1 && dataSize >= wanted.size()) {
            char signature[kXmpSignature.size()];
            result = stream.ReadAt(dataStart, signature, wanted.size());
            if (result != ReadResult::kOk)
                return FromRead(result);
            if (std::memcmp(signature, wanted.data(), wanted.size()) == 0) {
                where.start = dataStart + wanted.size();
                where.size = dataSize - wanted.size();
                return ExifSearch::kFound;
            }
        }
        position = dataStart + dataSize;
    }
    return ExifSearch::kMalformed;
}

}  // namespace
