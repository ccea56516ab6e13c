#include "nef_builder.h"

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace nef_test {

namespace {

constexpr std::uint16_t kTagExifIfd = 0x8769;
constexpr std::uint16_t kTagMakerNote = 0x927C;
constexpr std::uint16_t kTagDngVersion = 0xC612;
constexpr std::uint16_t kTagDngPrivateData = 0xC634;

class Writer {
public:
    explicit Writer(Order order) : m_order(order) {}

    void U8(std::uint8_t v) { m_bytes.push_back(v); }
    void U16(std::uint16_t v)
    {
        if (m_order == Order::kLittle) {
            U8(v & 0xFF);
            U8(v >> 8);
        } else {
            U8(v >> 8);
            U8(v & 0xFF);
        }
    }
    void U32(std::uint32_t v)
    {
        if (m_order == Order::kLittle) {
            U16(v & 0xFFFF);
            U16(v >> 16);
        } else {
            U16(v >> 16);
            U16(v & 0xFFFF);
        }
    }
    void Bytes(const void* data, std::size_t n)
    {
        auto p = static_cast<const std::uint8_t*>(data);
        m_bytes.insert(m_bytes.end(), p, p + n);
    }
    void SetOrder(Order order) { m_order = order; }
    std::size_t Size() const { return m_bytes.size(); }
    std::vector<std::uint8_t>& Data() { return m_bytes; }

private:
    Order m_order;
    std::vector<std::uint8_t> m_bytes;
};

std::size_t DirectoryBytes(std::size_t entries) { return 2 + 12 * entries + 4; }

template <typename Entries>
std::size_t TextBytes(const Entries& entries)
{
    std::size_t bytes = 0;
    for (const auto& e : entries)
        bytes += e.text.size();
    return bytes;
}

}  // namespace

NefBuilder::NefBuilder(Order order) : m_order(order), m_makerOrder(order) {}

NefBuilder::Entry NefBuilder::MakeEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                        std::array<std::uint8_t, 4> value, Fill fill)
{
    Entry e;
    e.tag = tag;
    e.type = type;
    e.count = count;
    e.value = value;
    e.fill = fill;
    return e;
}

NefBuilder::Entry NefBuilder::TextEntry(std::uint16_t tag, const std::string& bytes, Fill fill)
{
    Entry e = MakeEntry(tag, kTypeAscii, static_cast<std::uint32_t>(bytes.size()), {});
    if (bytes.size() <= e.value.size()) {
        std::memcpy(e.value.data(), bytes.data(), bytes.size());
    } else {
        e.fill = fill;
        e.text = bytes;
    }
    return e;
}

std::array<std::uint8_t, 4> NefBuilder::Value32(Order order, std::uint32_t value) const
{
    Writer w(order);
    w.U32(value);
    return {w.Data()[0], w.Data()[1], w.Data()[2], w.Data()[3]};
}

NefBuilder& NefBuilder::Model(const std::string& text) { return Ifd0Text(0x0110, text + '\0'); }

NefBuilder& NefBuilder::DateTime(const std::string& text) { return Ifd0Text(0x0132, text + '\0'); }

NefBuilder& NefBuilder::Ifd0Text(std::uint16_t tag, const std::string& bytes, std::optional<std::uint32_t> count)
{
    Entry e = MakeEntry(tag, kTypeAscii, count.value_or(static_cast<std::uint32_t>(bytes.size())), {});
    if (bytes.size() <= 4) {
        std::copy(bytes.begin(), bytes.end(), e.value.begin());
    } else {
        e.fill = Fill::kTextPosition;
        e.text = bytes;
    }
    m_ifd0.push_back(e);
    return *this;
}

NefBuilder& NefBuilder::Ifd0Entry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
{
    m_ifd0.push_back(MakeEntry(tag, type, count, Value32(m_order, value)));
    return *this;
}

NefBuilder& NefBuilder::ExifEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
{
    m_exif.push_back(MakeEntry(tag, type, count, Value32(m_order, value)));
    return *this;
}

NefBuilder& NefBuilder::MakerText(std::uint16_t tag, const std::string& bytes)
{
    m_maker.push_back(TextEntry(tag, bytes, Fill::kMakerText));
    return *this;
}

