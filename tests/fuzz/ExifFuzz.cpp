// The JPEG markers the engine reads itself from a picture file: the EXIF
// orientation and whether the file ends as a JPEG must. libFuzzer hands the
// input in a buffer of exactly its size, so any read past it is caught.
#include "FuzzSupport.h"
#include "imaging/Exif.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    int orientation = JpegOrientation(bytes, size);
    FUZZ_CHECK(orientation >= 0 && orientation <= 8);
    bool complete = JpegIsComplete(bytes, size);
    // Without a start-of-image marker nothing is a JPEG.
    if (size < 2 || bytes[0] != 0xFF || bytes[1] != 0xD8) {
        FUZZ_CHECK(orientation == 0 && !complete);
    }
    return 0;
}
