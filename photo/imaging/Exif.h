// What the engine reads from a JPEG file's markers itself: the EXIF
// orientation, and whether the file ends as a JPEG must.
#pragma once

#include <cstddef>
#include <cstdint>

// How much of a file's start JpegOrientation needs at most: the markers
// before the picture data, the EXIF block included.
const size_t kExifProbeBytes = 256 * 1024;

// The orientation tag (1 to 8) of the first EXIF block of the JPEG data, or
// 0 when there is none or the data is not a JPEG. Malformed or truncated data
// never reads outside `size` bytes.
int JpegOrientation(const uint8_t* data, size_t size);

// True when the JPEG data has its end marker after the start of the picture
// data. A file cut short (a broken download or copy) has not, though some
// decoders would still show it, its lower part grey.
bool JpegIsComplete(const uint8_t* data, size_t size);
