#include "dng_private_data.h"

#include <cstring>

#include "tiff_entry.h"

namespace {

constexpr char kAdobeSignature[6] = {'A', 'd', 'o', 'b', 'e', '\0'};
constexpr char kMakerNoteRecord[4] = {'M', 'a', 'k', 'N'};
// A Nikon maker note with an embedded TIFF header: "Nikon\0" and major
// version 2; older ones keep no header and their directory elsewhere.
constexpr char kNikonSignature[7] = {'N', 'i', 'k', 'o', 'n', '\0', '\x02'};
// Converting a camera JPEG, one converter copies the maker note from 12
// bytes too early, so that these 4 bytes (and 8 more) come first.
constexpr char kMisplacedJpegNote[4] = {'\0', '\0', '\0', '\x01'};
constexpr std::uint64_t kMisplacedJpegBytes = 12;

// Bytes of a record's header and of MakN's own header.
constexpr std::uint64_t kRecordHeaderBytes = 8;
constexpr std::uint64_t kMakerNoteHeaderBytes = 6;

// Blocks hold a handful of records; this bound keeps a crafted block of
// millions of empty ones from being walked.
constexpr int kMaxRecords = 64;

DngSearch FromRead(ReadResult result)
{
    return result == ReadResult::kIoError ? DngSearch::kIoError : DngSearch::kOutside;
}

// True when `signature` stands at `position` (false when it does not fit
// before `end`); `result` reports a failed read.
bool StandsAt(BoundedStream& stream, std::uint64_t position, std::uint64_t end, const char* signature,
              std::size_t length, ReadResult& result)
{
    result = ReadResult::kOk;
    if (position > end || length > end - position)
        return false;
    char bytes[8];
    result = stream.ReadAt(position, bytes, length);
    return result == ReadResult::kOk && std::memcmp(bytes, signature, length) == 0;
}

// The MakN record's data of `size` bytes at `position`.
DngSearch ReadMakerNoteRecord(BoundedStream& stream, std::uint64_t position, std::uint64_t size,
                              DngMakerNote& where)
{
    std::uint8_t header[kMakerNoteHeaderBytes];
    if (size < sizeof header)
        return DngSearch::kMalformed;
    ReadResult result = stream.ReadAt(position, header, sizeof header);
    if (result != ReadResult::kOk)
        return FromRead(result);
    if (header[0] == 'I' && header[1] == 'I')
        where.originalSwap = 1;
    else if (header[0] == 'M' && header[1] == 'M')
        where.originalSwap = 0;
    else
        return DngSearch::kMalformed;
    where.originalOffset = BigEndian32(header + 2);

    const std::uint64_t end = position + size;
    std::uint64_t note = position + sizeof header;
    if (!StandsAt(stream, note, end, kNikonSignature, sizeof kNikonSignature, result)) {
        if (result != ReadResult::kOk)
            return FromRead(result);
        const bool misplaced =
            StandsAt(stream, note, end, kMisplacedJpegNote, sizeof kMisplacedJpegNote, result) &&
            StandsAt(stream, note + kMisplacedJpegBytes, end, kNikonSignature, sizeof kNikonSignature, result);
        if (result != ReadResult::kOk)
            return FromRead(result);
        if (!misplaced)
            return DngSearch::kNotNikon;
        note += kMisplacedJpegBytes;
    }
    where.position = note;
    where.size = end - note;
    return DngSearch::kFound;
}

}  // namespace

DngSearch FindDngMakerNote(BoundedStream& stream, std::uint64_t position, std::uint64_t size, DngMakerNote& where)
{
    // Private data too short for the signature is kept inside the entry
    // itself, and is no Adobe block either way.
    if (size < sizeof kAdobeSignature)
        return DngSearch::kNotAdobe;
    if (position > stream.Size() || size > stream.Size() - position)
        return DngSearch::kOutside;
    ReadResult result = ReadResult::kOk;
    if (!StandsAt(stream, position, position + size, kAdobeSignature, sizeof kAdobeSignature, result))
        return result == ReadResult::kOk ? DngSearch::kNotAdobe : FromRead(result);

    const std::uint64_t end = position + size;
    std::uint64_t at = position + sizeof kAdobeSignature;
    for (int record = 0; record < kMaxRecords; ++record) {
        // Fewer bytes than a record header left over: the block has ended.
        if (end - at < kRecordHeaderBytes)
            return DngSearch::kNoMakerNote;
        std::uint8_t header[kRecordHeaderBytes];
        result = stream.ReadAt(at, header, sizeof header);
        if (result != ReadResult::kOk)
            return FromRead(result);
        at += sizeof header;
        const std::uint64_t length = BigEndian32(header + 4);
        if (length > end - at)
            return DngSearch::kMalformed;
        if (std::memcmp(header, kMakerNoteRecord, sizeof kMakerNoteRecord) == 0)
            return ReadMakerNoteRecord(stream, at, length, where);
        // The pad byte behind an odd length may be the block's last byte
        // or missing at its very end.
        at += length + (length & 1);
        if (at > end)
            return DngSearch::kNoMakerNote;
    }
    return DngSearch::kMalformed;
}
