// Reads the entries a shutter-count readout needs: Model and DateTime from
// IFD0, the Exif IFD pointer, the Exif MakerNote (or, in a DNG file, the
// maker note kept in IFD0's DNGPrivateData), the two counters in the maker
// note's own directory, and the body's serial number from the first place
// that records one: the maker note (0x001D, then the older 0x00A0), the
// Exif BodySerialNumber (in the Exif IFD, then IFD0), a DNG's
// CameraSerialNumber, and the XMP packet's aux:SerialNumber.
#include "nef_readout.h"

#include "dng_private_data.h"
#include "jpeg_exif.h"
#include "xmp_serial.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t kTagModel = 0x0110;              // IFD0
constexpr std::uint16_t kTagDateTime = 0x0132;           // IFD0
constexpr std::uint16_t kTagExifIfd = 0x8769;            // IFD0
constexpr std::uint16_t kTagDngPrivateData = 0xC634;     // IFD0
constexpr std::uint16_t kTagMakerNote = 0x927C;          // Exif IFD
constexpr std::uint16_t kTagXmp = 0x02BC;                // IFD0
constexpr std::uint16_t kTagCameraSerialNumber = 0xC62F; // IFD0 of a DNG
constexpr std::uint16_t kTagBodySerialNumber = 0xA431;   // Exif IFD, or IFD0
constexpr std::uint16_t kTagSerialNumber = 0x001D;       // maker note
constexpr std::uint16_t kTagOlderSerialNumber = 0x00A0;  // maker note: "No= 3004871a" and the like
constexpr std::uint16_t kTagMechanicalCount = 0x0037;    // maker note
constexpr std::uint16_t kTagTotalCount = 0x00A7;         // maker note

constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeUndefined = 7;

// Cameras write IFD0 directly behind the header; software that re-saves a
// file may move it and say where in the header.
constexpr std::uint64_t kIfd0Position = 8;

// A Nikon maker note starts with "Nikon\0", a 4-byte version, and a TIFF
// header of its own at +10; its directory stands at +18, 8 bytes into that
// embedded TIFF structure, whose offsets count from that header.
constexpr std::uint64_t kMakerHeaderOffset = 10;
constexpr std::uint64_t kMakerIfdInHeader = 8;

// The oldest Nikon maker note (Coolpix bodies of about 1999-2001): the
// signature and version 1, then a directory straight away, whose offsets
// count from the file's own TIFF header. It records no shutter count.
constexpr char kVersion1Note[8] = {'N', 'i', 'k', 'o', 'n', '\0', 0x01, 0x00};
constexpr std::uint64_t kVersion1NoteIfd = 8;

// What Nikon writes into a counter it has no value for ("n/a").
constexpr std::uint32_t kCountNotAvailable = 0xFFFFF7FF;

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

// A serial as stored, without the blanks and zero bytes some bodies pad it
// with; all blank, it is none.
std::string TrimmedSerial(std::string text)
{
    const std::size_t end = text.find_last_not_of(std::string_view(" \t\0", 3));
    text.erase(end == std::string::npos ? 0 : end + 1);
    return text;
}

// A serial number: an ASCII entry's text, empty when there is none to
// trust. One that lies outside its part of the file is left out rather than
// failing the readout, which is about the counters; one cut short by the
// text buffer would name another body, so it is left out too.
ReadResult ReadSerial(BoundedStream& stream, const TiffEntry* entry, int bSwap, std::string& serial)
{
    serial.clear();
    if (!entry || EntryType(*entry) != kTypeAscii)
        return ReadResult::kOk;
    std::string text;
    const ReadResult result = ReadText(stream, *entry, bSwap, text);
    if (result == ReadResult::kIoError)
        return result;
    const bool cut = text.size() == kTextBufferBytes && EntryCount(*entry) > kTextBufferBytes;
    if (result == ReadResult::kOk && !cut)
        serial = TrimmedSerial(text);
    return ReadResult::kOk;
}

// Sets `serial` from the first of `tags` in `block` that holds one.
ReadResult ReadFirstSerial(BoundedStream& stream, const IfdBlock& block, std::initializer_list<std::uint16_t> tags,
                           int bSwap, std::string& serial)
{
    for (std::uint16_t tag : tags) {
        const ReadResult result = ReadSerial(stream, LastEntryWithTag(block, tag), bSwap, serial);
        if (result != ReadResult::kOk || !serial.empty())
            return result;
    }
    return ReadResult::kOk;
}

