// Owners for GDI objects and device contexts: each releases exactly what it
// got, once.
#pragma once

#include <windows.h>

#include <cstring>
#include <utility>

#include "win/ScopedHandle.h"

// A created pen, brush or font, deleted with the owner. Select it out of every
// device context before the owner goes (ScopedSelect does).
template <typename Object>
struct GdiObjectTraits : NullIsNone<Object> {
    static void Release(Object handle) { DeleteObject(handle); }
};
template <typename Object>
using GdiObject = ScopedHandle<GdiObjectTraits<Object>>;

using Font = GdiObject<HFONT>;
using Pen = GdiObject<HPEN>;
using Brush = GdiObject<HBRUSH>;
using Bitmap = GdiObject<HBITMAP>;

// A memory device context from CreateCompatibleDC, deleted with the owner.
struct MemoryDCTraits : NullIsNone<HDC> {
    static void Release(Handle handle) { DeleteDC(handle); }
};
using MemoryDC = ScopedHandle<MemoryDCTraits>;

// Selects an object into a device context and puts the previous one back.
class ScopedSelect {
public:
    ScopedSelect(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~ScopedSelect() {
        if (previous_) {
            SelectObject(dc_, previous_);
        }
    }
    ScopedSelect(const ScopedSelect&) = delete;
    ScopedSelect& operator=(const ScopedSelect&) = delete;
    ScopedSelect(ScopedSelect&& other) noexcept : dc_(other.dc_), previous_(other.previous_) {
        other.previous_ = nullptr;
    }
    ScopedSelect& operator=(ScopedSelect&&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The device context of a window, from GetDC, released with the owner.
class WindowDC {
public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() {
        if (dc_) {
            ReleaseDC(window_, dc_);
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    WindowDC(WindowDC&& other) noexcept : window_(other.window_), dc_(other.dc_) { other.dc_ = nullptr; }
    WindowDC& operator=(WindowDC&&) = delete;

    HDC Get() const { return dc_; }
    explicit operator bool() const { return dc_ != nullptr; }

private:
    HWND window_;
    HDC dc_;
};

// BeginPaint and EndPaint around one WM_PAINT.
class PaintDC {
public:
    explicit PaintDC(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintDC() { EndPaint(window_, &paint_); }
    PaintDC(const PaintDC&) = delete;
    PaintDC& operator=(const PaintDC&) = delete;
    PaintDC(PaintDC&&) = delete;
    PaintDC& operator=(PaintDC&&) = delete;

    HDC Get() const { return dc_; }
    // The part to be drawn, in client coordinates.
    const RECT& Area() const { return paint_.rcPaint; }

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_ = nullptr;
};

// A stock pen, brush or font selected for a scope; stock objects are never
// deleted.
class StockSelect : public ScopedSelect {
public:
    StockSelect(HDC dc, int stockObject) : ScopedSelect(dc, GetStockObject(stockObject)) {}
};

// A created pen, brush or font selected into a device context for a scope:
// the previous object goes back first, then the created one is deleted.
template <typename Object>
class OwnedSelect {
public:
    OwnedSelect(HDC dc, Object object) : object_(object), select_(dc, object) {}
    OwnedSelect(const OwnedSelect&) = delete;
    OwnedSelect& operator=(const OwnedSelect&) = delete;

private:
    GdiObject<Object> object_;  // declared first: outlives the selection
    ScopedSelect select_;
};

// An off-screen layer: a top-down or bottom-up DIB section selected into its
// own memory device context, its pixels readable and writable in place. The
// owner deletes the DC before the bitmap, so the bitmap is never deleted while
// selected.
class DibLayer {
public:
    DibLayer() = default;
    DibLayer(const DibLayer&) = delete;
    DibLayer& operator=(const DibLayer&) = delete;

    // A new section of the geometry of `header` (24 bits a pixel, say), its DC
    // compatible with `reference` (the screen's with null). The pixels start
    // as zero. False, and empty, when GDI cannot make either.
    bool Create(const BITMAPINFOHEADER& header, HDC reference) {
        Reset();
        BITMAPINFO info = {};
        info.bmiHeader = header;
        void* bits = nullptr;
        Bitmap bitmap(CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        MemoryDC dc(bitmap ? CreateCompatibleDC(reference) : nullptr);
        BITMAP shape = {};
        if (!bitmap || !dc || !bits || GetObjectW(bitmap.Get(), sizeof(shape), &shape) != sizeof(shape)) {
            return false;
        }
        SelectObject(dc.Get(), bitmap.Get());
        bitmap_ = std::move(bitmap);
        dc_ = std::move(dc);
        bits_ = static_cast<BYTE*>(bits);
        width_ = shape.bmWidth;
        height_ = shape.bmHeight < 0 ? -shape.bmHeight : shape.bmHeight;
        stride_ = shape.bmWidthBytes;
        return true;
    }
    void Reset() {
        dc_.Reset();
        bitmap_.Reset();
        bits_ = nullptr;
        width_ = height_ = stride_ = 0;
    }
    // Every byte zero, the row padding that GDI never touches included. GDI may
    // still be drawing into the section: its batch is flushed first.
    void Clear() {
        if (bits_) {
            GdiFlush();
            std::memset(bits_, 0, ByteCount());
        }
    }

    explicit operator bool() const { return bits_ != nullptr; }
    HDC DC() const { return dc_.Get(); }
    HBITMAP Handle() const { return bitmap_.Get(); }
    BYTE* Bits() const { return bits_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    size_t ByteCount() const { return size_t(stride_) * size_t(height_); }
    bool HasSize(int width, int height) const { return bits_ && width_ == width && height_ == height; }

private:
    Bitmap bitmap_;  // declared before the DC: deleted after it
    MemoryDC dc_;
    BYTE* bits_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int stride_ = 0;
};
