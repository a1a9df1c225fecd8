// What an image handle points at; shared by the pixel side and the codecs of
// the library, never by its users.
#pragma once

#include "imaging/Image.h"
#include "imaging/Pixels.h"

struct ImgImage {
    PixelImage pixels;
    // Laid out as BITMAPINFO: the header and one (unused) colour entry.
    struct {
        ImgInfoHeader header;
        uint32_t colour;
    } info;
};

// A new handle owning `pixels`; 0 (with the error recorded) when memory is short.
ImgHandle ImgAdopt(PixelImage&& pixels);
void ImgSyncHeader(ImgImage& image);
