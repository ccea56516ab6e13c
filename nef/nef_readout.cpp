// Reads the six entries a shutter-count readout needs: Model and DateTime
// from IFD0, the Exif IFD pointer, the Exif MakerNote, and the two counters
// in the maker note's own directory.
#include "nef_readout.h"

#include "jpeg_exif.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t kTagModel = 0x0110;              // IFD0
constexpr std::uint16_t kTagDateTime = 0x0132;           // IFD0
constexpr std::uint16_t kTagExifIfd = 0x8769;            // IFD0
constexpr std::uint16_t kTagMakerNote = 0x927C;          // Exif IFD
constexpr std::uint16_t kTagMechanicalCount = 0x0037;    // maker note
constexpr std::uint16_t kTagTotalCount = 0x00A7;         // maker note

// IFD0 is taken to stand directly behind the header, whatever the header's
// own offset field says.
constexpr std::uint64_t kIfd0Position = 8;

// A Nikon maker note starts with "Nikon\0", a 4-byte version, and a TIFF
// header of its own at +10; its directory stands at +18.
constexpr std::uint64_t kMakerHeaderOffset = 10;
constexpr std::uint64_t kMakerIfdOffset = 18;

const TiffEntry* LastEntryWithTag(const IfdBlock& block, std::uint16_t tag)
{
    // The whole table is scanned: a later entry with the same tag wins.
    const TiffEntry* found = nullptr;
    for (const TiffEntry& entry : block.m_entries) {
        if (EntryTag(entry) == tag)
            found = &entry;
    }
    return found;
}

NefProblem Problem(ReadResult result, NefProblem outOfRange)
{
    return result == ReadResult::kIoError ? NefProblem::kUnreadable : outOfRange;
}

// An ASCII entry's text up to its first zero byte and at most
// kTextBufferBytes long. A text of 4 bytes or fewer is kept inside the
// entry's value field, in the order its bytes stand in the file.
ReadResult ReadText(BoundedStream& stream, const TiffEntry& entry, int bSwap, std::string& text)
{
    const std::uint32_t count = EntryCount(entry);
    char buffer[kTextBufferBytes] = {};
    std::size_t length = 0;
    if (count <= sizeof entry.value) {
        std::uint8_t inFileOrder[sizeof entry.value];
        std::memcpy(inFileOrder, entry.value, sizeof inFileOrder);
        if (bSwap)
            ReverseBytes(sizeof inFileOrder, inFileOrder);
        length = count;
        std::memcpy(buffer, inFileOrder, length);
    } else {
        length = std::min<std::size_t>(count, sizeof buffer);
        const ReadResult result = stream.ReadAt(EntryValue(entry), buffer, length);
        if (result != ReadResult::kOk)
            return result;
    }
    text.assign(buffer, std::find(buffer, buffer + length, '\0'));
    return ReadResult::kOk;
}

// The byte order a full TIFF header declares ("II" with 42 little-endian,
// "MM" with 42 big-endian) as a bSwap value, or -1 for anything else.
int DeclaredSwap(const std::uint8_t (&header)[8])
{
    if (header[0] == 'I' && header[1] == 'I' && header[2] == 42 && header[3] == 0)
        return 1;
    if (header[0] == 'M' && header[1] == 'M' && header[2] == 0 && header[3] == 42)
        return 0;
    return -1;
}

// A maker note rewritten by other software can keep its own byte order,
// declared by the TIFF header at +10; without a valid one the file's order
// applies.
ReadResult MakerNoteSwap(BoundedStream& stream, std::uint64_t makerNote, int fileSwap, int& makerSwap)
{
    std::uint8_t header[8];
    const ReadResult result = stream.ReadAt(makerNote + kMakerHeaderOffset, header, sizeof header);
    if (result != ReadResult::kOk)
        return result;
    const int declared = DeclaredSwap(header);
    makerSwap = declared >= 0 ? declared : fileSwap;
    return ReadResult::kOk;
}

void Clear(NefReadout& readout)
{
    std::memset(readout.m_header, 0, sizeof readout.m_header);
    readout.m_ifd0.Clear();
    readout.m_exifIfd.Clear();
    readout.m_makerIfd.Clear();
    readout.m_mechanicalCount = 0;
    readout.m_electronicCount = 0;
    readout.m_totalCount = 0;
    readout.m_shootingDate.clear();
    readout.m_camera.clear();
}

