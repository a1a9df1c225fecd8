// An adaptive palette of at most 256 colours for GIF output, taken from the
// picture's own colours: exact when it has 256 colours or fewer, otherwise by
// median cut over a 15-bit colour histogram.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/Pixels.h"

struct IndexedPixels {
    std::vector<uint32_t> palette;  // 0x00RRGGBB, at most 256 entries
    std::vector<uint8_t> indices;   // width x height, rows top-down as displayed
};

// Returns 0 or an error code (ImgError).
uint32_t QuantizePixels(const PixelImage& image, IndexedPixels& out);