NefBuilder& NefBuilder::ExifText(std::uint16_t tag, const std::string& bytes)
{
    m_exif.push_back(TextEntry(tag, bytes, Fill::kTextPosition));
    return *this;
}

NefBuilder& NefBuilder::MakerEntry(std::uint16_t tag, std::uint16_t type, std::uint32_t count, std::uint32_t value)
{
    // Encoded when the file is built, once the maker note's order is known.
    Entry e = MakeEntry(tag, type, count, {});
    e.fill = Fill::kMakerOrderValue;
    e.number = value;
    m_maker.push_back(e);
    return *this;
}

NefBuilder& NefBuilder::MakerEntryBytes(std::uint16_t tag, std::uint16_t type, std::uint32_t count,
                                        std::array<std::uint8_t, 4> valueBytes)
{
    m_maker.push_back(MakeEntry(tag, type, count, valueBytes));
    return *this;
}

NefBuilder& NefBuilder::MakerOrder(Order order)
{
    m_makerOrder = order;
    return *this;
}

NefBuilder& NefBuilder::MakerHeaderBytes(std::array<std::uint8_t, 8> bytes)
{
    m_makerHeaderGiven = true;
    m_makerHeader = bytes;
    return *this;
}

NefBuilder& NefBuilder::MakerSignature(const std::string& tenBytes)
{
    m_makerSignatureGiven = true;
    m_makerSignature = tenBytes;
    return *this;
}

NefBuilder& NefBuilder::WithoutExifPointer()
{
    m_exifPointer = false;
    return *this;
}

NefBuilder& NefBuilder::WithoutMakerNote()
{
    m_makerNote = false;
    return *this;
}

NefBuilder& NefBuilder::HeaderByte0(std::uint8_t byte)
{
    m_headerByte0 = byte;
    return *this;
}

NefBuilder& NefBuilder::HeaderIfd0Offset(std::uint32_t offset)
{
    m_headerIfd0Offset = offset;
    return *this;
}

NefBuilder& NefBuilder::ImageData(std::size_t bytes)
{
    m_imageData = bytes;
    return *this;
}

NefBuilder& NefBuilder::ImageStrip()
{
    m_ifd0.push_back(MakeEntry(0x0111, kTypeLong, 1, {}, Fill::kImagePosition));
    m_ifd0.push_back(MakeEntry(0x0117, kTypeLong, 1, {}, Fill::kImageBytes));
    return *this;
}

NefBuilder& NefBuilder::MoveIfd0By(std::size_t gap)
{
    m_beforeIfd0.assign(gap, 0);
    return *this;
}

NefBuilder& NefBuilder::StaleStructureAt8(const NefBuilder& earlier)
{
    // Its positions count from the file's start, so at 8 they stay true.
    NefLayout old;
    const std::vector<std::uint8_t> bytes = earlier.Build(&old);
    m_beforeIfd0.assign(bytes.begin() + 8, bytes.begin() + static_cast<std::ptrdiff_t>(old.end));
    return *this;
}

NefBuilder& NefBuilder::AsDng(DngOptions options)
{
    m_dng = std::move(options);
    return *this;
}

std::vector<std::uint8_t> NefBuilder::MakerNoteBytes() const
{
    Writer w(m_makerOrder);
    if (m_makerSignatureGiven)
        w.Bytes(m_makerSignature.data(), m_makerSignature.size());
    else
        w.Bytes("Nikon\0\x02\x10\0\0", 10);
    if (m_makerHeaderGiven) {
        w.Bytes(m_makerHeader.data(), m_makerHeader.size());
    } else {
        const std::uint8_t mark = m_makerOrder == Order::kLittle ? 'I' : 'M';
        w.U8(mark);
        w.U8(mark);
        w.U16(42);
        w.U32(8);
    }
    // Texts follow the directory; their offsets count from the header.
    std::size_t nextText = 8 + DirectoryBytes(m_maker.size());
    w.U16(static_cast<std::uint16_t>(m_maker.size()));
    for (const Entry& e : m_maker) {
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(e.count);
        if (e.fill == Fill::kMakerOrderValue) {
            w.U32(e.number);
        } else if (e.fill == Fill::kMakerText) {
            w.U32(static_cast<std::uint32_t>(nextText));
            nextText += e.text.size();
        } else {
            w.Bytes(e.value.data(), 4);
        }
    }
    w.U32(0);
    for (const Entry& e : m_maker)
        w.Bytes(e.text.data(), e.text.size());
    return std::move(w.Data());
}

