#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CameraExif.h"
#include "imaging/Exif.h"

namespace {

using Bytes = std::vector<uint8_t>;
using cameraexif::Entry;

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

std::string Text(const ExifBlock& block, ExifDirectory directory, uint16_t tag) {
    const ExifEntry* entry = block.Find(directory, tag);
    if (!entry || entry->type != 2 || entry->value.empty()) {
        return "<absent>";
    }
    return std::string(entry->value.begin(), entry->value.end() - 1);
}

// The kept block read back as a file would carry it.
ExifBlock KeptOf(const Bytes& camera) {
    Bytes kept = KeptExif(camera.data(), camera.size());
    if (kept.empty()) {
        return ExifBlock();
    }
    Bytes plain = {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    Bytes saved;
    EXPECT_TRUE(InsertExif(plain.data(), plain.size(), kept, saved));
    return ReadExif(saved.data(), saved.size());
}

TEST(ExifBlocks, ReadsEveryDirectoryInEitherByteOrder) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        cameraexif::Builder camera(big);
        Bytes jpeg = camera.Jpeg(camera.PhoneTiff());
        ExifBlock block = ReadExif(jpeg.data(), jpeg.size());
        EXPECT_EQ(block.bigEndian, big);
        EXPECT_EQ(Text(block, ExifDirectory::Main, 0x010F), "Canon");
        EXPECT_EQ(block.Number(ExifDirectory::Main, 0x0112), 6);
        EXPECT_EQ(block.Number(ExifDirectory::Exif, 0x8827), 400);
        EXPECT_EQ(block.Number(ExifDirectory::Exif, 0xA002), 6000);
        ASSERT_NE(block.Find(ExifDirectory::Exif, 0x927C), nullptr);
        EXPECT_EQ(block.Find(ExifDirectory::Exif, 0x927C)->value.size(), 300u);
        EXPECT_EQ(Text(block, ExifDirectory::Gps, 0x0001), "N");
        EXPECT_NE(block.Find(ExifDirectory::Thumbnail, 0x0201), nullptr);
        EXPECT_EQ(block.Find(ExifDirectory::Main, 0x9003), nullptr) << "each tag in its own directory";
    }
}

TEST(ExifBlocks, KeepsTheShootingDataAndNeverThePositionOrTheMakersData) {
    for (bool big : {false, true}) {
        SCOPED_TRACE(big ? "MM" : "II");
        cameraexif::Builder camera(big);
        ExifBlock kept = KeptOf(camera.Jpeg(camera.PhoneTiff()));
        EXPECT_EQ(kept.bigEndian, big);
        // Kept: camera, dates, author, exposure, lens; orientation normal.
        EXPECT_EQ(Text(kept, ExifDirectory::Main, 0x010F), "Canon");
        EXPECT_EQ(Text(kept, ExifDirectory::Main, 0x0110), "EOS 80D");
        EXPECT_EQ(Text(kept, ExifDirectory::Main, 0x0132), "2024:05:06 07:08:09");
        EXPECT_EQ(Text(kept, ExifDirectory::Main, 0x013B), "Taro Yamada");
        EXPECT_EQ(Text(kept, ExifDirectory::Main, 0x8298), "(c) 2024 Taro Yamada");
        EXPECT_EQ(kept.Number(ExifDirectory::Main, 0x0112), 1) << "the pixels are turned already";
        EXPECT_EQ(Text(kept, ExifDirectory::Exif, 0x9003), "2024:05:06 07:08:09");
        EXPECT_EQ(kept.Number(ExifDirectory::Exif, 0x8827), 400);
        EXPECT_EQ(kept.Number(ExifDirectory::Exif, 0x9209), 16);
        EXPECT_EQ(Text(kept, ExifDirectory::Exif, 0xA434), "EF-S18-135mm");
        const ExifEntry* exposure = kept.Find(ExifDirectory::Exif, 0x829A);
        ASSERT_NE(exposure, nullptr);
        EXPECT_EQ(exposure->value, camera.Rational(0x829A, 1, 125).value);
        ASSERT_NE(kept.Find(ExifDirectory::Exif, 0x9000), nullptr);
        EXPECT_EQ(kept.Find(ExifDirectory::Exif, 0x9000)->value, Bytes({'0', '2', '3', '2'}));
        // Never: position, maker note, comment, serial number, thumbnail, a
        // pixel size or software that no longer describe the copy.
        EXPECT_EQ(kept.Find(ExifDirectory::Main, 0x8825), nullptr);
        for (const ExifEntry& entry : kept.entries) {
            EXPECT_NE(entry.directory, ExifDirectory::Gps);
            EXPECT_NE(entry.directory, ExifDirectory::Thumbnail);
        }
        EXPECT_EQ(kept.Find(ExifDirectory::Exif, 0x927C), nullptr);
        EXPECT_EQ(kept.Find(ExifDirectory::Exif, 0x9286), nullptr);
        EXPECT_EQ(kept.Find(ExifDirectory::Exif, 0xA431), nullptr);
        EXPECT_EQ(kept.Find(ExifDirectory::Exif, 0xA002), nullptr);
        EXPECT_EQ(kept.Find(ExifDirectory::Main, 0x0131), nullptr);
    }
}

