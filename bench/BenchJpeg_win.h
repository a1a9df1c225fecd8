// The 24-megapixel JPEG the Windows benchmarks load: detail everywhere, so
// the codec has real work.
#pragma once

#include <cstdint>
#include <string>

#include "imaging/Image_win.h"

inline bool MakeBenchJpeg(const std::wstring& path) {
    ImgHandle picture = ImgCreate(6000, 4000);
    if (!picture) {
        return false;
    }
    uint8_t* bits = nullptr;
    ImgGetPixels(picture, nullptr, &bits, nullptr);
    uint32_t seed = 1;
    for (size_t row = 0; row < 4000; ++row) {
        uint8_t* p = bits + row * 18000;
        for (size_t i = 0; i < 18000; ++i) {
            seed = seed * 1103515245u + 12345u;
            p[i] = uint8_t((i / 3 + row) / 16 + (seed >> 29));
        }
    }
    bool saved = ImgSaveJpegW(path.c_str(), picture, 95);
    ImgFree(picture);
    return saved;
}
