#include "nef_files.h"

#include <algorithm>
#include <cstdio>
#include <optional>
#include <set>

#include "nef_builder.h"
#include "shooting_date.h"

namespace nef_files {

namespace {

using nef_test::DngOptions;
using nef_test::ExifSegment;
using nef_test::JpegFile;
using nef_test::JpegSegment;
using nef_test::NefBuilder;
using nef_test::NefLayout;
using nef_test::Order;

constexpr std::uint16_t kTagMake = 0x010F;
constexpr std::uint16_t kTagModel = 0x0110;
constexpr std::uint16_t kTagMakerVersion = 0x0001;
constexpr std::uint32_t kNotAvailable = 0xFFFFF7FF;  // Nikon's "n/a" count

// What a camera records; an absent counter or text is left out of the file.
struct Camera {
    std::optional<std::string> model = "NIKON D850";
    std::optional<std::string> date = "2018:09:02 19:40:44";
    std::optional<std::uint32_t> mechanical = 3487;
    std::optional<std::uint32_t> total = 8541;
    bool makerInOtherOrder = false;  // as other software may rewrite it
    std::optional<std::uint32_t> modelCount = std::nullopt;  // when the entry's count disagrees
    std::optional<std::string> serial = "3004871";           // in the maker note
};

Order Other(Order order) { return order == Order::kLittle ? Order::kBig : Order::kLittle; }

const char* Prefix(Order order) { return order == Order::kLittle ? "le_" : "be_"; }

// Entries in ascending tag order, as cameras write them.
NefBuilder CameraNef(Order order, const Camera& camera)
{
    NefBuilder nef(order);
    nef.Ifd0Text(kTagMake, std::string("NIKON CORPORATION", 18));
    if (camera.model)
        nef.Ifd0Text(kTagModel, *camera.model + '\0', camera.modelCount);
    nef.ImageStrip();
    if (camera.date)
        nef.DateTime(*camera.date);
    nef.MakerOrder(camera.makerInOtherOrder ? Other(order) : order);
    nef.MakerEntryBytes(kTagMakerVersion, nef_test::kTypeUndefined, 4, {'0', '2', '1', '0'});
    if (camera.serial)
        nef.Serial(*camera.serial);
    if (camera.mechanical)
        nef.Mechanical(*camera.mechanical);
    if (camera.total)
        nef.Total(*camera.total);
    return nef;
}

// A camera JPEG: JFIF, the Exif segment, a quantisation table, the scan.
std::vector<std::uint8_t> CameraJpeg(const std::vector<std::uint8_t>& tiff, bool withExif = true)
{
    const JpegSegment jfif{0xE0, std::string("JFIF\0\x01\x01\0\0\x01\0\x01\0\0", 14)};
    std::string table(1, '\0');
    for (char i = 0; i < 64; ++i)
        table += i;
    const JpegSegment quantisation{0xDB, table};
    if (!withExif)
        return JpegFile({jfif, quantisation});
    return JpegFile({jfif, ExifSegment(tiff), quantisation});
}

// XMP packets with aux:SerialNumber written the ways editors write it, and
// ways no editor should.
std::vector<std::pair<std::string, std::string>> XmpPackets()
{
    const auto packet = [](const std::string& property) {
        return "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
               "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description rdf:about=\"\" "
               "xmlns:aux=\"http://ns.adobe.com/exif/1.0/aux/\" " +
               property + "</rdf:Description></rdf:RDF></x:xmpmeta><?xpacket end=\"w\"?>";
    };
    const std::string whole = packet("aux:SerialNumber=\"6078248\">");
    return {
        {"xmp_bad_cut", whole.substr(0, whole.find("6078") + 4)},
        {"serial_xmp_attribute", packet("aux:SerialNumber=\"6078248\">")},
        {"serial_xmp_element", packet("><aux:SerialNumber>3003&#x32;30</aux:SerialNumber>")},
        {"serial_xmp_repeated", packet("aux:SerialNumber='1'><aux:SerialNumber>2</aux:SerialNumber>")},
        {"xmp_bad_unclosed", packet("aux:SerialNumber=\"6078248")},
        {"xmp_bad_long", packet("aux:SerialNumber=\"" + std::string(60, '7') + "\">")},
        {"xmp_bad_reference", packet("aux:SerialNumber=\"&#xD800;&bogus;\">")},
    };
}

// A JPEG as an editor leaves it: the Exif segment, then an XMP one.
std::vector<std::uint8_t> XmpJpeg(const std::vector<std::uint8_t>& tiff)
{
    const JpegSegment xmp{0xE1, std::string("http://ns.adobe.com/xap/1.0/\0", 29) + XmpPackets()[1].second};
    return JpegFile({ExifSegment(tiff), xmp});
}

// Position of the Exif segment's TIFF header in CameraJpeg's output: SOI,
// the JFIF segment (4 + 14 bytes), the APP1 segment's head and "Exif\0\0".
constexpr std::size_t kJpegTiffStart = 2 + 18 + 4 + 6;

// A DateTime text for the given day and second of the day.
std::string DateText(std::int64_t day, int secondOfDay)
{
    const CivilDate date = DateAt(day * kSecondsPerDay);
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", date.year, date.month, date.day,
                  secondOfDay / 3600, secondOfDay / 60 % 60, secondOfDay % 60);
    return text;
}

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size)
{
    bytes.resize(size);
    return bytes;
}

}  // namespace