void Clear(NefReadout& readout)
{
    std::memset(readout.m_header, 0, sizeof readout.m_header);
    readout.m_ifd0.ClearKeepingMemory();
    readout.m_exifIfd.ClearKeepingMemory();
    readout.m_makerIfd.ClearKeepingMemory();
    readout.m_mechanicalCount = 0;
    readout.m_electronicCount = 0;
    readout.m_totalCount = 0;
    readout.m_shootingDate.clear();
    readout.m_camera.clear();
    readout.m_serialNumber.clear();
    readout.m_bMechanicalFound = 0;
}

}  // namespace

void CopyReadoutWithoutTables(const NefReadout& from, NefReadout& to)
{
    std::memcpy(to.m_header, from.m_header, sizeof to.m_header);
    to.m_mechanicalCount = from.m_mechanicalCount;
    to.m_electronicCount = from.m_electronicCount;
    to.m_totalCount = from.m_totalCount;
    to.m_shootingDate = from.m_shootingDate;
    to.m_camera = from.m_camera;
    to.m_serialNumber = from.m_serialNumber;
    to.m_bMechanicalFound = from.m_bMechanicalFound;
}

namespace {

std::int32_t AsSigned(std::uint32_t value)
{
    std::int32_t result;
    std::memcpy(&result, &value, sizeof result);
    return result;
}

// The three counters from the maker note's directory.
NefOutcome DeriveCounters(NefReadout& readout)
{
    const TiffEntry* mechanical = LastEntryWithTag(readout.m_makerIfd, kTagMechanicalCount);
    const TiffEntry* total = LastEntryWithTag(readout.m_makerIfd, kTagTotalCount);
    // "Not available" is no count: shown as a number it would read as a
    // valid readout (-2049 when signed).
    if (total && EntryValue(*total) == kCountNotAvailable)
        return NefOutcome::Failure(NefProblem::kShutterCountNotRecorded);
    if (mechanical && EntryValue(*mechanical) == kCountNotAvailable)
        mechanical = nullptr;
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
        readout.m_bMechanicalFound = 1;
    }
    readout.m_totalCount = AsSigned(totalCount);
    return NefOutcome::Success();
}

// The maker note whose first byte stands at `position`, `size` bytes long
// at most: its directory, its serial number and the counters. Everything is
// read inside the note's embedded TIFF structure, from its header at +10,
// where the note's own offsets count from. A maker note rewritten by other
// software can keep its own byte order, declared by that header; without a
// valid one `fallbackSwap` applies (the order the note was written in).
NefOutcome ReadMakerNote(BoundedStream& stream, std::uint64_t position, std::uint64_t size, int fallbackSwap,
                         NefReadout& readout)
{
    char signature[sizeof kVersion1Note];
    if (size >= sizeof signature && stream.ReadAt(position, signature, sizeof signature) == ReadResult::kOk &&
        std::memcmp(signature, kVersion1Note, sizeof signature) == 0) {
        const ReadResult result = ReadIfd(stream, position + kVersion1NoteIfd, fallbackSwap, readout.m_makerIfd);
        if (result != ReadResult::kOk)
            return NefOutcome::Failure(Problem(result, NefProblem::kMakerNoteTruncated));
        return NefOutcome::Failure(NefProblem::kNoShutterCount);
    }
    if (size < kMakerHeaderOffset)
        return NefOutcome::Failure(NefProblem::kMakerNoteTruncated);
    const StreamPart note(stream, position + kMakerHeaderOffset, size - kMakerHeaderOffset);
    if (!note.Inside())
        return NefOutcome::Failure(NefProblem::kMakerNoteTruncated);

    std::uint8_t header[8];
    ReadResult result = stream.ReadAt(0, header, sizeof header);
    const int declared = result == ReadResult::kOk ? DeclaredSwap(header) : -1;
    const int makerSwap = declared >= 0 ? declared : fallbackSwap;
    if (result == ReadResult::kOk)
        result = ReadIfd(stream, kMakerIfdInHeader, makerSwap, readout.m_makerIfd);
    if (result == ReadResult::kOk)
        result = ReadFirstSerial(stream, readout.m_makerIfd, {kTagSerialNumber, kTagOlderSerialNumber}, makerSwap,
                                 readout.m_serialNumber);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kMakerNoteTruncated));
    return DeriveCounters(readout);
}

