#include "imaging/Exif.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

struct Reader {
    const uint8_t* data;
    size_t size;
    bool bigEndian;

    bool Has(size_t offset, size_t count) const { return offset <= size && count <= size - offset; }
    unsigned U16(size_t offset) const {
        return bigEndian ? unsigned(data[offset]) << 8 | data[offset + 1]
                         : unsigned(data[offset + 1]) << 8 | data[offset];
    }
    uint32_t U32(size_t offset) const {
        return bigEndian ? uint32_t(U16(offset)) << 16 | U16(offset + 2)
                         : uint32_t(U16(offset + 2)) << 16 | U16(offset);
    }
};

// The TIFF data of the first EXIF block of the JPEG data (cut to what there
// is when the file is truncated); false when there is none before the
// picture data.
bool FindExifTiff(const uint8_t* data, size_t size, const uint8_t** tiff, size_t* tiffSize) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return false;
    }
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            return false;
        }
        uint8_t marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xDA || marker == 0xD9) {  // picture data or end: no more headers
            return false;
        }
        size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2) {
            return false;
        }
        const uint8_t* body = data + at + 4;
        size_t bodySize = length - 2;
        if (bodySize > size - (at + 4)) {
            bodySize = size - (at + 4);  // truncated: look at what there is
        }
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            *tiff = body + 6;
            *tiffSize = bodySize - 6;
            return true;
        }
        at += 2 + length;
    }
    return false;
}

}  // namespace

int JpegOrientation(const uint8_t* data, size_t size) {
    const int64_t value = ReadExif(data, size).Number(ExifDirectory::Main, 0x0112);
    return value >= 1 && value <= 8 ? int(value) : 0;
}

bool JpegIsComplete(const uint8_t* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return false;
    }
    // Walk the headers (their blocks may hold a thumbnail with an end marker
    // of its own) to the first picture data.
    size_t at = 2;
    for (;;) {
        if (at + 4 > size || data[at] != 0xFF) {
            return false;
        }
        uint8_t marker = data[at + 1];
        if (marker == 0xFF) {
            ++at;
            continue;
        }
        if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            at += 2;
            continue;
        }
        if (marker == 0xD9) {
            return false;
        }
        at += 2 + (size_t(data[at + 2]) << 8 | data[at + 3]);
        if (marker == 0xDA) {
            break;
        }
    }
    // In the coded data a 0xFF byte is always followed by 0 or a restart
    // marker, so the first FF D9 after it is the end.
    for (size_t i = at; i + 1 < size; ++i) {
        if (data[i] == 0xFF && data[i + 1] == 0xD9) {
            return true;
        }
    }
    return false;
}

namespace {

enum ExifTag : uint16_t {
    TagOrientation = 0x0112,
    TagExifDirectory = 0x8769,
    TagGpsDirectory = 0x8825,
};

// What a block may hand us at most, all values together: a block is one
// segment of at most 64 KiB, yet its entries may all point at one value.
const size_t kMaxCopiedBytes = 1 << 20;
// One APP1 segment: its length field counts itself.
const size_t kMaxSegmentBody = 0xFFFF - 2;

// The main directory's tags a published copy keeps: camera, date, author.
const uint16_t kKeptMainTags[] = {
    0x010F,  // Make
    0x0110,  // Model
    0x0132,  // DateTime
    0x013B,  // Artist
    0x8298,  // Copyright
};

// The EXIF directory's: the exposure, the dates and the lens. Not the maker
// note (0x927C), the user comment, the serial numbers, the owner's name, the
// unique id, the pixel size or colour space (no longer true of the copy).
const uint16_t kKeptExifTags[] = {
    0x829A,  // ExposureTime
    0x829D,  // FNumber
    0x8822,  // ExposureProgram
    0x8827,  // ISOSpeedRatings
    0x8830,  // SensitivityType
    0x8832,  // RecommendedExposureIndex
    0x9000,  // ExifVersion
    0x9003,  // DateTimeOriginal
    0x9004,  // DateTimeDigitized
    0x9010,  // OffsetTime
    0x9011,  // OffsetTimeOriginal
    0x9012,  // OffsetTimeDigitized
    0x9201,  // ShutterSpeedValue
    0x9202,  // ApertureValue
    0x9203,  // BrightnessValue
    0x9204,  // ExposureBiasValue
    0x9205,  // MaxApertureValue
    0x9206,  // SubjectDistance
    0x9207,  // MeteringMode
    0x9208,  // LightSource
    0x9209,  // Flash
    0x920A,  // FocalLength
    0x9290,  // SubSecTime
    0x9291,  // SubSecTimeOriginal
    0x9292,  // SubSecTimeDigitized
    0xA402,  // ExposureMode
    0xA403,  // WhiteBalance
    0xA404,  // DigitalZoomRatio
    0xA405,  // FocalLengthIn35mmFilm
    0xA406,  // SceneCaptureType
    0xA432,  // LensSpecification
    0xA433,  // LensMake
    0xA434,  // LensModel
};

size_t TypeSize(unsigned type) {
    // BYTE, ASCII, SHORT, LONG, RATIONAL, SBYTE, UNDEFINED, SSHORT, SLONG,
    // SRATIONAL, FLOAT, DOUBLE, and IFD (a LONG offset).
    static const uint8_t kSizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    return type < sizeof(kSizes) ? kSizes[type] : 0;
}

struct DirectoryReader {
    Reader r;
    ExifBlock& block;
    size_t copied = 0;