std::vector<NamedFile> ReadableFiles()
{
    std::vector<NamedFile> files;
    for (Order order : {Order::kLittle, Order::kBig}) {
        const std::vector<std::pair<const char*, Camera>> cameras = {
            {"both", {}},
            {"total_only", {"NIKON D7000", "2021:06:05 19:57:13", std::nullopt, 20353}},
            {"mech_above_total", {"NIKON Z 6", "2019:03:12 10:02:40", 1000, 0}},
            {"mech_only", {"NIKON D850", "2018:09:02 19:40:44", 174, std::nullopt}},
            {"other_order_note", {"NIKON D600", "2014:08:17 12:28:21", std::nullopt, 53139, true}},
            {"short_model", {"D1"}},
            // 49 characters and the zero byte: exactly the reader's text buffer.
            {"model_fills_buffer", {"NIKON " + std::string(43, 'X')}},
            {"long_model", {"NIKON " + std::string(70, 'X')}},
            {"no_texts", {std::nullopt, std::nullopt}},
        };
        for (const auto& [kind, camera] : cameras) {
            const std::string name = Prefix(order) + std::string(kind);
            const auto nef = CameraNef(order, camera).Build();
            files.push_back({name + ".nef", nef});
            files.push_back({name + ".jpg", CameraJpeg(nef)});
        }
    }
    return files;
}

