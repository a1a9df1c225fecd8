#include "imaging/Exif.h"

#include <cstring>

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

int TiffOrientation(const uint8_t* tiff, size_t size) {
    if (size < 8) {
        return 0;
    }
    Reader r{tiff, size, false};
    if (tiff[0] == 'M' && tiff[1] == 'M') {
        r.bigEndian = true;
    } else if (!(tiff[0] == 'I' && tiff[1] == 'I')) {
        return 0;
    }
    if (r.U16(2) != 42) {
        return 0;
    }
    size_t ifd = r.U32(4);
    if (!r.Has(ifd, 2)) {
        return 0;
    }
    unsigned entries = r.U16(ifd);
    for (unsigned i = 0; i < entries; ++i) {
        size_t entry = ifd + 2 + size_t(i) * 12;
        if (!r.Has(entry, 12)) {
            return 0;
        }
        if (r.U16(entry) == 0x0112) {
            unsigned type = r.U16(entry + 2);
            unsigned value = type == 3 ? r.U16(entry + 8) : (type == 4 ? unsigned(r.U32(entry + 8)) : 0);
            return value >= 1 && value <= 8 ? int(value) : 0;
        }
    }
    return 0;
}

}  // namespace

int JpegOrientation(const uint8_t* data, size_t size) {
    if (!data || size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return 0;
    }
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            return 0;
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
            return 0;
        }
        size_t length = size_t(data[at + 2]) << 8 | data[at + 3];
        if (length < 2) {
            return 0;
        }
        const uint8_t* body = data + at + 4;
        size_t bodySize = length - 2;
        if (bodySize > size - (at + 4)) {
            bodySize = size - (at + 4);  // truncated: look at what there is
        }
        if (marker == 0xE1 && bodySize >= 6 && std::memcmp(body, "Exif\0\0", 6) == 0) {
            return TiffOrientation(body + 6, bodySize - 6);
        }
        at += 2 + length;
    }
    return 0;
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
