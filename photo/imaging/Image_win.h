// Loading and saving pictures through the Windows Imaging Component, and the
// Win32 views of an image's header.
//
// Loads take BMP, JPEG, PNG and GIF (first frame) by their content, whatever
// the file's extension; transparent pixels come out composed over white, a
// JPEG's EXIF orientation is applied, and a picture carrying a colour profile
// other than sRGB is converted to sRGB where the platform's colour transform
// can (elsewhere its pixels load as they are). Saves write no metadata but
// the shooting data a caller hands a JPEG save, and go through a temporary
// file beside the target, which replaces the target only once it is
// complete: a failed save leaves an existing file as it was.
//
// The ...A forms take paths in the ANSI code page; the W forms take any path.
#pragma once

#include <windows.h>

#include <wincodec.h>

#include <cstdint>
#include <vector>

#include "imaging/Image.h"
#include "win/Com.h"

// The imaging factory of the calling thread while the object lives: loads
// and saves on that thread make it once and keep it. The thread's COM
// apartment is its owner's (a ComApartment declared before this object). A
// thread without one makes a factory for each load or save.
class ImgThreadScope {
public:
    ImgThreadScope();
    ~ImgThreadScope();
    ImgThreadScope(const ImgThreadScope&) = delete;
    ImgThreadScope& operator=(const ImgThreadScope&) = delete;

    // The factory, made at the first call; an error when WIC cannot make one.
    HRESULT Factory(IWICImagingFactory** factory);

private:
    ImgThreadScope* outer_;
    ComPtr<IWICImagingFactory> factory_;
};

ImgHandle ImgLoad(const char* path);
// With `shootingData`, a JPEG's shooting data as a save may carry it on
// (KeptExif; empty for none and for other formats).
ImgHandle ImgLoadW(const wchar_t* path, std::vector<uint8_t>* shootingData = nullptr);

// `quality` 1 to 100; `reserved` is 0. Non-zero = written.
int ImgSaveJpeg(const char* path, ImgHandle image, int quality, int reserved);
int ImgSaveBmp(const char* path, ImgHandle image);
int ImgSavePng(const char* path, ImgHandle image, int reserved);
// An adaptive palette of the picture's own colours (exact up to 256 colours).
int ImgSaveGif(const char* path, ImgHandle image, int reserved);

// `shootingData` (from ImgLoadW), when given and not empty, is written as the
// JPEG's EXIF block.
int ImgSaveJpegW(const wchar_t* path, ImgHandle image, int quality, const std::vector<uint8_t>* shootingData = nullptr);
// The JPEG encoder's options for `quality` (1 to 100, others clamped) into
// its property bag. Some codecs ignore it (Wine's).
HRESULT ImgWriteJpegOptions(IPropertyBag2* options, int quality);
int ImgSaveBmpW(const wchar_t* path, ImgHandle image);
int ImgSavePngW(const wchar_t* path, ImgHandle image);
int ImgSaveGifW(const wchar_t* path, ImgHandle image);

static_assert(sizeof(BITMAPINFOHEADER) == sizeof(ImgInfoHeader), "same header");

inline int ImgGetHeader(ImgHandle image, BITMAPINFOHEADER* header) {
    return ImgGetHeader(image, reinterpret_cast<ImgInfoHeader*>(header));
}

// The header as GDI takes it (StretchDIBits, CreateDIBSection); 0 for none.
inline const BITMAPINFO* ImgBitmapInfo(ImgHandle image) {
    const ImgInfoHeader* info = nullptr;
    ImgReadPixels(image, &info, nullptr, nullptr);
    return reinterpret_cast<const BITMAPINFO*>(info);
}

// For reading (drawing with GDI, say).
inline const BYTE* ImgBits(ImgHandle image) {
    const uint8_t* bits = nullptr;
    ImgReadPixels(image, nullptr, &bits, nullptr);
    return bits;
}