std::vector<NamedFile> ResavedAndConvertedFiles()
{
    std::vector<NamedFile> files;
    for (Order order : {Order::kLittle, Order::kBig}) {
        const std::string prefix = Prefix(order);
        Camera earlier;
        earlier.date = "2017:01:01 00:00:00";
        earlier.mechanical = 10;
        earlier.total = 20;
        files.push_back({prefix + "ifd0_moved.nef", CameraNef(order, {}).MoveIfd0By(3016).Build()});
        files.push_back({prefix + "ifd0_moved_stale_copy.nef",
                         CameraNef(order, {}).StaleStructureAt8(CameraNef(order, earlier)).Build()});
        files.push_back({prefix + "ifd0_moved.jpg", CameraJpeg(CameraNef(order, {}).MoveIfd0By(436).Build())});

        files.push_back({prefix + "converted.dng", CameraNef(order, {}).AsDng().Build()});
        Camera otherOrder;
        otherOrder.makerInOtherOrder = true;
        files.push_back({prefix + "converted_other_order_note.dng", CameraNef(order, otherOrder).AsDng().Build()});
        DngOptions records;
        records.recordsBefore = {{"SR2 ", std::string(33, 'x')}};
        files.push_back({prefix + "converted_records_before.dng", CameraNef(order, {}).AsDng(records).Build()});
        DngOptions fromJpeg;
        fromJpeg.beforeNote = std::string("\0\0\0\x01" "ABCDEFGH", 12);
        files.push_back({prefix + "converted_from_jpeg.dng", CameraNef(order, {}).AsDng(fromJpeg).Build()});

        Camera inline4;
        inline4.serial = "123";  // with its zero byte, inside the entry
        files.push_back({prefix + "serial_inline.nef", CameraNef(order, inline4).Build()});
        Camera exifOnly;
        exifOnly.serial = std::nullopt;
        files.push_back({prefix + "serial_in_exif.nef", CameraNef(order, exifOnly).BodySerial("6012345").Build()});
        Camera mechanicalNa;
        mechanicalNa.mechanical = kNotAvailable;
        files.push_back({prefix + "mech_not_available.nef", CameraNef(order, mechanicalNa).Build()});

        // The serial's other places, as older bodies and other software
        // leave it; "xmp_bad" packets hold none that can be trusted.
        const auto noSerial = [&] {
            Camera camera;
            camera.serial = std::nullopt;
            return CameraNef(order, camera);
        };
        files.push_back({prefix + "serial_older_entry.nef",
                         noSerial().MakerText(0x00A0, std::string("NO= 1005a431    \0", 17)).Build()});
        files.push_back({prefix + "serial_in_ifd0.nef", noSerial().Ifd0Text(0xA431, std::string("7012345\0", 8)).Build()});
        files.push_back(
            {prefix + "serial_dng_camera.dng", noSerial().Ifd0Text(0xC62F, std::string("8012345\0", 8)).AsDng().Build()});
        for (const auto& [name, packet] : XmpPackets())
            files.push_back({prefix + name + ".nef", noSerial().Ifd0Text(0x02BC, packet).Build()});
        files.push_back({prefix + "serial_xmp_segment.jpg", XmpJpeg(noSerial().Build())});
    }
    return files;
}

