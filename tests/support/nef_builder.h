// Test-side writer of NEF-structured files: an 8-byte TIFF header, IFD0 at
// offset 8, an Exif IFD, and a Nikon maker note ("Nikon\0", version, its own
// TIFF header at +10, its directory at +18), in either byte order and with
// any entries a test chooses. It also writes such a file as other software
// leaves it: re-saved with IFD0 moved, or converted to a DNG file. It
// writes exactly what it is told, malformed input included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace nef_test {

enum class Order { kLittle, kBig };

constexpr std::uint16_t kTypeByte = 1;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::uint16_t kTypeLong = 4;
constexpr std::uint16_t kTypeUndefined = 7;

// Where the builder put things, for tests that cut or corrupt a file.
struct NefLayout {
    std::size_t ifd0 = 0;
    std::size_t exifIfd = 0;
    std::size_t makerNote = 0;  // the MakerNote value; its directory is at +18
    std::size_t makerIfd = 0;
    std::size_t end = 0;        // the size of the metadata, before image data
    std::size_t dngPrivateData = 0;  // a DNG's "Adobe\0" block
    std::size_t makN = 0;            // the MakN record's type field in that block
};

// How a DNG converter keeps the maker note: in IFD0's DNGPrivateData
// (0xC634), an "Adobe\0" block whose MakN record holds the original byte
// order, the note's original offset and the note. Defaults give a
// well-formed file; each field makes one kind of malformed or unusual one.
struct DngOptions {
    bool keepExifMakerNote = false;  // the Exif IFD keeps its MakerNote entry too
    std::string signature = std::string("Adobe\0", 6);
    // Records ahead of MakN: (4-byte type, data); odd lengths are padded.
    std::vector<std::pair<std::string, std::string>> recordsBefore;
    bool makN = true;                        // false: no MakN record at all
    std::optional<std::uint32_t> makNLength;  // default: the record's true length
    std::string originalOrder;                // default: the maker note's, "II" or "MM"
    std::uint32_t originalOffset = 0x0000D8E2;
    std::string beforeNote;                   // bytes between MakN's header and the note
    std::optional<std::uint32_t> blockCount;  // the 0xC634 entry's count; default: the block's size
    bool afterImageData = false;              // the block at the file's end, behind the image
};

class NefBuilder {
public:
    explicit NefBuilder(Order order = Order::kLittle);

    // IFD0 texts; a zero byte is appended, as cameras write them.
    NefBuilder& Model(const std::string& text);
    NefBuilder& DateTime(const std::string& text);
    // An ASCII entry whose stored bytes are exactly `bytes`, kept inside the
    // entry when 4 bytes or fewer. Its count is bytes.size() unless `count`
    // says otherwise (a count that disagrees makes a malformed entry).
    NefBuilder& Ifd0Text(std::uint16_t tag, const std::string& bytes, std::optional<std::uint32_t> count = {});

