// What an image handle points at; shared by the pixel side and the codecs of
// the library, never by its users.
#pragma once

#include <memory>

#include "imaging/Image.h"
#include "imaging/Pixels.h"

struct ImgImage {
    // Copies share their pixels until one of them is written (OwnPixels): a
    // copy of a large picture costs nothing while it is only read. Never
    // null in a live handle.
    std::shared_ptr<PixelImage> pixels;
    // Laid out as BITMAPINFO: the header and one (unused) colour entry.
    struct {
        ImgInfoHeader header;
        uint32_t colour;
    } info;
};

// A new handle owning `pixels`; 0 (with the error recorded) when memory is short.
ImgHandle ImgAdopt(PixelImage&& pixels);
void ImgSyncHeader(ImgImage& image);
// `image`'s pixels for writing, made its own first when a copy shares them;
// null (with the error recorded) when memory is short.
PixelImage* ImgOwnPixels(ImgImage& image);
