#include "imaging/Image.h"

#include <atomic>
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
    h.biWidth = image.pixels->width;
    h.biHeight = image.pixels->height;  // positive: bottom-up rows
    h.biPlanes = 1;
    h.biBitCount = 24;
    h.biCompression = 0;  // BI_RGB
    h.biSizeImage = uint32_t(image.pixels->ByteCount());
}

namespace {

std::shared_ptr<PixelImage> Shared(PixelImage&& pixels) {
    PixelImage* owned = new (std::nothrow) PixelImage(std::move(pixels));
    if (!owned) {
        return nullptr;
    }
    try {
        return std::shared_ptr<PixelImage>(owned);  // frees `owned` when it throws
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

// `image` takes `pixels` in place of what it had; false when memory is short.
bool Replace(ImgImage& image, PixelImage&& pixels) {
    std::shared_ptr<PixelImage> shared = Shared(std::move(pixels));
    if (!shared) {
        return false;
    }
    image.pixels = std::move(shared);
    ImgSyncHeader(image);
    return true;
}

// A count of one read here may follow the release of a copy on another
// thread (a save encoding its frame): the fence orders that copy's last reads
// before our writes.
bool SoleOwner(const ImgImage& image) {
    if (image.pixels.use_count() > 1) {
        return false;
    }
    std::atomic_thread_fence(std::memory_order_acquire);
    return true;
}

}  // namespace

ImgHandle ImgAdopt(PixelImage&& pixels) {
    ImgImage* image = new (std::nothrow) ImgImage;
    if (!image || !Replace(*image, std::move(pixels))) {
        delete image;
        ImgFail(ImgErrOutOfMemory);
        return nullptr;
    }
    return image;
}

PixelImage* ImgOwnPixels(ImgImage& image) {
    if (!SoleOwner(image)) {
        const PixelImage& shared = *image.pixels;
        PixelImage own;
        if (uint32_t error = AllocatePixels(own, shared.width, shared.height)) {
            ImgFail(error);
            return nullptr;
        }
        std::memcpy(own.bits.get(), shared.bits.get(), own.ByteCount());
        if (!Replace(image, std::move(own))) {
            ImgFail(ImgErrOutOfMemory);
            return nullptr;
        }
    }
    return image.pixels.get();
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
    ImgImage* copy = new (std::nothrow) ImgImage;
    if (!copy) {
        ImgFail(ImgErrOutOfMemory);
        return nullptr;
    }
    copy->pixels = image->pixels;
    copy->info = image->info;
    return copy;
}

int ImgCopyPixels(ImgHandle to, ImgHandle from) {
    if (!to || !from || to->pixels->width != from->pixels->width || to->pixels->height != from->pixels->height) {
        return 0;
    }
    if (to->pixels == from->pixels) {
        return 1;
    }
    const PixelImage& pixels = *from->pixels;
    if (SoleOwner(*to)) {
        std::memcpy(to->pixels->bits.get(), pixels.bits.get(), pixels.ByteCount());
        return 1;
    }
    // A copy shares the old pixels: they stay its own, unchanged.
    PixelImage own;
    if (uint32_t error = AllocatePixels(own, pixels.width, pixels.height)) {
        return ImgFail(error);
    }
    std::memcpy(own.bits.get(), pixels.bits.get(), pixels.ByteCount());
    return Replace(*to, std::move(own)) ? 1 : ImgFail(ImgErrOutOfMemory);
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
    PixelImage* pixels = image->pixels.get();
    if (bits) {
        pixels = ImgOwnPixels(*image);
        if (!pixels) {
            return 0;
        }
        *bits = pixels->bits.get();
    }
    if (info) {
        *info = &image->info.header;
    }
    if (byteCount) {
        *byteCount = uint32_t(pixels->ByteCount());
    }
    return 1;
}

int ImgReadPixels(ImgHandle image, const ImgInfoHeader** info, const uint8_t** bits, uint32_t* byteCount) {
    if (!image) {
        return ImgFail(ImgErrInvalidArg);
    }
    if (info) {
        *info = &image->info.header;
    }
    if (bits) {
        *bits = image->pixels->bits.get();
    }
    if (byteCount) {
        *byteCount = uint32_t(image->pixels->ByteCount());
    }
    return 1;
}

int ImgWidth(ImgHandle image) {
    return image ? image->pixels->width : 0;
}

int ImgHeight(ImgHandle image) {
    return image ? image->pixels->height : 0;
}

int ImgResize(ImgHandle image, int width, int height) {
    if (!image) {
        return ImgFail(ImgErrInvalidArg);
    }
    PixelImage result;
    if (uint32_t error = ResizePixels(*image->pixels, width, height, result)) {
        return ImgFail(error);
    }
    // A copy that shares the old pixels keeps them.
    return Replace(*image, std::move(result)) ? 1 : ImgFail(ImgErrOutOfMemory);
}

ImgHandle ImgResizedCopy(ImgHandle image, int width, int height) {
    if (!image) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    PixelImage result;
    if (uint32_t error = ResizePixels(*image->pixels, width, height, result)) {
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
    if (uint32_t error = RotatePixels(*image->pixels, degrees, result)) {
        return ImgFail(error);
    }
    // A copy that shares the old pixels keeps them.
    return Replace(*image, std::move(result)) ? 1 : ImgFail(ImgErrOutOfMemory);
}

ImgHandle ImgCrop(ImgHandle image, int x, int y, int width, int height) {
    if (!image) {
        ImgFail(ImgErrInvalidArg);
        return nullptr;
    }
    PixelImage result;
    if (uint32_t error = CropPixels(*image->pixels, x, y, width, height, result)) {
        ImgFail(error);
        return nullptr;
    }
    return ImgAdopt(std::move(result));
}
