#include "imaging/Image.h"

#include <cstring>
#include <new>

#include "imaging/ImageInternal.h"
#include "imaging/Pixels.h"

namespace {
// Each thread's own: a failure on the view thread must not make a good load
// on the main thread count as failed.
thread_local uint32_t lastError = 0;
}  // namespace

uint32_t ImgLastError() {
    return lastError;
}

void ImgClearError() {
    lastError = 0;
}

int ImgFail(uint32_t code) {
    lastError = code ? code : uint32_t(ImgErrInvalidArg);
    return 0;
}

void ImgSyncHeader(ImgImage& image) {
    ImgInfoHeader& h = image.info.header;
    std::memset(&image.info, 0, sizeof(image.info));
    h.biSize = sizeof(ImgInfoHeader);
    h.biWidth = image.pixels.width;
    h.biHeight = image.pixels.height;  // positive: bottom-up rows
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;  // BI_RGB
    h.biSizeImage = uint32_t(image.pixels.ByteCount());
}

ImgHandle ImgAdopt(PixelImage&& pixels) {
    ImgImage* image = new (std::nothrow) ImgImage;
    if (!image) {
        ImgFail(ImgErrOutOfMemory);
        return nullptr;
    }
    image->pixels = std::move(pixels);
    ImgSyncHeader(*image);
    return image;
}

ImgHandle ImgCreate(int width, int height) {
    PixelImage pixels;
    if (uint32_t error = AllocatePixels(pixels, width, height)) {
        ImgFail(error);
        return nullptr;
    }
    std::memset(pixels.bits.get(), 0, pixels.ByteCount());
    for (int row = 0; row < height; ++row) {
        std::memset(pixels.BufferRow(row), 0xFF, size_t(width) * 3);
    }
    return ImgAdopt(std::move(pixels));
}

int ImgPrepare(ImgHandle image) {
    return image ? 1 : ImgFail(ImgErrInvalidArg);
}

void ImgFree(ImgHandle image) {
    delete image;
}

ImgHandle ImgCopy(ImgHandle image) {
    if (!image) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    PixelImage pixels;
    if (uint32_t error = AllocatePixels(pixels, image->pixels.width, image->pixels.height)) {
        ImgFail(error);
        return nullptr;
    }
    std::memcpy(pixels.bits.get(), image->pixels.bits.get(), pixels.ByteCount());
    return ImgAdopt(std::move(pixels));
}

int ImgCopyPixels(ImgHandle to, ImgHandle from) {
    if (!to || !from || to->pixels.width != from->pixels.width || to->pixels.height != from->pixels.height) {
        return 0;
    }
    std::memcpy(to->pixels.bits.get(), from->pixels.bits.get(), from->pixels.ByteCount());
    return 1;
}

int ImgGetHeader(ImgHandle image, ImgInfoHeader* header) {
    if (!image || !header) {
        return ImgFail(ImgErrInvalidArg);
    }
    *header = image->info.header;
    return 1;
}

int ImgGetPixels(ImgHandle image, const ImgInfoHeader** info, uint8_t** bits, uint32_t* byteCount) {
    if (!image) {
        return ImgFail(ImgErrInvalidArg);
    }
    if (info) {
        *info = &image->info.header;
    }
    if (bits) {
        *bits = image->pixels.bits.get();
    }
    if (byteCount) {
        *byteCount = uint32_t(image->pixels.ByteCount());
    }
    return 1;
}

int ImgWidth(ImgHandle image) {
    return image ? image->pixels.width : 0;
}

int ImgHeight(ImgHandle image) {
    return image ? image->pixels.height : 0;
}

int ImgResize(ImgHandle image, int width, int height) {
    if (!image) {
        return ImgFail(ImgErrInvalidArg);
    }
    PixelImage result;
    if (uint32_t error = ResizePixels(image->pixels, width, height, result)) {
        return ImgFail(error);
    }
    image->pixels = std::move(result);
    ImgSyncHeader(*image);
    return 1;
}

ImgHandle ImgResizedCopy(ImgHandle image, int width, int height) {
    if (!image) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    PixelImage result;
    if (uint32_t error = ResizePixels(image->pixels, width, height, result)) {
        ImgFail(error);
        return nullptr;
    }
    return ImgAdopt(std::move(result));
}

int ImgRotate(ImgHandle image, int degrees) {
    if (!image) {
        return ImgFail(ImgErrInvalidArg);
    }
    PixelImage result;
    if (uint32_t error = RotatePixels(image->pixels, degrees, result)) {
        return ImgFail(error);
    }
    image->pixels = std::move(result);
    ImgSyncHeader(*image);
    return 1;
}

ImgHandle ImgCrop(ImgHandle image, int x, int y, int width, int height) {
    if (!image) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    PixelImage result;
    if (uint32_t error = CropPixels(image->pixels, x, y, width, height, result)) {
        ImgFail(error);
        return nullptr;
    }
    return ImgAdopt(std::move(result));
}