std::vector<NamedFile> MalformedFiles()
{
    std::vector<NamedFile> files;
    for (Order order : {Order::kLittle, Order::kBig}) {
        const std::string prefix = Prefix(order);
        NefLayout at;
        const auto good = CameraNef(order, {}).Build(&at);
        files.push_back({prefix + "no_exif_pointer.nef", CameraNef(order, {}).WithoutExifPointer().Build()});
        files.push_back({prefix + "no_maker_note.nef", CameraNef(order, {}).WithoutMakerNote().Build()});
        Camera noCounter;
        noCounter.mechanical = noCounter.total = std::nullopt;
        files.push_back({prefix + "no_counter.nef", CameraNef(order, noCounter).Build()});
        Camera hugeModel;
        hugeModel.modelCount = 0xFFFFFFF0;
        files.push_back({prefix + "model_count_huge.nef", CameraNef(order, hugeModel).Build()});
        files.push_back({prefix + "cut_in_header.nef", Cut(good, 4)});
        files.push_back({prefix + "cut_in_ifd0.nef", Cut(good, at.ifd0 + 2 + 12 * 3 + 5)});
        files.push_back({prefix + "cut_in_texts.nef", Cut(good, at.exifIfd - 2)});
        files.push_back({prefix + "cut_in_exif_ifd.nef", Cut(good, at.exifIfd + 8)});
        files.push_back({prefix + "cut_in_maker_header.nef", Cut(good, at.makerNote + 14)});
        files.push_back({prefix + "cut_in_maker_ifd.nef", Cut(good, at.makerIfd + 2 + 12 + 6)});
        Camera totalNa;
        totalNa.total = kNotAvailable;
        files.push_back({prefix + "total_not_available.nef", CameraNef(order, totalNa).Build()});

        DngOptions makNPastEnd;
        makNPastEnd.makNLength = 0xFFFFFF00;
        files.push_back({prefix + "dng_makn_past_end.dng", CameraNef(order, {}).AsDng(makNPastEnd).Build()});
        DngOptions blockPastEnd;
        blockPastEnd.blockCount = 0xFFFF0000;
        files.push_back({prefix + "dng_block_past_end.dng", CameraNef(order, {}).AsDng(blockPastEnd).Build()});
        DngOptions badOrder;
        badOrder.originalOrder = "XX";
        files.push_back({prefix + "dng_bad_order.dng", CameraNef(order, {}).AsDng(badOrder).Build()});
        NefLayout dng;
        const auto converted = CameraNef(order, {}).AsDng().Build(&dng);
        files.push_back({prefix + "dng_cut_in_block.dng", Cut(converted, dng.makN + 8 + 6 + 20)});
    }

    // A start that is neither TIFF's nor JPEG's: read as big-endian, the
    // little-endian file's IFD0 offset points far outside it.
    const auto good = CameraNef(Order::kLittle, {}).Build();
    auto notTiff = good;
    notTiff[0] = 0x00;
    notTiff[1] = 0xD8;
    notTiff[2] = 0xFF;
    notTiff[3] = 0xE1;
    files.push_back({"le_not_tiff.nef", notTiff});

    files.push_back({"jpeg_without_exif.jpg", CameraJpeg(good, false)});
    files.push_back({"jpeg_cut_in_exif.jpg", Cut(CameraJpeg(good), kJpegTiffStart + good.size() / 2)});
    auto exifNotTiff = good;
    exifNotTiff[0] = 0xFF;
    exifNotTiff[1] = 0xD8;
    files.push_back({"jpeg_exif_not_tiff.jpg", CameraJpeg(exifNotTiff)});
    return files;
}

namespace {

// One body of the library: when it shot, and how its counts grew.
struct LibraryBody {
    const char* model;
    const char* serial;      // in the maker note; "" for none
    const char* bodySerial;  // in the Exif IFD only; "" for none
    const char* prefix;      // of its file names
    CivilDate first, last;
    std::uint32_t startTotal;
    double shotsPerDay;
    double mechanicalShare;  // of the shots; 0 for a body without a mechanical counter
    double share;            // of the library's files
    std::optional<CivilDate> newShutter;  // from when its count starts again near 0
};

}  // namespace

