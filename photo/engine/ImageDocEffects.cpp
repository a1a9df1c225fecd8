// Text overlays and region effects of the open picture: the copyright line
// and the tiled watermark drawn into the text layers, mosaic and blur of the
// lasso region of `display`.
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "app/ShellState.h"
#include "engine/Effects.h"
#include "engine/Escapes.h"
#include "engine/ImageDoc.h"
#include "engine/OverlayText.h"
#include "imaging/Image.h"
#include "resources/resource.h"

namespace {

const size_t kOverlayTextCapacity = 1024;
const COLORREF kCopyrightColour = RGB(255, 255, 255);
const COLORREF kWatermarkColour = RGB(180, 180, 180);
const UINT kTextAlignLowerRight = TA_RIGHT | TA_BOTTOM;
const wchar_t kSelectIdleCaption[] = L"選択範囲設定";

// The stored text in a local buffer (at most 1023 characters), markers expanded.
void ExpandedCopy(const wchar_t* text, wchar_t (&buffer)[kOverlayTextCapacity]) {
    std::wcsncpy(buffer, text ? text : L"", kOverlayTextCapacity - 1);
    buffer[kOverlayTextCapacity - 1] = L'\0';
    ExpandEscapes(buffer);
}

void PrepareTextDC(HDC dc, COLORREF colour) {
    SetTextColor(dc, colour);
    SetBkMode(dc, TRANSPARENT);
    SetTextAlign(dc, kTextAlignLowerRight);
}

// Softens one layer after GDI has finished drawing into it.
void SmoothDrawnLayer(HBITMAP bitmap, BYTE* bits) {
    int width = 0, height = 0;
    if (!bits || !LayerSize(bitmap, &width, &height)) {
        return;
    }
    GdiFlush();
    SmoothLayer(bits, width, height);
}

// The soft layer of a pair receives exactly what the sharp one received (both
// started black), so its pixels are copied instead of drawing every text
// twice; layers of different geometry are drawn into separately.
bool CopyLayer(HBITMAP fromBitmap, const BYTE* from, HBITMAP toBitmap, BYTE* to) {
    int fromWidth = 0, fromHeight = 0, toWidth = 0, toHeight = 0;
    if (!from || !to || !LayerSize(fromBitmap, &fromWidth, &fromHeight) || !LayerSize(toBitmap, &toWidth, &toHeight) ||
        fromWidth != toWidth || fromHeight != toHeight) {
        return false;
    }
    GdiFlush();
    std::memcpy(to, from, RowStride(fromWidth) * static_cast<size_t>(fromHeight));
    return true;
}

// GDI takes coordinates up to 2^27; a tile anchored farther away than this
// (a size from a hand-edited settings file) draws nothing on any screen.
int ToDeviceCoordinate(int64_t value) {
    const int64_t kFar = int64_t(1) << 26;
    return static_cast<int>(value > kFar ? kFar : value < -kFar ? -kFar : value);
}

bool IsOn(int on, const wchar_t* text) {
    return on && text && text[0] != L'\0';
}

}  // namespace

void ImageDoc::DrawText(HDC dc,
                        const wchar_t* text,
                        const wchar_t* face,
                        int height,
                        int x,
                        int y,
                        int bold,
                        COLORREF colour) {
    if (!dc) {
        return;
    }
    PrepareTextDC(dc, colour);
    wchar_t buffer[kOverlayTextCapacity];
    ExpandedCopy(text, buffer);
    OverlayText(dc, buffer, face, height, bold != 0).Draw(dc, x, y);
}

int ImageDoc::DrawCopyright(const wchar_t* text, int size) {
    HDC sharp = layerDC[LayerCopyrightSharp];
    HDC soft = layerDC[LayerCopyrightSoft];
    if (!sharp || !soft || !viewWnd) {
        return 0;
    }
    RECT client = {};
    GetClientRect(viewWnd, &client);
    const int x = client.right - 10;
    const int y = client.bottom - 5;
    const int bold = size > 7 ? 1 : 0;
    DrawText(sharp, text, kOverlayFace, size, x, y, bold, kCopyrightColour);
    if (!CopyLayer(layerBitmap[LayerCopyrightSharp], layerBits[LayerCopyrightSharp], layerBitmap[LayerCopyrightSoft],
                   layerBits[LayerCopyrightSoft])) {
        DrawText(soft, text, kOverlayFace, size, x, y, bold, kCopyrightColour);
    }
    SmoothDrawnLayer(layerBitmap[LayerCopyrightSoft], layerBits[LayerCopyrightSoft]);
    return 1;
}

