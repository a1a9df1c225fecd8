// The picture the pixel benchmarks work on: a gentle gradient with a little
// noise, so that no stage can take a short cut on flat or repeated rows.
#pragma once

#include <cstdint>

#include "imaging/Pixels.h"

inline PixelImage Photo(int width, int height) {
    PixelImage image;
    AllocatePixels(image, width, height);
    uint32_t seed = 12345;
    for (int y = 0; y < height; ++y) {
        uint8_t* row = image.BufferRow(y);
        for (int x = 0; x < width * 3; ++x) {
            seed = seed * 1103515245u + 12345u;
            row[x] = uint8_t((x / 3 + y) / 8 + (seed >> 28));
        }
    }
    return image;
}
