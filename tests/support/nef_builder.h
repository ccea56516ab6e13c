// Test-side writer of NEF-structured files: an 8-byte TIFF header, IFD0 at
// offset 8, an Exif IFD, and a Nikon maker note ("Nikon\0", version, its own
// TIFF header at +10, its directory at +18), in either byte order and with
// any entries a test chooses. It writes exactly what it is told, malformed
// input included.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace nef_test {

enum class Order { kLittle, kBig };

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

    NefBuilder& Mechanical(std::uint32_t count) { return MakerEntry(0x0037, kTypeLong, 1, count); }
    NefBuilder& Total(std::uint32_t count) { return MakerEntry(0x00A7, kTypeLong, 1, count); }

    // The maker note's own header and directory in another byte order.
    NefBuilder& MakerOrder(Order order);
    // Replace the maker note's embedded TIFF header by these 8 bytes.
    NefBuilder& MakerHeaderBytes(std::array<std::uint8_t, 8> bytes);

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

    std::vector<std::uint8_t> Build(NefLayout* layout = nullptr) const;

private:
    // What the builder fills in when it lays the file out.
    enum class Fill { kNothing, kTextPosition, kExifIfdPosition, kMakerNote, kMakerOrderValue, kImagePosition,
                      kImageBytes };
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
    std::array<std::uint8_t, 4> Value32(Order order, std::uint32_t value) const;

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
    std::uint32_t m_headerIfd0Offset = 8;
    std::size_t m_imageData = 0;
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
