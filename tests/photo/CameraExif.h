// What a camera or phone writes into a JPEG's EXIF block, built by hand for
// tests: the main directory with the camera, the orientation and the author,
// the EXIF directory with the exposure and the maker's private data, a GPS
// directory and a thumbnail's directory. Free of windows.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cameraexif {

using Bytes = std::vector<uint8_t>;

struct Entry {
    uint16_t tag;
    uint16_t type;  // 2 ASCII, 3 SHORT, 4 LONG, 5 RATIONAL, 7 UNDEFINED
    uint32_t count;
    Bytes value;  // in the block's byte order
};

class Builder {
public:
    explicit Builder(bool bigEndian) : big_(bigEndian) {}

    Entry Ascii(uint16_t tag, const std::string& text) const {
        Bytes value(text.begin(), text.end());
        value.push_back(0);
        return Entry{tag, 2, uint32_t(value.size()), value};
    }
    Entry Short(uint16_t tag, unsigned number) const {
        Bytes value;
        Put16(value, number);
        return Entry{tag, 3, 1, value};
    }
    Entry Long(uint16_t tag, uint32_t number) const {
        Bytes value;
        Put32(value, number);
        return Entry{tag, 4, 1, value};
    }
    Entry Rational(uint16_t tag, uint32_t numerator, uint32_t denominator) const {
        Bytes value;
        Put32(value, numerator);
        Put32(value, denominator);
        return Entry{tag, 5, 1, value};
    }
    Entry Undefined(uint16_t tag, const Bytes& value) const { return Entry{tag, 7, uint32_t(value.size()), value}; }

    // The TIFF data: the main directory first, the pointers to the EXIF and
    // GPS directories added to it, the thumbnail's directory chained after it.
    Bytes Tiff(std::vector<Entry> main,
               const std::vector<Entry>& exif,
               const std::vector<Entry>& gps,
               const std::vector<Entry>& thumbnail) const {
        if (!exif.empty()) {
            main.push_back(Long(0x8769, 0));
        }
        if (!gps.empty()) {
            main.push_back(Long(0x8825, 0));
        }
        uint32_t mainAt = 8;
        uint32_t exifAt = mainAt + Size(main);
        uint32_t gpsAt = exifAt + (exif.empty() ? 0 : Size(exif));
        uint32_t thumbnailAt = gpsAt + (gps.empty() ? 0 : Size(gps));
        for (Entry& entry : main) {
            if (entry.tag == 0x8769) {
                entry = Long(0x8769, exifAt);
            } else if (entry.tag == 0x8825) {
                entry = Long(0x8825, gpsAt);
            }
        }
        Bytes tiff = {uint8_t(big_ ? 'M' : 'I'), uint8_t(big_ ? 'M' : 'I')};
        Put16(tiff, 42);
        Put32(tiff, mainAt);
        Directory(tiff, main, thumbnail.empty() ? 0 : thumbnailAt);
        if (!exif.empty()) {
            Directory(tiff, exif, 0);
        }
        if (!gps.empty()) {
            Directory(tiff, gps, 0);
        }
        if (!thumbnail.empty()) {
            Directory(tiff, thumbnail, 0);
        }
        return tiff;
    }

    // A camera's picture file around `tiff`: start, JFIF, EXIF, then the start
    // of the picture data (enough for the marker readers).
    static Bytes Jpeg(const Bytes& tiff) {
        Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
        size_t length = 2 + 6 + tiff.size();
        Bytes app1 = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
        jpeg.insert(jpeg.end(), app1.begin(), app1.end());
        jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
        Bytes sos = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0, 0x12, 0x34, 0xFF, 0xD9};
        jpeg.insert(jpeg.end(), sos.begin(), sos.end());
        return jpeg;
    }

    // A real picture file `jpeg` with `tiff` as its EXIF block, right after
    // its start marker, as cameras place it.
    static std::string WithBlock(const std::string& jpeg, const Bytes& tiff) {
        size_t length = 2 + 6 + tiff.size();
        std::string app1 = {'\xFF', '\xE1', char(length >> 8), char(length & 0xFF), 'E', 'x', 'i', 'f', 0, 0};
        app1.append(tiff.begin(), tiff.end());
        return jpeg.substr(0, 2) + app1 + jpeg.substr(2);
    }

    // What a phone writes: camera, date, turned a quarter, author, exposure,
    // maker note, position, thumbnail, serial number and comment.
    Bytes PhoneTiff() const {
        return Tiff(
            {Ascii(0x010F, "Canon"), Ascii(0x0110, "EOS 80D"), Short(0x0112, 6), Ascii(0x0131, "Firmware 1.0"),
             Ascii(0x0132, "2024:05:06 07:08:09"), Ascii(0x013B, "Taro Yamada"), Ascii(0x8298, "(c) 2024 Taro Yamada")},
            {Rational(0x829A, 1, 125), Rational(0x829D, 28, 10), Short(0x8827, 400),
             Undefined(0x9000, {'0', '2', '3', '2'}), Ascii(0x9003, "2024:05:06 07:08:09"), Short(0x9209, 16),
             Rational(0x920A, 50, 1), Undefined(0x927C, Bytes(300, 0xAB)), Undefined(0x9286, Bytes(40, 'c')),
             Long(0xA002, 6000), Ascii(0xA431, "0123456789"), Ascii(0xA434, "EF-S18-135mm")},
            {Rational(0x0002, 35, 1), Ascii(0x0001, "N")}, {Long(0x0201, 0), Long(0x0202, 0)});
    }

private:
    void Put16(Bytes& b, unsigned v) const {
        if (big_) {
            b.push_back(uint8_t(v >> 8));
            b.push_back(uint8_t(v));
        } else {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        }
    }
    void Put32(Bytes& b, uint32_t v) const {
        Put16(b, big_ ? v >> 16 : v & 0xFFFF);
        Put16(b, big_ ? v & 0xFFFF : v >> 16);
    }
    static uint32_t Size(const std::vector<Entry>& entries) {
        uint32_t size = 2 + 12 * uint32_t(entries.size()) + 4;
        for (const Entry& e : entries) {
            if (e.value.size() > 4) {
                size += uint32_t(e.value.size() + e.value.size() % 2);
            }
        }
        return size;
    }
    void Directory(Bytes& tiff, const std::vector<Entry>& entries, uint32_t next) const {
        uint32_t data = uint32_t(tiff.size()) + 2 + 12 * uint32_t(entries.size()) + 4;
        Bytes values;
        Put16(tiff, unsigned(entries.size()));
        for (const Entry& e : entries) {
            Put16(tiff, e.tag);
            Put16(tiff, e.type);
            Put32(tiff, e.count);
            if (e.value.size() <= 4) {
                Bytes v = e.value;
                v.resize(4, 0);
                tiff.insert(tiff.end(), v.begin(), v.end());
            } else {
                Put32(tiff, data + uint32_t(values.size()));
                values.insert(values.end(), e.value.begin(), e.value.end());
                if (values.size() % 2) {
                    values.push_back(0);
                }
            }
        }
        Put32(tiff, next);
        tiff.insert(tiff.end(), values.begin(), values.end());
    }

    bool big_;
};

}  // namespace cameraexif