std::int32_t AsSigned(std::uint32_t value)
{
    std::int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

NefOutcome ReadCounters(BoundedStream& stream, NefReadout& readout, int bSwap)
{
    const TiffEntry* exifPointer = LastEntryWithTag(readout.m_ifd0, kTagExifIfd);
    if (!exifPointer)
        return NefOutcome::Failure(NefProblem::kNoExifDirectory);
    ReadResult result = ReadIfd(stream, EntryValue(*exifPointer), bSwap, readout.m_exifIfd);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kExifDirectoryOutside));

    const TiffEntry* makerNote = LastEntryWithTag(readout.m_exifIfd, kTagMakerNote);
    if (!makerNote)
        return NefOutcome::Failure(NefProblem::kNoMakerNote);
    const std::uint64_t makerAt = EntryValue(*makerNote);
    int makerSwap = bSwap;
    result = MakerNoteSwap(stream, makerAt, bSwap, makerSwap);
    if (result == ReadResult::kOk)
        result = ReadIfd(stream, makerAt + kMakerIfdOffset, makerSwap, readout.m_makerIfd);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kMakerNoteTruncated));

    const TiffEntry* mechanical = LastEntryWithTag(readout.m_makerIfd, kTagMechanicalCount);
    const TiffEntry* total = LastEntryWithTag(readout.m_makerIfd, kTagTotalCount);
    if (!mechanical && !total)
        return NefOutcome::Failure(NefProblem::kNoShutterCount);

    // Cameras without a separate mechanical counter count every release as
    // mechanical. The difference wraps as 32-bit arithmetic, so a total
    // below the mechanical count shows as a negative electronic count.
    const std::uint32_t totalCount = total ? EntryValue(*total) : 0;
    if (!mechanical) {
        readout.m_mechanicalCount = AsSigned(totalCount);
        readout.m_electronicCount = 0;
    } else {
        const std::uint32_t mechanicalCount = EntryValue(*mechanical);
        readout.m_mechanicalCount = AsSigned(mechanicalCount);
        readout.m_electronicCount = AsSigned(totalCount - mechanicalCount);
    }
    readout.m_totalCount = AsSigned(totalCount);
    return NefOutcome::Success();
}

NefOutcome ReadFields(BoundedStream& stream, NefReadout& readout)
{
    int bSwap = 0;
    ReadResult result = ReadTiffHeader(stream, readout.m_header, bSwap);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kTooShort));

    result = ReadIfd(stream, kIfd0Position, bSwap, readout.m_ifd0);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kFirstDirectoryTruncated));

    if (const TiffEntry* model = LastEntryWithTag(readout.m_ifd0, kTagModel)) {
        result = ReadText(stream, *model, bSwap, readout.m_camera);
        if (result != ReadResult::kOk)
            return NefOutcome::Failure(Problem(result, NefProblem::kModelOutside));
    }
    if (const TiffEntry* date = LastEntryWithTag(readout.m_ifd0, kTagDateTime)) {
        result = ReadText(stream, *date, bSwap, readout.m_shootingDate);
        if (result != ReadResult::kOk)
            return NefOutcome::Failure(Problem(result, NefProblem::kDateOutside));
    }
    return ReadCounters(stream, readout, bSwap);
}

}  // namespace

NefOutcome ReadNefStream(BoundedStream& stream, NefReadout& readout)
{
    Clear(readout);
    const bool jpeg = StartsAsJpeg(stream);
    if (jpeg) {
        ExifLocation exif;
        switch (FindJpegExif(stream, exif)) {
        case ExifSearch::kFound:
            break;
        case ExifSearch::kNoExif:
            return NefOutcome::Failure(NefProblem::kNoJpegExif);
        case ExifSearch::kTruncated:
            return NefOutcome::Failure(NefProblem::kJpegSegmentTruncated);
        case ExifSearch::kMalformed:
            return NefOutcome::Failure(NefProblem::kJpegMalformed);
        case ExifSearch::kIoError:
            return NefOutcome::Failure(NefProblem::kUnreadable);
        }
        if (!stream.Restrict(exif.tiffStart, exif.tiffSize))
            return NefOutcome::Failure(NefProblem::kJpegSegmentTruncated);
    }

    const NefOutcome outcome = ReadFields(stream, readout);
    if (!outcome) {
        readout.m_mechanicalCount = 0;
        readout.m_electronicCount = 0;
        readout.m_totalCount = 0;
        // Any first byte is taken as a byte order, so a file of another kind
        // is only found out when its structure fails; name the real cause
        // then. Texts read from such a file are noise, not a camera's words.
        const bool headerRead = stream.Size() >= sizeof readout.m_header;
        if (headerRead && DeclaredSwap(readout.m_header) < 0 && outcome.Problem() != NefProblem::kUnreadable) {
            readout.m_camera.clear();
            readout.m_shootingDate.clear();
            return NefOutcome::Failure(jpeg ? NefProblem::kJpegExifNotTiff : NefProblem::kNotNefOrJpeg);
        }
    }
    return outcome;
}

namespace {

template <typename Char>
NefOutcome OpenAndRead(const Char* path, NefReadout& readout)
{
    Clear(readout);
    BoundedStream stream;
    switch (stream.Open(path)) {
    case OpenResult::kOk: return ReadNefStream(stream, readout);
    case OpenResult::kCannotOpen: break;
    case OpenResult::kNotAFile: return NefOutcome::Failure(NefProblem::kNotAFile);
    case OpenResult::kFolder: return NefOutcome::Failure(NefProblem::kFolder);
    case OpenResult::kNoSuchFile: return NefOutcome::Failure(NefProblem::kNoSuchFile);
    case OpenResult::kPermissionDenied: return NefOutcome::Failure(NefProblem::kPermissionDenied);
    case OpenResult::kPathTooLong: return NefOutcome::Failure(NefProblem::kPathTooLong);
    case OpenResult::kInUse: return NefOutcome::Failure(NefProblem::kInUse);
    case OpenResult::kTooManyOpenFiles: return NefOutcome::Failure(NefProblem::kTooManyOpenFiles);
    }
    return NefOutcome::Failure(NefProblem::kCannotOpen);
}

}  // namespace

NefOutcome ReadNefFile(const char* path, NefReadout& readout) { return OpenAndRead(path, readout); }

#ifdef _WIN32
NefOutcome ReadNefFile(const wchar_t* path, NefReadout& readout) { return OpenAndRead(path, readout); }
#endif