    // The entries of the directory at `offset`; the offset of the one after
    // it (0 for none).
    size_t Read(size_t offset, ExifDirectory directory) {
        if (offset == 0 || !r.Has(offset, 2)) {
            return 0;
        }
        unsigned count = r.U16(offset);
        for (unsigned i = 0; i < count; ++i) {
            size_t entry = offset + 2 + size_t(i) * 12;
            if (!r.Has(entry, 12)) {
                return 0;
            }
            unsigned type = r.U16(entry + 2);
            uint32_t values = r.U32(entry + 4);
            size_t unit = TypeSize(type);
            if (unit == 0 || values > kMaxSegmentBody / unit) {
                continue;
            }
            size_t bytes = unit * values;
            size_t at = bytes <= 4 ? entry + 8 : size_t(r.U32(entry + 8));
            if (!r.Has(at, bytes) || copied + bytes > kMaxCopiedBytes) {
                continue;
            }
            copied += bytes;
            block.entries.push_back(ExifEntry{directory, uint16_t(r.U16(entry)), uint16_t(type), values,
                                              std::vector<uint8_t>(r.data + at, r.data + at + bytes)});
        }
        size_t next = offset + 2 + size_t(count) * 12;
        return r.Has(next, 4) ? size_t(r.U32(next)) : 0;
    }
};

void Put16(std::vector<uint8_t>& out, unsigned value, bool bigEndian) {
    if (bigEndian) {
        out.push_back(uint8_t(value >> 8));
        out.push_back(uint8_t(value));
    } else {
        out.push_back(uint8_t(value));
        out.push_back(uint8_t(value >> 8));
    }
}

void Put32(std::vector<uint8_t>& out, uint32_t value, bool bigEndian) {
    Put16(out, bigEndian ? value >> 16 : value & 0xFFFF, bigEndian);
    Put16(out, bigEndian ? value & 0xFFFF : value >> 16, bigEndian);
}

bool Listed(const uint16_t* tags, size_t count, uint16_t tag) {
    for (size_t i = 0; i < count; ++i) {
        if (tags[i] == tag) {
            return true;
        }
    }
    return false;
}

// One directory: its entries (sorted by tag, as readers expect), the next
// directory's offset 0, then the values that do not fit an entry. `base` is
// where it starts in the TIFF data.
void WriteDirectory(std::vector<uint8_t>& tiff, const std::vector<ExifEntry>& entries, bool bigEndian) {
    const size_t base = tiff.size();
    size_t data = base + 2 + entries.size() * 12 + 4;
    Put16(tiff, unsigned(entries.size()), bigEndian);
    std::vector<uint8_t> values;
    for (const ExifEntry& entry : entries) {
        Put16(tiff, entry.tag, bigEndian);
        Put16(tiff, entry.type, bigEndian);
        Put32(tiff, entry.count, bigEndian);
        if (entry.value.size() <= 4) {
            std::vector<uint8_t> inline4(entry.value);
            inline4.resize(4, 0);
            tiff.insert(tiff.end(), inline4.begin(), inline4.end());
        } else {
            Put32(tiff, uint32_t(data + values.size()), bigEndian);
            values.insert(values.end(), entry.value.begin(), entry.value.end());
            if (values.size() % 2) {
                values.push_back(0);  // values start on a word boundary
            }
        }
    }
    Put32(tiff, 0, bigEndian);
    tiff.insert(tiff.end(), values.begin(), values.end());
}

size_t DirectoryBytes(const std::vector<ExifEntry>& entries) {
    size_t bytes = 2 + entries.size() * 12 + 4;
    for (const ExifEntry& entry : entries) {
        if (entry.value.size() > 4) {
            bytes += entry.value.size() + entry.value.size() % 2;
        }
    }
    return bytes;
}

ExifEntry NumberEntry(uint16_t tag, uint16_t type, uint32_t value, bool bigEndian) {
    std::vector<uint8_t> bytes;
    if (type == 3) {
        Put16(bytes, value, bigEndian);
    } else {
        Put32(bytes, value, bigEndian);
    }
    return ExifEntry{ExifDirectory::Main, tag, type, 1, bytes};
}

}  // namespace

const ExifEntry* ExifBlock::Find(ExifDirectory directory, uint16_t tag) const {
    for (const ExifEntry& entry : entries) {
        if (entry.directory == directory && entry.tag == tag) {
            return &entry;
        }
    }
    return nullptr;
}

int64_t ExifBlock::Number(ExifDirectory directory, uint16_t tag) const {
    const ExifEntry* entry = Find(directory, tag);
    if (!entry || entry->count < 1) {
        return -1;
    }
    Reader r{entry->value.data(), entry->value.size(), bigEndian};
    if (entry->type == 3) {
        return r.U16(0);
    }
    if (entry->type == 4 || entry->type == 13) {
        return r.U32(0);
    }
    return -1;
}

