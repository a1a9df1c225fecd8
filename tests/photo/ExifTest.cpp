#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "imaging/Exif.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, unsigned v, bool big) {
    if (big) {
        b.push_back(uint8_t(v >> 8));
        b.push_back(uint8_t(v));
    } else {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
}

void Put32(Bytes& b, uint32_t v, bool big) {
    Put16(b, big ? v >> 16 : v & 0xFFFF, big);
    Put16(b, big ? v & 0xFFFF : v >> 16, big);
}

// SOI, a JFIF block, an EXIF block whose first directory has a width tag and
// the orientation (SHORT), then the start of the picture data.
Bytes Jpeg(int orientation, bool big, unsigned ifdOffset = 8) {
    Bytes tiff = {uint8_t(big ? 'M' : 'I'), uint8_t(big ? 'M' : 'I')};
    Put16(tiff, 42, big);
    Put32(tiff, ifdOffset, big);
    Put16(tiff, 2, big);
    Put16(tiff, 0x0100, big);  // image width, LONG
    Put16(tiff, 4, big);
    Put32(tiff, 1, big);
    Put32(tiff, 640, big);
    Put16(tiff, 0x0112, big);  // orientation, SHORT
    Put16(tiff, 3, big);
    Put32(tiff, 1, big);
    Put16(tiff, unsigned(orientation), big);
    Put16(tiff, 0, big);
    Put32(tiff, 0, big);  // no next directory

    Bytes jpeg = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10, 'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
    size_t length = 2 + 6 + tiff.size();
    Bytes app1 = {0xFF, 0xE1, uint8_t(length >> 8), uint8_t(length), 'E', 'x', 'i', 'f', 0, 0};
    jpeg.insert(jpeg.end(), app1.begin(), app1.end());
    jpeg.insert(jpeg.end(), tiff.begin(), tiff.end());
    Bytes sos = {0xFF, 0xDA, 0x00, 0x08, 1, 1, 0, 0, 0x3F, 0, 0x12, 0x34};
    jpeg.insert(jpeg.end(), sos.begin(), sos.end());
    return jpeg;
}

TEST(JpegOrientation, ReadsTheTagInEitherByteOrder) {
    for (bool big : {false, true}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            Bytes jpeg = Jpeg(orientation, big);
            EXPECT_EQ(JpegOrientation(jpeg.data(), jpeg.size()), orientation) << (big ? "MM " : "II ") << orientation;
        }
    }
}

TEST(JpegOrientation, GivesZeroForAnythingElse) {
    Bytes bad = Jpeg(9, false);
    EXPECT_EQ(JpegOrientation(bad.data(), bad.size()), 0);
    Bytes farDirectory = Jpeg(6, true, 100000);
    EXPECT_EQ(JpegOrientation(farDirectory.data(), farDirectory.size()), 0);
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_EQ(JpegOrientation(png.data(), png.size()), 0);
    Bytes zeroLength = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x00, 'E', 'x'};
    EXPECT_EQ(JpegOrientation(zeroLength.data(), zeroLength.size()), 0);
    EXPECT_EQ(JpegOrientation(nullptr, 100), 0);
}

TEST(JpegOrientation, NeverReadsPastATruncatedFile) {
    // Every prefix, copied into a buffer of exactly its size so that a sanitiser
    // or a crash would show a read beyond it.
    Bytes jpeg = Jpeg(6, false);
    for (size_t n = 0; n <= jpeg.size(); ++n) {
        Bytes prefix(jpeg.begin(), jpeg.begin() + ptrdiff_t(n));
        int orientation = JpegOrientation(prefix.data(), prefix.size());
        EXPECT_TRUE(orientation == 0 || orientation == 6) << n;
    }
}

TEST(JpegIsComplete, WantsTheEndMarkerAfterThePictureData) {
    Bytes cut = Jpeg(1, false);  // ends inside the picture data
    EXPECT_FALSE(JpegIsComplete(cut.data(), cut.size()));
    Bytes whole = cut;
    for (uint8_t b : {0xFF, 0x00, 0x55, 0xFF, 0xD9}) {
        whole.push_back(b);
    }
    EXPECT_TRUE(JpegIsComplete(whole.data(), whole.size()));
    Bytes trailing = whole;
    trailing.insert(trailing.end(), 100, 0x00);  // what some cameras append
    EXPECT_TRUE(JpegIsComplete(trailing.data(), trailing.size()));
    for (size_t n = 0; n + 2 <= whole.size(); ++n) {
        Bytes prefix(whole.begin(), whole.begin() + ptrdiff_t(n));
        EXPECT_FALSE(JpegIsComplete(prefix.data(), prefix.size())) << n;
    }
    // An end marker inside a header block (a thumbnail's) does not count.
    Bytes thumbnail = {0xFF, 0xD8, 0xFF, 0xE1, 0x00, 0x06, 0xFF, 0xD9, 0xFF,
                       0xD9, 0xFF, 0xDA, 0x00, 0x04, 0x01, 0x02, 0x33, 0x44};
    EXPECT_FALSE(JpegIsComplete(thumbnail.data(), thumbnail.size()));
}

}  // namespace