// The maker note a DNG converter kept in the DNGPrivateData entry. Private
// data of another kind holds none, which fails as `absent`.
NefOutcome ReadDngMakerNote(BoundedStream& stream, const TiffEntry& privateData, NefProblem absent,
                            NefReadout& readout)
{
    DngMakerNote note;
    switch (FindDngMakerNote(stream, EntryValue(privateData), EntryCount(privateData), note)) {
    case DngSearch::kFound:
        return ReadMakerNote(stream, note.position, note.size, note.originalSwap, readout);
    case DngSearch::kNotAdobe:
        return NefOutcome::Failure(absent);
    case DngSearch::kNoMakerNote:
        return NefOutcome::Failure(NefProblem::kNoMakerNote);
    case DngSearch::kNotNikon:
        return NefOutcome::Failure(NefProblem::kDngMakerNoteNotNikon);
    case DngSearch::kOutside:
        return NefOutcome::Failure(NefProblem::kDngPrivateDataOutside);
    case DngSearch::kMalformed:
        return NefOutcome::Failure(NefProblem::kDngPrivateDataMalformed);
    case DngSearch::kIoError:
        break;
    }
    return NefOutcome::Failure(NefProblem::kUnreadable);
}

NefOutcome ReadCounters(BoundedStream& stream, NefReadout& readout, int bSwap)
{
    const TiffEntry* exifPointer = LastEntryWithTag(readout.m_ifd0, kTagExifIfd);
    if (exifPointer) {
        const ReadResult result = ReadIfd(stream, EntryValue(*exifPointer), bSwap, readout.m_exifIfd);
        if (result != ReadResult::kOk)
            return NefOutcome::Failure(Problem(result, NefProblem::kExifDirectoryOutside));
    }

    // The Exif maker note is the camera's own; a DNG file's private data is
    // only asked when the Exif IFD has none.
    const NefProblem absent = exifPointer ? NefProblem::kNoMakerNote : NefProblem::kNoExifDirectory;
    NefOutcome outcome = NefOutcome::Failure(absent);
    const TiffEntry* privateData = LastEntryWithTag(readout.m_ifd0, kTagDngPrivateData);
    if (const TiffEntry* makerNote = LastEntryWithTag(readout.m_exifIfd, kTagMakerNote)) {
        const std::uint64_t makerAt = EntryValue(*makerNote);
        const std::uint64_t rest = makerAt <= stream.Size() ? stream.Size() - makerAt : 0;
        outcome = ReadMakerNote(stream, makerAt, rest, bSwap, readout);
    } else if (privateData) {
        outcome = ReadDngMakerNote(stream, *privateData, absent, readout);
    }

    if (readout.m_serialNumber.empty() && outcome.Problem() != NefProblem::kUnreadable) {
        ReadResult result = ReadSerial(stream, LastEntryWithTag(readout.m_exifIfd, kTagBodySerialNumber), bSwap,
                                       readout.m_serialNumber);
        if (result == ReadResult::kOk && readout.m_serialNumber.empty())
            result = ReadFirstSerial(stream, readout.m_ifd0, {kTagBodySerialNumber, kTagCameraSerialNumber}, bSwap,
                                     readout.m_serialNumber);
        if (result == ReadResult::kOk && readout.m_serialNumber.empty()) {
            // A packet of bytes: BYTE or UNDEFINED as written, ASCII by some software.
            const TiffEntry* xmp = LastEntryWithTag(readout.m_ifd0, kTagXmp);
            const std::uint16_t type = xmp ? EntryType(*xmp) : 0;
            if (type == kTypeByte || type == kTypeAscii || type == kTypeUndefined)
                result = FindXmpSerial(stream, EntryValue(*xmp), EntryCount(*xmp), readout.m_serialNumber);
            readout.m_serialNumber = TrimmedSerial(readout.m_serialNumber);
        }
        if (result != ReadResult::kOk)
            return NefOutcome::Failure(NefProblem::kUnreadable);
    }
    return outcome;
}

// IFD0's position as the header's offset field gives it, in the file's
// byte order.
std::uint32_t DeclaredIfd0Position(const std::uint8_t (&header)[8], int bSwap)
{
    std::uint8_t field[4] = {header[4], header[5], header[6], header[7]};
    if (bSwap)
        ReverseBytes(sizeof field, field);
    return BigEndian32(field);
}

// IFD0 where the header says, when a whole directory of at least one entry
// (its count, entries and next-directory pointer) fits there, behind the
// header; at 8 otherwise, so that a header whose offset field is nonsense
// still reads. Only the declared place is trusted when it holds one: a
// re-saved file may keep a stale copy of an earlier IFD0 at 8.
ReadResult ReadIfd0(BoundedStream& stream, const std::uint8_t (&header)[8], int bSwap, IfdBlock& block)
{
    const std::uint64_t declared = DeclaredIfd0Position(header, bSwap);
    if (declared != kIfd0Position && declared >= sizeof header) {
        const ReadResult result = ReadIfd(stream, declared, bSwap, block);
        if (result == ReadResult::kIoError)
            return result;
        const std::uint64_t directoryBytes = 2 + std::uint64_t{block.m_entryCount} * sizeof(TiffEntry) + 4;
        if (result == ReadResult::kOk && block.m_entryCount > 0 && directoryBytes <= stream.Size() - declared)
            return result;
    }
    return ReadIfd(stream, kIfd0Position, bSwap, block);
}

