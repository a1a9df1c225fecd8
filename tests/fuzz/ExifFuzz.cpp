// The JPEG markers the engine reads itself from a picture file: the EXIF
// orientation, whether the file ends as a JPEG must, and the shooting data a
// saved copy keeps; and a colour profile. libFuzzer hands the input in a buffer of exactly its size,
// so any read past it is caught.
#include "FuzzSupport.h"
#include "imaging/ColourProfile.h"
#include "imaging/Exif.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    int orientation = JpegOrientation(bytes, size);
    FUZZ_CHECK(orientation >= 0 && orientation <= 8);
    bool complete = JpegIsComplete(bytes, size);
    // Without a start-of-image marker nothing is a JPEG.
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        FUZZ_CHECK(orientation == 0 && !complete);
    }
    // A colour profile is read within its bounds too.
    IccProfileIsSrgb(bytes, size);
    // What is kept fits one segment, reads back, and never holds a position
    // or a thumbnail, with the orientation normal.
    std::vector<uint8_t> kept = KeptExif(bytes, size);
    if (!kept.empty()) {
        const uint8_t plain[] = {0xFF, 0xD8, 0xFF, 0xD9};
        std::vector<uint8_t> saved;
        FUZZ_CHECK(InsertExif(plain, sizeof(plain), kept, saved));
        ExifBlock block = ReadExif(saved.data(), saved.size());
        FUZZ_CHECK(block.Number(ExifDirectory::Main, 0x0112) == 1);
        for (const ExifEntry& entry : block.entries) {
            FUZZ_CHECK(entry.directory == ExifDirectory::Main || entry.directory == ExifDirectory::Exif);
            FUZZ_CHECK(entry.tag != 0x927C && entry.tag != 0x8825);
        }
    }
    return 0;
}