    // Entries with a 32-bit value written in the directory's byte order.
    NefBuilder& Ifd0Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value);
    NefBuilder& ExifEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value);
    NefBuilder& MakerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value);
    // A maker-note entry whose four value bytes stand in the file as given.
    NefBuilder& MakerEntryBytes(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                std::array<std::uint8_t, 4> valueBytes);

    // Maker-note and Exif ASCII entries whose stored bytes are exactly
    // `bytes`: kept inside the entry when 4 bytes or fewer, else stored
    // behind the directory. A maker-note text's offset counts from the
    // note's own TIFF header at +10, an Exif text's from the file's header.
    NefBuilder& MakerText(std::uint16_t tag, const std::string& bytes);
    NefBuilder& ExifText(std::uint16_t tag, const std::string& bytes);

    NefBuilder& Mechanical(std::uint32_t count) { return MakerEntry(0x0037, kTypeLong, 1, count); }
    NefBuilder& Total(std::uint32_t count) { return MakerEntry(0x00A7, kTypeLong, 1, count); }
    // The maker note's SerialNumber (0x001D) and the Exif IFD's
    // BodySerialNumber (0xA431), with the zero byte cameras append.
    NefBuilder& Serial(const std::string& text) { return MakerText(0x001D, text + '\0'); }
    NefBuilder& BodySerial(const std::string& text) { return ExifText(0xA431, text + '\0'); }

    // The maker note's own header and directory in another byte order.
    NefBuilder& MakerOrder(Order order);
    // Replace the maker note's embedded TIFF header by these 8 bytes.
    NefBuilder& MakerHeaderBytes(std::array<std::uint8_t, 8> bytes);
    // Replace the maker note's first 10 bytes ("Nikon\0" and the version).
    NefBuilder& MakerSignature(const std::string& tenBytes);

    NefBuilder& WithoutExifPointer();
    NefBuilder& WithoutMakerNote();
    // Header byte 0 and the header's IFD0 offset field (normally 'I'/'M', 8).
    NefBuilder& HeaderByte0(std::uint8_t byte);
    NefBuilder& HeaderIfd0Offset(std::uint32_t offset);
    // Bytes of stand-in image data behind the metadata.
    NefBuilder& ImageData(std::size_t bytes);
    // IFD0's StripOffsets (0x0111) and StripByteCounts (0x0117), pointing at
    // the image data as a camera's do; added where IFD0's entries stand now.
    NefBuilder& ImageStrip();

    // As software that re-saves a file leaves it: IFD0 and everything
    // behind it `gap` bytes further on, the header pointing at the new
    // place (unless HeaderIfd0Offset says otherwise) and zeros in between.
    NefBuilder& MoveIfd0By(std::size_t gap);
    // The same with `earlier`'s whole structure (IFD0, texts, Exif IFD,
    // maker note; same byte order) left in place at offset 8 and this
    // file's IFD0 behind it.
    NefBuilder& StaleStructureAt8(const NefBuilder& earlier);

    // As a DNG converter writes it: IFD0 gains DNGVersion (0xC612) and
    // DNGPrivateData (0xC634), and the maker note moves out of the Exif IFD
    // into that private data's MakN record.
    NefBuilder& AsDng(DngOptions options = {});

    std::vector<std::uint8_t> Build(NefLayout* layout = nullptr) const;

private:
    // What the builder fills in when it lays the file out.
    enum class Fill { kNothing, kTextPosition, kExifIfdPosition, kMakerNote, kMakerOrderValue, kImagePosition,
                      kImageBytes, kMakerText, kDngPrivateData };
    struct Entry {
        std::uint16_t tag = 0;
        std::uint16_t type = 0;
        std::uint32_t count = 0;
        std::array<std::uint8_t, 4> value{};  // in file order
        Fill fill = Fill::kNothing;
        std::string text;             // out-of-line text bytes
        std::uint32_t number = 0;     // for kMakerOrderValue
    };

    static Entry MakeEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                           std::array<std::uint8_t, 4> value, Fill fill = Fill::kNothing);
    static Entry TextEntry(std::uint16_t tag, const std::string& bytes, Fill fill);
    std::array<std::uint8_t, 4> Value32(Order order, std::uint32_t value) const;
    std::vector<std::uint8_t> MakerNoteBytes() const;
    std::vector<std::uint8_t> DngBlock(const std::vector<std::uint8_t>& makerNote, std::size_t* makN,
                                       std::size_t* note) const;

    Order m_order;
    Order m_makerOrder;
    std::vector<Entry> m_ifd0;
    std::vector<Entry> m_exif;
    std::vector<Entry> m_maker;
    bool m_exifPointer = true;
    bool m_makerNote = true;
    bool m_makerHeaderGiven = false;
    std::array<std::uint8_t, 8> m_makerHeader{};
    int m_headerByte0 = -1;
    std::optional<std::uint32_t> m_headerIfd0Offset;  // default: where IFD0 is
    std::size_t m_imageData = 0;
    std::vector<std::uint8_t> m_beforeIfd0;  // what stands between header and IFD0
    bool m_makerSignatureGiven = false;
    std::string m_makerSignature;
    std::optional<DngOptions> m_dng;
};

// A file in a fresh temporary folder, removed with the folder.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const;

private:
    std::string m_path;
};

}  // namespace nef_test

namespace nef_test {

// One JPEG marker segment: FF, the marker, a length, and `data`.
struct JpegSegment {
    std::uint8_t marker;
    std::string data;
};

// The APP1 segment that carries `tiff` as Exif data.
JpegSegment ExifSegment(const std::vector<std::uint8_t>& tiff);

// SOI, the segments in order, then a start of scan with `imageBytes` of
// stand-in compressed data and EOI.
std::vector<std::uint8_t> JpegFile(const std::vector<JpegSegment>& segments, std::size_t imageBytes = 64);

}  // namespace nef_test