ExifBlock ReadExif(const uint8_t* data, size_t size) {
    ExifBlock block;
    const uint8_t* tiff = nullptr;
    size_t tiffSize = 0;
    if (!FindExifTiff(data, size, &tiff, &tiffSize) || tiffSize < 8) {
        return block;
    }
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        block.bigEndian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return block;
    }
    DirectoryReader reader{Reader{tiff, tiffSize, block.bigEndian}, block};
    if (reader.r.U16(2) != 42) {
        return block;
    }
    size_t thumbnail = reader.Read(reader.r.U32(4), ExifDirectory::Main);
    // Each directory is read once, so offsets that point back cannot loop.
    int64_t exif = block.Number(ExifDirectory::Main, TagExifDirectory);
    int64_t gps = block.Number(ExifDirectory::Main, TagGpsDirectory);
    if (exif > 0) {
        reader.Read(size_t(exif), ExifDirectory::Exif);
    }
    if (gps > 0) {
        reader.Read(size_t(gps), ExifDirectory::Gps);
    }
    reader.Read(thumbnail, ExifDirectory::Thumbnail);
    return block;
}

std::vector<uint8_t> KeptExif(const uint8_t* data, size_t size) {
    ExifBlock block = ReadExif(data, size);
    const bool big = block.bigEndian;
    std::vector<ExifEntry> main, exif;
    auto has = [](const std::vector<ExifEntry>& entries, uint16_t tag) {
        return std::any_of(entries.begin(), entries.end(), [tag](const ExifEntry& e) { return e.tag == tag; });
    };
    for (const ExifEntry& entry : block.entries) {
        // A tag a directory repeats is kept once, as first given.
        if (entry.directory == ExifDirectory::Main && Listed(kKeptMainTags, std::size(kKeptMainTags), entry.tag) &&
            !has(main, entry.tag)) {
            main.push_back(entry);
        } else if (entry.directory == ExifDirectory::Exif &&
                   Listed(kKeptExifTags, std::size(kKeptExifTags), entry.tag) && !has(exif, entry.tag)) {
            exif.push_back(entry);
        }
    }
    // What does not fit one segment is left out, the last entries first: the
    // header, the orientation and the pointer to the EXIF directory, with
    // room to spare, and the directories.
    const size_t fixed = 6 + 8 + 2 * 12;
    while (!(main.empty() && exif.empty()) && fixed + DirectoryBytes(main) + DirectoryBytes(exif) > kMaxSegmentBody) {
        (exif.empty() ? main : exif).pop_back();
    }
    if (main.empty() && exif.empty()) {
        return {};
    }
    main.push_back(NumberEntry(TagOrientation, 3, 1, big));
    if (!exif.empty()) {
        main.push_back(NumberEntry(TagExifDirectory, 4, 0, big));  // offset filled in below
    }
    auto byTag = [](const ExifEntry& a, const ExifEntry& b) { return a.tag < b.tag; };
    std::sort(main.begin(), main.end(), byTag);
    std::sort(exif.begin(), exif.end(), byTag);
    const uint32_t exifAt = uint32_t(8 + DirectoryBytes(main));
    for (ExifEntry& entry : main) {
        if (entry.tag == TagExifDirectory) {
            entry = NumberEntry(TagExifDirectory, 4, exifAt, big);
        }
    }

    std::vector<uint8_t> body = {'E', 'x', 'i', 'f', 0, 0};
    std::vector<uint8_t> tiff = {uint8_t(big ? 'M' : 'I'), uint8_t(big ? 'M' : 'I')};
    Put16(tiff, 42, big);
    Put32(tiff, 8, big);
    WriteDirectory(tiff, main, big);
    if (!exif.empty()) {
        WriteDirectory(tiff, exif, big);
    }
    body.insert(body.end(), tiff.begin(), tiff.end());
    return body;
}

bool InsertExif(const uint8_t* data, size_t size, const std::vector<uint8_t>& exif, std::vector<uint8_t>& out) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8 || exif.empty() || exif.size() > kMaxSegmentBody) {
        return false;
    }
    // After a JFIF segment, which readers expect right after the start.
    size_t at = 2;
    if (data[2] == 0xFF && data[3] == 0xE0 && size >= 6) {
        size_t length = size_t(data[4]) << 8 | data[5];
        if (length >= 2 && length <= size - 4) {
            at = 4 + length;
        }
    }
    const size_t length = exif.size() + 2;
    std::vector<uint8_t> result;
    result.reserve(size + length + 2);
    result.insert(result.end(), data, data + at);
    result.push_back(0xFF);
    result.push_back(0xE1);
    result.push_back(uint8_t(length >> 8));
    result.push_back(uint8_t(length));
    result.insert(result.end(), exif.begin(), exif.end());
    result.insert(result.end(), data + at, data + size);
    out.swap(result);
    return true;
}