TEST(ExifBlocks, KeepsNothingWithoutShootingData) {
    cameraexif::Builder camera(false);
    // Only a position and an orientation: nothing worth a block.
    Bytes positionOnly = camera.Jpeg(camera.Tiff({camera.Short(0x0112, 3)}, {}, {camera.Ascii(1, "N")}, {}));
    EXPECT_TRUE(KeptExif(positionOnly.data(), positionOnly.size()).empty());
    Bytes noExif = Jpeg(6, false);
    noExif.erase(noExif.begin() + 20, noExif.end() - 12);  // the EXIF block removed
    EXPECT_TRUE(KeptExif(noExif.data(), noExif.size()).empty());
    Bytes png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    EXPECT_TRUE(KeptExif(png.data(), png.size()).empty());
    EXPECT_TRUE(KeptExif(nullptr, 0).empty());
    // Only the artist: kept, with the orientation beside it and no EXIF
    // directory.
    ExifBlock artist = KeptOf(camera.Jpeg(camera.Tiff({camera.Ascii(0x013B, "me")}, {}, {}, {})));
    EXPECT_EQ(Text(artist, ExifDirectory::Main, 0x013B), "me");
    EXPECT_EQ(artist.Number(ExifDirectory::Main, 0x0112), 1);
    EXPECT_EQ(artist.Find(ExifDirectory::Main, 0x8769), nullptr);
    EXPECT_EQ(artist.entries.size(), 2u);
}

TEST(ExifBlocks, HostileBlocksNeitherReadOutsideNorGrowBeyondOneSegment) {
    cameraexif::Builder camera(true);
    // Values pointing past the block, a count that overflows, an unknown type:
    // each entry is left out, nothing more.
    Bytes tiff = camera.Tiff({camera.Ascii(0x013B, "Taro Yamada")}, {camera.Short(0x8827, 100)}, {}, {});
    Bytes outside = tiff;
    // The artist's value offset (entry 0 of the main directory at 8).
    outside[8 + 2 + 8] = 0x7F;
    Bytes jpeg = camera.Jpeg(outside);
    ExifBlock block = ReadExif(jpeg.data(), jpeg.size());
    EXPECT_EQ(block.Find(ExifDirectory::Main, 0x013B), nullptr);
    EXPECT_EQ(block.Number(ExifDirectory::Exif, 0x8827), 100);

    Entry huge = {0x013B, 4, 0x40000001u, {0, 0, 0, 0}};
    Entry unknown = {0x0110, 99, 1, {1, 2, 3, 4}};
    Bytes odd = camera.Jpeg(camera.Tiff({huge, unknown, camera.Ascii(0x010F, "ok")}, {}, {}, {}));
    ExifBlock oddBlock = ReadExif(odd.data(), odd.size());
    EXPECT_EQ(oddBlock.entries.size(), 1u);
    EXPECT_EQ(Text(oddBlock, ExifDirectory::Main, 0x010F), "ok");

    // Many entries all pointing at one long value: the copy stays bounded and
    // the kept block fits one segment.
    std::vector<cameraexif::Entry> many;
    std::string longText(60000, 'x');
    many.push_back(camera.Ascii(0x013B, longText));
    many.push_back(camera.Ascii(0x8298, std::string(3000, 'y')));
    Bytes big = camera.Jpeg(camera.Tiff(many, {camera.Rational(0x829A, 1, 60)}, {}, {}));
    Bytes kept = KeptExif(big.data(), big.size());
    ASSERT_FALSE(kept.empty());
    EXPECT_LE(kept.size(), 65533u);
    Bytes plain = {0xFF, 0xD8, 0xFF, 0xD9};
    Bytes saved;
    ASSERT_TRUE(InsertExif(plain.data(), plain.size(), kept, saved));
    ExifBlock keptBlock = ReadExif(saved.data(), saved.size());
    EXPECT_EQ(Text(keptBlock, ExifDirectory::Main, 0x013B), longText);

    // Every prefix of a real block, in a buffer of exactly its size.
    Bytes phone = camera.Jpeg(camera.PhoneTiff());
    for (size_t n = 0; n <= phone.size(); n += 7) {
        Bytes prefix(phone.begin(), phone.begin() + ptrdiff_t(n));
        KeptExif(prefix.data(), prefix.size());
    }
}

TEST(ExifBlocks, TheBlockGoesAfterTheStartAndAnyJfifSegment) {
    Bytes exif = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    Bytes jfif = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x04, 'J', 'F', 0xFF, 0xDA, 0x00, 0x02, 0xFF, 0xD9};
    Bytes out;
    ASSERT_TRUE(InsertExif(jfif.data(), jfif.size(), exif, out));
    Bytes expected(jfif.begin(), jfif.begin() + 8);
    expected.insert(expected.end(), {0xFF, 0xE1, 0x00, uint8_t(exif.size() + 2)});
    expected.insert(expected.end(), exif.begin(), exif.end());
    expected.insert(expected.end(), jfif.begin() + 8, jfif.end());
    EXPECT_EQ(out, expected);

    Bytes bare = {0xFF, 0xD8, 0xFF, 0xDB, 0x00, 0x02, 0xFF, 0xD9};
    ASSERT_TRUE(InsertExif(bare.data(), bare.size(), exif, out));
    EXPECT_EQ(Bytes(out.begin(), out.begin() + 4), Bytes({0xFF, 0xD8, 0xFF, 0xE1}));
    EXPECT_EQ(out.size(), bare.size() + 4 + exif.size());

    Bytes untouched = {1, 2, 3};
    Bytes png = {0x89, 'P', 'N', 'G'};
    EXPECT_FALSE(InsertExif(png.data(), png.size(), exif, untouched));
    EXPECT_FALSE(InsertExif(bare.data(), bare.size(), Bytes(), untouched));
    EXPECT_FALSE(InsertExif(bare.data(), bare.size(), Bytes(65534, 0), untouched));
    EXPECT_EQ(untouched, Bytes({1, 2, 3}));
}

}  // namespace
