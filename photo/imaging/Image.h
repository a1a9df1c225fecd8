// Our image library: pictures as opaque handles (0 = none or failure) over
// 24-bit BGR pixels, rows padded to 4 bytes and stored bottom-up, so that the
// pixels and header draw upright with StretchDIBits as a bottom-up DIB.
//
// This header and Image.cpp are free of windows.h; loading and saving through
// the Windows Imaging Component are in Image_win.h.
//
// Every failing call records a non-zero code (an HRESULT) that ImgLastError
// reports until ImgClearError; successful calls leave it alone, so the code of
// the first unreported failure stays readable for the user's message. The
// code is the calling thread's own.
#pragma once

#include <cstddef>
#include <cstdint>

struct ImgImage;
typedef ImgImage* ImgHandle;

// Error codes of our own checks; the codecs report their HRESULTs as they are.
enum ImgError : uint32_t {
    ImgErrNone = 0,
    ImgErrOutOfMemory = 0x8007000Eu,     // E_OUTOFMEMORY
    ImgErrInvalidArg = 0x80070057u,      // E_INVALIDARG
    ImgErrUnknownFormat = 0x88982F07u,   // WINCODEC_ERR_UNKNOWNIMAGEFORMAT
    ImgErrSizeOutOfRange = 0x88982F51u,  // WINCODEC_ERR_IMAGESIZEOUTOFRANGE
    ImgErrBadImage = 0x88982F60u,        // WINCODEC_ERR_BADIMAGE
};

// The same 40 bytes as BITMAPINFOHEADER, so a Win32 caller can hand it to GDI.
struct ImgInfoHeader {
    uint32_t biSize;
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount;
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
};
static_assert(sizeof(ImgInfoHeader) == 40, "must match BITMAPINFOHEADER");

uint32_t ImgLastError();
void ImgClearError();
// Records `code` as the last error (used by the codecs); always returns 0 so a
// failing path can `return ImgFail(code);`.
int ImgFail(uint32_t code);

// A new white picture; 0 when the size is not allowed or memory is short.
ImgHandle ImgCreate(int width, int height);
// Our loads deliver finished pictures; kept for the calling order of the
// engine (load, check, prepare). Returns 1 for a valid handle.
int ImgPrepare(ImgHandle image);
void ImgFree(ImgHandle image);
// A copy that shares the pixels of `image` until either is written (through
// ImgGetPixels or ImgCopyPixels): copying costs no pixels until they differ.
// Resizing, turning or freeing one leaves the other as it was.
ImgHandle ImgCopy(ImgHandle image);
// Copies `from`'s pixels into `to` when both have the same geometry; 0
// otherwise. No allocation unless `to` shares its pixels with a copy.
int ImgCopyPixels(ImgHandle to, ImgHandle from);

int ImgGetHeader(ImgHandle image, ImgInfoHeader* header);
// The header (followed by room for one colour entry, as BITMAPINFO has), the
// pixels and their byte count (stride x height). Writes through `bits` change
// the picture: asking for them gives `image` pixels of its own first when it
// shares them with a copy (0, out of memory, when it cannot). Pointers stay
// valid until the image is resized, rotated or freed.
int ImgGetPixels(ImgHandle image, const ImgInfoHeader** info, uint8_t** bits, uint32_t* byteCount);
// The same for reading only: never copies.
int ImgReadPixels(ImgHandle image, const ImgInfoHeader** info, const uint8_t** bits, uint32_t* byteCount);
int ImgWidth(ImgHandle image);
int ImgHeight(ImgHandle image);

// Resamples in place; -1 in one dimension keeps the aspect ratio.
int ImgResize(ImgHandle image, int width, int height);
// A resampled copy, `image` left as it is (no full-size copy made on the way).
ImgHandle ImgResizedCopy(ImgHandle image, int width, int height);
// Turns in place by 90, 180 or 270 degrees clockwise as displayed.
int ImgRotate(ImgHandle image, int degrees);
// The part at (x, y) from the top-left as displayed, clipped to the picture;
// 0 when nothing of it lies inside.
ImgHandle ImgCrop(ImgHandle image, int x, int y, int width, int height);