int ImageDoc::DrawWatermark(const wchar_t* text, int size) {
    HDC sharp = layerDC[LayerWatermarkSharp];
    HDC soft = layerDC[LayerWatermarkSoft];
    if (!sharp || !soft || !viewWnd) {
        return 0;
    }
    RECT client = {};
    GetClientRect(viewWnd, &client);
    wchar_t stored[kOverlayTextCapacity];
    std::wcsncpy(stored, text ? text : L"", kOverlayTextCapacity - 1);
    stored[kOverlayTextCapacity - 1] = L'\0';
    // The tiles are spaced by the stored text (markers unexpanded) times the
    // size. A size below 1 (possible from a hand-edited settings file) would
    // tile without end; such a watermark is not drawn.
    const int64_t step = static_cast<int64_t>(std::wcslen(stored)) * size;
    if (size < 1 || step < 1) {
        return 1;
    }
    wchar_t expanded[kOverlayTextCapacity];
    ExpandedCopy(stored, expanded);

    // Laid out once for all tiles; the same drawing as DrawText at each. A
    // text in one font keeps it selected across the tiles.
    PrepareTextDC(sharp, kWatermarkColour);
    OverlayText tile(sharp, expanded, kOverlayFace, size, true);
    HGDIOBJ previousFont = SelectObject(sharp, tile.FontOf(0));
    const int64_t rowPitch = 2 * static_cast<int64_t>(size);
    for (int64_t row = 0;; ++row) {
        const int64_t y = rowPitch * row;
        if (y >= client.bottom + rowPitch) {
            break;
        }
        for (int64_t x = (row % 2) * step / 2; x < client.right + step; x += step) {
            tile.Draw(sharp, ToDeviceCoordinate(x), ToDeviceCoordinate(y));
        }
    }
    if (previousFont) {
        SelectObject(sharp, previousFont);
    }
    if (!CopyLayer(layerBitmap[LayerWatermarkSharp], layerBits[LayerWatermarkSharp], layerBitmap[LayerWatermarkSoft],
                   layerBits[LayerWatermarkSoft])) {
        PrepareTextDC(soft, kWatermarkColour);
        for (int64_t row = 0; rowPitch * row < client.bottom + rowPitch; ++row) {
            for (int64_t x = (row % 2) * step / 2; x < client.right + step; x += step) {
                tile.Draw(soft, ToDeviceCoordinate(x), ToDeviceCoordinate(rowPitch * row));
            }
        }
    }
    SmoothDrawnLayer(layerBitmap[LayerWatermarkSoft], layerBits[LayerWatermarkSoft]);
    return 1;
}

int ImageDoc::RenderTexts(int watermarkOn,
                          int copyrightOn,
                          const wchar_t* watermarkText,
                          const wchar_t* copyrightText,
                          int watermarkSize,
                          int copyrightSize,
                          int recreate) {
    {
        MutexLock drawing(drawMutex);
        DocLock chain(*this);
        for (HDC dc : layerDC) {
            if (!dc) {
                return 0;
            }
        }
        if (!viewWnd) {
            return 0;
        }
        MakeTextLayers(recreate);
        if (IsOn(watermarkOn, watermarkText)) {
            DrawWatermark(watermarkText, watermarkSize);
        }
        if (IsOn(copyrightOn, copyrightText)) {
            DrawCopyright(copyrightText, copyrightSize);
        }
    }
    InvalidateRect(viewWnd, nullptr, FALSE);
    return 1;
}

int ImageDoc::SetWatermark(int on, const wchar_t* text, int size) {
    {
        MutexLock drawing(drawMutex);
        DocLock chain(*this);
        if (!layerDC[LayerWatermarkSharp] || !layerDC[LayerWatermarkSoft] || !viewWnd) {
            return 0;
        }
        MakeLayer(layerDC[LayerWatermarkSharp], layerBitmap[LayerWatermarkSharp], layerBits[LayerWatermarkSharp], 0);
        MakeLayer(layerDC[LayerWatermarkSoft], layerBitmap[LayerWatermarkSoft], layerBits[LayerWatermarkSoft], 0);
        if (IsOn(on, text)) {
            DrawWatermark(text, size);
        }
    }
    InvalidateRect(viewWnd, nullptr, FALSE);
    return 1;
}

