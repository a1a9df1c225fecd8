// Owners for GDI objects and device contexts: each releases exactly what it
// got, once.
#pragma once

#include <windows.h>

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

private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_ = nullptr;
};