std::vector<NamedFile> LibraryFiles(std::size_t count)
{
    const std::vector<LibraryBody> bodies = {
        {"NIKON D850", "3004871", "", "DSC", {2018, 9, 2}, {2024, 6, 30}, 1203, 68, 0.9, 0.32, CivilDate{2022, 5, 10}},
        {"NIKON D750", "", "6012345", "D75", {2020, 3, 14}, {2024, 10, 20}, 48112, 12, 1.0, 0.16, std::nullopt},
        {"NIKON Z 6", "6001122", "", "Z6A", {2019, 4, 6}, {2024, 11, 24}, 35, 31, 0.7, 0.22, std::nullopt},
        {"NIKON Z 6", "6004455", "", "Z6B", {2021, 8, 1}, {2024, 11, 24}, 12, 44, 0.6, 0.14, std::nullopt},
        {"NIKON D7000", "", "", "DSC", {2013, 5, 18}, {2018, 2, 11}, 2210, 21, 0, 0.16, std::nullopt},
    };
    std::vector<NamedFile> files;
    std::set<std::string> names;
    std::uint32_t random = 20260101;  // a fixed seed: the same library every time
    const auto next = [&random](std::uint32_t range) {
        random = random * 1664525u + 1013904223u;
        return (random >> 8) % range;
    };
    for (const LibraryBody& body : bodies) {
        const std::int64_t first = SecondsAt(body.first) / kSecondsPerDay, last = SecondsAt(body.last) / kSecondsPerDay;
        const std::int64_t repairDay = body.newShutter ? SecondsAt(*body.newShutter) / kSecondsPerDay : last + 1;
        const std::size_t n = std::max<std::size_t>(2, static_cast<std::size_t>(count * body.share));
        // Days drawn at random between the body's first and last, each with
        // its hour; busy and quiet spells between them.
        std::vector<std::pair<std::int64_t, int>> when;
        for (std::size_t i = 0; i < n; ++i) {
            const std::int64_t day = i == 0 ? first : i == 1 ? last : first + next(static_cast<std::uint32_t>(last - first + 1));
            when.push_back({day, 8 * 3600 + static_cast<int>(next(12 * 3600))});
        }
        std::sort(when.begin(), when.end());
        double total = body.startTotal;
        bool repairedYet = false;
        for (std::size_t i = 0; i < n; ++i) {
            const auto [day, secondOfDay] = when[i];
            const double busy = 0.2 + next(1600) / 1000.0;
            if (day >= repairDay && !repairedYet) {
                repairedYet = true;
                total = 310 + (static_cast<double>(day - repairDay) + secondOfDay / 86400.0) * body.shotsPerDay * busy;
            } else if (i > 0) {
                const double days = static_cast<double>(day - when[i - 1].first) +
                                    (secondOfDay - when[i - 1].second) / 86400.0;
                total += std::max(0.0, days) * body.shotsPerDay * busy + 1;
            }
            std::optional<std::uint32_t> mechanical;
            if (body.mechanicalShare > 0)
                mechanical = static_cast<std::uint32_t>(total * body.mechanicalShare);
            const Camera camera{body.model, DateText(day, secondOfDay), mechanical, static_cast<std::uint32_t>(total),
                                false, std::nullopt,
                                *body.serial ? std::optional<std::string>(body.serial) : std::nullopt};
            NefBuilder nef = CameraNef(Order::kLittle, camera);
            if (*body.bodySerial)
                nef.BodySerial(body.bodySerial);
            const std::string folder = camera.date->substr(0, 4) + "/" + camera.date->substr(0, 4) + "-" +
                                       camera.date->substr(5, 2) + "-" + camera.date->substr(8, 2) + "/";
            char number[16];
            std::snprintf(number, sizeof number, "_%04u", *camera.total % 9999 + 1);
            std::string name = folder + body.prefix + number;
            while (!names.insert(name).second)
                name += "a";
            files.push_back({name + ".NEF", nef.Build()});
        }
    }
    // A battery change reset the D7000's clock; a compact camera records
    // no count.
    const Camera unsetClock{"NIKON D7000", "0000:00:00 00:00:00", std::nullopt, 31877, false, std::nullopt, std::nullopt};
    files.push_back({"2016/unsorted/DSC_1878.NEF", CameraNef(Order::kLittle, unsetClock).Build()});
    const Camera compact{"COOLPIX P7800", "2017:07:14 15:22:03", std::nullopt, std::nullopt, false, std::nullopt,
                         std::nullopt};
    files.push_back({"2017/2017-07-14/DSCN0412.NRW", CameraNef(Order::kLittle, compact).Build()});
    return files;
}

std::vector<std::uint8_t> DemoNef()
{
    return CameraNef(Order::kLittle, {"NIKON D850", "2026:11:28 14:03:51", 41237, 52210}).ImageData(4096).Build();
}

std::vector<std::uint8_t> LargeNef(std::size_t bytes)
{
    NefLayout at;
    CameraNef(Order::kLittle, {}).Build(&at);
    return CameraNef(Order::kLittle, {}).ImageData(bytes > at.end ? bytes - at.end : 0).Build();
}

}  // namespace nef_files