std::vector<std::uint8_t> NefBuilder::DngBlock(const std::vector<std::uint8_t>& makerNote, std::size_t* makN,
                                               std::size_t* note) const
{
    // Lengths in the block are big-endian whatever the file's order.
    const DngOptions& o = *m_dng;
    Writer w(Order::kBig);
    w.Bytes(o.signature.data(), o.signature.size());
    for (const auto& [type, data] : o.recordsBefore) {
        w.Bytes(type.data(), type.size());
        w.U32(static_cast<std::uint32_t>(data.size()));
        w.Bytes(data.data(), data.size());
        if (data.size() & 1)
            w.U8(0);
    }
    if (o.makN && m_makerNote) {
        const std::string order =
            !o.originalOrder.empty() ? o.originalOrder : m_makerOrder == Order::kLittle ? "II" : "MM";
        const std::size_t length = order.size() + 4 + o.beforeNote.size() + makerNote.size();
        *makN = w.Size();
        w.Bytes("MakN", 4);
        w.U32(o.makNLength.value_or(static_cast<std::uint32_t>(length)));
        w.Bytes(order.data(), order.size());
        w.U32(o.originalOffset);
        w.Bytes(o.beforeNote.data(), o.beforeNote.size());
        *note = w.Size();
        w.Bytes(makerNote.data(), makerNote.size());
        if (length & 1)
            w.U8(0);
    }
    return std::move(w.Data());
}