int ImageDoc::SetCopyright(int on, const wchar_t* text, int size) {
    {
        MutexLock drawing(drawMutex);
        DocLock chain(*this);
        if (!layerDC[LayerCopyrightSharp] || !layerDC[LayerCopyrightSoft] || !viewWnd) {
            return 0;
        }
        MakeLayer(layerDC[LayerCopyrightSharp], layerBitmap[LayerCopyrightSharp], layerBits[LayerCopyrightSharp], 0);
        MakeLayer(layerDC[LayerCopyrightSoft], layerBitmap[LayerCopyrightSoft], layerBits[LayerCopyrightSoft], 0);
        if (IsOn(on, text)) {
            DrawCopyright(text, size);
        }
    }
    InvalidateRect(viewWnd, nullptr, FALSE);
    return 1;
}

namespace {

enum class Effect { Mosaic, Blur };

// Runs one effect over the selected region under the chain lock, so that a
// paint on the view thread never copies `display` half-replaced and no rebuild
// frees the pictures under it. False when nothing was done.
bool RunEffect(ImageDoc& doc, Effect effect, int size) {
    DocLock chain(doc);
    if (!doc.display || !doc.working || size <= 0 || !doc.overlayBitmap || !doc.overlayBits) {
        return false;
    }
    int maskWidth = 0, maskHeight = 0;
    ImgInfoHeader header = {};
    if (!LayerSize(doc.overlayBitmap, &maskWidth, &maskHeight) || !ImgGetHeader(doc.display, &header)) {
        return false;
    }
    const int width = header.biWidth;
    const int height = header.biHeight < 0 ? -header.biHeight : header.biHeight;
    if (maskWidth != width || maskHeight != height) {
        return false;
    }
    const ImgInfoHeader* info = nullptr;
    uint8_t* samples = nullptr;
    uint8_t* target = nullptr;
    uint32_t sampleBytes = 0, targetBytes = 0;
    if (!ImgGetPixels(doc.working, &info, &samples, &sampleBytes) ||
        !ImgGetPixels(doc.display, &info, &target, &targetBytes)) {
        return false;
    }
    // `display` is a copy of `working`; anything else (a rebuild half done)
    // is not read past its end.
    const size_t needed = RowStride(width) * static_cast<size_t>(height);
    if (sampleBytes < needed || targetBytes < needed) {
        return false;
    }
    GdiFlush();  // the lasso fill must be in the overlay's memory
    const uint8_t* mask = doc.overlayBits;
    if (effect == Effect::Mosaic) {
        return MosaicRegion(samples, target, mask, width, height, size);
    }
    return BlurRegion(samples, target, mask, width, height, size);
}

// What both effects do after running: the picture is shown again and the
// selection ends, in the document and on the main window's buttons.
void FinishEffect(ImageDoc& doc) {
    InvalidateRect(doc.viewWnd, nullptr, FALSE);
    HWND mainWnd = shellState.mainWnd;
    if (mainWnd) {
        CheckDlgButton(mainWnd, IDC_SELECT_REGION, BST_UNCHECKED);
        SetDlgItemTextW(mainWnd, IDC_SELECT_REGION, kSelectIdleCaption);
        EnableWindow(GetDlgItem(mainWnd, IDC_APPLY_MOSAIC), FALSE);
        EnableWindow(GetDlgItem(mainWnd, IDC_APPLY_BLUR), FALSE);
    }
    doc.selectArmed = 0;
    doc.ClearOverlay(1);
}

}  // namespace

int ImageDoc::ApplyMosaic(int blockSize) {
    if (!RunEffect(*this, Effect::Mosaic, blockSize)) {
        return 0;
    }
    FinishEffect(*this);
    return 1;
}

int ImageDoc::ApplyBlur(int radius) {
    if (!RunEffect(*this, Effect::Blur, radius)) {
        return 0;
    }
    FinishEffect(*this);
    return 1;
}