NefOutcome ReadFields(BoundedStream& stream, NefReadout& readout)
{
    int bSwap = 0;
    ReadResult result = ReadTiffHeader(stream, readout.m_header, bSwap);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(Problem(result, NefProblem::kTooShort));

    result = ReadIfd0(stream, readout.m_header, bSwap, readout.m_ifd0);
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


// The JPEG structure read: the Exif segment's TIFF structure when there is
// one (`tiffRead` then set), and then, for a serial no entry gave, the XMP
// segment.
NefOutcome ReadJpeg(BoundedStream& stream, NefReadout& readout, bool& tiffRead)
{
    const std::uint64_t wholeSize = stream.Size();
    NefOutcome outcome = NefOutcome::Success();
    App1Payload exif;
    switch (FindJpegExif(stream, exif)) {
    case ExifSearch::kFound:
        if (!stream.Restrict(exif.start, exif.size))
            return NefOutcome::Failure(NefProblem::kJpegSegmentTruncated);
        tiffRead = true;
        outcome = ReadFields(stream, readout);
        break;
    case ExifSearch::kNoExif:
        outcome = NefOutcome::Failure(NefProblem::kNoJpegExif);
        break;
    case ExifSearch::kTruncated:
        return NefOutcome::Failure(NefProblem::kJpegSegmentTruncated);
    case ExifSearch::kMalformed:
        return NefOutcome::Failure(NefProblem::kJpegMalformed);
    case ExifSearch::kIoError:
        return NefOutcome::Failure(NefProblem::kUnreadable);
    }
    if (!readout.m_serialNumber.empty() || outcome.Problem() == NefProblem::kUnreadable)
        return outcome;
    stream.Restrict(0, wholeSize);
    App1Payload xmp;
    const ExifSearch found = FindJpegXmp(stream, xmp);
    ReadResult result = found == ExifSearch::kIoError ? ReadResult::kIoError : ReadResult::kOk;
    if (found == ExifSearch::kFound)
        result = FindXmpSerial(stream, xmp.start, xmp.size, readout.m_serialNumber);
    if (result != ReadResult::kOk)
        return NefOutcome::Failure(NefProblem::kUnreadable);
    readout.m_serialNumber = TrimmedSerial(readout.m_serialNumber);
    return outcome;
}

}  // namespace

NefOutcome ReadNefStream(BoundedStream& stream, NefReadout& readout)
{
    Clear(readout);
    const bool jpeg = StartsAsJpeg(stream);
    bool tiffRead = !jpeg;
    const NefOutcome outcome = jpeg ? ReadJpeg(stream, readout, tiffRead) : ReadFields(stream, readout);
    if (!outcome) {
        readout.m_mechanicalCount = 0;
        readout.m_electronicCount = 0;
        readout.m_totalCount = 0;
        readout.m_bMechanicalFound = 0;
        // Any first byte is taken as a byte order, so a file of another kind
        // is only found out when its structure fails; name the real cause
        // then. Texts read from such a file are noise, not a camera's words.
        const bool headerRead = tiffRead && stream.Size() >= sizeof readout.m_header;
        if (headerRead && DeclaredSwap(readout.m_header) < 0 && outcome.Problem() != NefProblem::kUnreadable) {
            readout.m_camera.clear();
            readout.m_shootingDate.clear();
            readout.m_serialNumber.clear();
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
    case OpenResult::kLinkLoop: return NefOutcome::Failure(NefProblem::kLinkLoop);
    case OpenResult::kNetworkUnavailable: return NefOutcome::Failure(NefProblem::kNetworkUnavailable);
    case OpenResult::kUnreadable: return NefOutcome::Failure(NefProblem::kUnreadable);
    }
    return NefOutcome::Failure(NefProblem::kCannotOpen);
}

}  // namespace

NefOutcome ReadNefFile(const char* path, NefReadout& readout) { return OpenAndRead(path, readout); }

#ifdef _WIN32
NefOutcome ReadNefFile(const wchar_t* path, NefReadout& readout) { return OpenAndRead(path, readout); }
#endif