std::vector<std::uint8_t> NefBuilder::Build(NefLayout* layout) const
{
    // Layout: header | what stands before a moved IFD0 | IFD0 | IFD0's
    // texts | Exif IFD | its texts | maker note | DNG private data | image
    // (or the private data behind the image).
    const bool exifMakerNote = m_makerNote && (!m_dng || m_dng->keepExifMakerNote);
    std::vector<Entry> ifd0 = m_ifd0;
    std::vector<Entry> exif = m_exif;
    if (m_exifPointer)
        ifd0.push_back(MakeEntry(kTagExifIfd, kTypeLong, 1, {}, Fill::kExifIfdPosition));
    if (m_dng) {
        ifd0.push_back(MakeEntry(kTagDngVersion, kTypeByte, 4, {1, 4, 0, 0}));
        ifd0.push_back(MakeEntry(kTagDngPrivateData, kTypeByte, 0, {}, Fill::kDngPrivateData));
    }
    if (exifMakerNote)
        exif.push_back(MakeEntry(kTagMakerNote, kTypeUndefined, 0, {}, Fill::kMakerNote));
    const std::vector<std::uint8_t> makerNote = MakerNoteBytes();

    NefLayout at;
    at.ifd0 = 8 + m_beforeIfd0.size();
    const std::size_t textsAt = at.ifd0 + DirectoryBytes(ifd0.size());
    at.exifIfd = textsAt + TextBytes(ifd0);
    const std::size_t exifTextsAt = at.exifIfd + DirectoryBytes(exif.size());
    at.makerNote = exifTextsAt + TextBytes(exif);
    at.end = at.makerNote + (exifMakerNote ? makerNote.size() : 0);
    std::vector<std::uint8_t> block;
    if (m_dng) {
        std::size_t makN = 0, noteInBlock = 0;
        block = DngBlock(makerNote, &makN, &noteInBlock);
        at.dngPrivateData = m_dng->afterImageData ? at.end + m_imageData : at.end;
        at.makN = at.dngPrivateData + makN;
        if (!exifMakerNote)
            at.makerNote = at.dngPrivateData + noteInBlock;
        if (!m_dng->afterImageData)
            at.end += block.size();
    }
    at.makerIfd = at.makerNote + 18;

    Writer w(m_order);
    const std::uint8_t byteOrderMark = m_order == Order::kLittle ? 'I' : 'M';
    w.U8(m_headerByte0 >= 0 ? static_cast<std::uint8_t>(m_headerByte0) : byteOrderMark);
    w.U8(byteOrderMark);
    w.U16(42);
    w.U32(m_headerIfd0Offset.value_or(static_cast<std::uint32_t>(at.ifd0)));
    w.Bytes(m_beforeIfd0.data(), m_beforeIfd0.size());

    std::size_t nextText = textsAt;
    w.U16(static_cast<std::uint16_t>(ifd0.size()));
    for (Entry e : ifd0) {
        if (e.fill == Fill::kExifIfdPosition)
            e.value = Value32(m_order, static_cast<std::uint32_t>(at.exifIfd));
        if (e.fill == Fill::kImagePosition)
            e.value = Value32(m_order, static_cast<std::uint32_t>(at.end));
        if (e.fill == Fill::kImageBytes)
            e.value = Value32(m_order, static_cast<std::uint32_t>(m_imageData));
        if (e.fill == Fill::kDngPrivateData) {
            e.count = m_dng->blockCount.value_or(static_cast<std::uint32_t>(block.size()));
            e.value = Value32(m_order, static_cast<std::uint32_t>(at.dngPrivateData));
        }
        if (e.fill == Fill::kTextPosition) {
            e.value = Value32(m_order, static_cast<std::uint32_t>(nextText));
            nextText += e.text.size();
        }
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(e.count);
        w.Bytes(e.value.data(), 4);
    }
    w.U32(0);
    for (const Entry& e : ifd0)
        w.Bytes(e.text.data(), e.text.size());

    nextText = exifTextsAt;
    w.U16(static_cast<std::uint16_t>(exif.size()));
    for (Entry e : exif) {
        if (e.fill == Fill::kMakerNote) {
            e.count = static_cast<std::uint32_t>(makerNote.size());
            e.value = Value32(m_order, static_cast<std::uint32_t>(at.makerNote));
        }
        if (e.fill == Fill::kTextPosition) {
            e.value = Value32(m_order, static_cast<std::uint32_t>(nextText));
            nextText += e.text.size();
        }
        w.U16(e.tag);
        w.U16(e.type);
        w.U32(e.count);
        w.Bytes(e.value.data(), 4);
    }
    w.U32(0);
    for (const Entry& e : exif)
        w.Bytes(e.text.data(), e.text.size());

    if (exifMakerNote)
        w.Bytes(makerNote.data(), makerNote.size());
    if (m_dng && !m_dng->afterImageData)
        w.Bytes(block.data(), block.size());
    for (std::size_t i = 0; i < m_imageData; ++i)
        w.U8(static_cast<std::uint8_t>(i * 31));
    if (m_dng && m_dng->afterImageData)
        w.Bytes(block.data(), block.size());

    if (layout)
        *layout = at;
    return std::move(w.Data());
}

TempDir::TempDir()
{
    static std::atomic<unsigned> serial{0};
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    std::filesystem::path path = std::filesystem::temp_directory_path() /
                                 ("tessmar-test-" + std::to_string(stamp) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(path);
    m_path = path.string();
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) const
{
    const std::string path = (std::filesystem::path(m_path) / name).string();
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
    return path;
}

}  // namespace nef_test

namespace nef_test {

JpegSegment ExifSegment(const std::vector<std::uint8_t>& tiff)
{
    return {0xE1, std::string("Exif\0\0", 6) + std::string(tiff.begin(), tiff.end())};
}

std::vector<std::uint8_t> JpegFile(const std::vector<JpegSegment>& segments, std::size_t imageBytes)
{
    std::vector<std::uint8_t> out = {0xFF, 0xD8};
    const auto segment = [&out](std::uint8_t marker, const std::string& data) {
        const std::size_t length = data.size() + 2;
        out.insert(out.end(), {0xFF, marker, static_cast<std::uint8_t>(length >> 8), static_cast<std::uint8_t>(length)});
        out.insert(out.end(), data.begin(), data.end());
    };
    for (const JpegSegment& s : segments)
        segment(s.marker, s.data);
    segment(0xDA, std::string("\x01\x01\x00\x00\x3f\x00", 6));
    for (std::size_t i = 0; i < imageBytes; ++i)
        out.push_back(static_cast<std::uint8_t>(i % 0xFF));  // never FF: no stray markers
    out.insert(out.end(), {0xFF, 0xD9});
    return out;
}

}  // namespace nef_test
