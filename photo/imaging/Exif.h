// What the engine reads from a JPEG file's markers itself: the EXIF
// orientation, whether the file ends as a JPEG must, and the shooting data a
// published copy may carry on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

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

// The directories of an EXIF block that ReadExif reports.
enum class ExifDirectory { Main, Exif, Gps, Thumbnail };

// One entry of an EXIF directory, its value bytes as stored (in the block's
// byte order), whether they sat in the entry or elsewhere in the block.
struct ExifEntry {
    ExifDirectory directory;
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    std::vector<uint8_t> value;
};

struct ExifBlock {
    bool bigEndian = false;
    std::vector<ExifEntry> entries;

    const ExifEntry* Find(ExifDirectory directory, uint16_t tag) const;
    // The value of a SHORT or LONG entry, or -1.
    int64_t Number(ExifDirectory directory, uint16_t tag) const;
};

// The entries of the first EXIF block of the JPEG data: the main directory,
// the EXIF and GPS directories it points to and the thumbnail's directory.
// Entries of unknown types or whose values lie outside the block are left
// out; malformed or truncated data never reads outside `size` bytes. No
// entries when there is no block.
ExifBlock ReadExif(const uint8_t* data, size_t size);

// The shooting data worth keeping in a published copy of the JPEG data: the
// camera's make and model, the dates, the exposure (time, aperture,
// sensitivity, flash, focal length and the like), the lens, and the artist and
// copyright tags, with the orientation written as normal (the pixels are
// turned as the camera meant them). Never the GPS position, the maker's
// private data, a thumbnail, serial numbers or comments. The body of an APP1
// segment ("Exif" and the TIFF data), in the original byte order; empty when
// the file has nothing of it.
std::vector<uint8_t> KeptExif(const uint8_t* data, size_t size);

// The JPEG data with an APP1 segment holding `exif` (as KeptExif gives it)
// after its start marker and a JFIF segment that follows it. False, `out`
// untouched, when `data` does not start as a JPEG or `exif` does not fit one
// segment.
bool InsertExif(const uint8_t* data, size_t size, const std::vector<uint8_t>& exif, std::vector<uint8_t>& out);
