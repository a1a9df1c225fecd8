// The one open picture: its chain of images, the off-screen layers for the
// texts and the selection, the view window and the mouse state.
//
//   source (loaded or trimmed) -> working (scaled, rotated) -> display (plus
//   mosaic and blur) -> composite (plus text layers and selection tint; saved)
//
// Threads and locks. The main thread runs Open, Close, Rebuild, Reload, Save
// and the text and effect operations; the view thread paints and handles the
// mouse (and after a trim also rebuilds). Two locks keep a paint from reading
// what the other thread is replacing:
//   - drawMutex ("MutexOnDraw"), held while text layers are cleared and drawn
//     and while a paint composes;
//   - chainLock (DocLock), held by everyone who reads or replaces an image of
//     the chain or a layer handle or its pixels.
// Order: take drawMutex before chainLock, never the other way round. Never hold
// either while calling something that waits for another thread's window
// (SendMessageW, SetWindowTextW, MoveWindow, SetWindowPos, DestroyWindow on the
// view or the main window): that thread may be waiting for the same lock.
// InvalidateRect, GetDC and GetClientRect do not wait and are safe.
// GDI may hold back drawing into a layer DC: whoever draws calls GdiFlush
// before releasing drawMutex (or reading the layer's bits itself).
#pragma once

#include <windows.h>

#include "imaging/Image.h"

enum LayerIndex : int {
    LayerCopyrightSharp = 0,
    LayerCopyrightSoft = 1,
    LayerWatermarkSharp = 2,
    LayerWatermarkSoft = 3,
    TextLayerCount = 4,
};

// Room of the lasso buffer, in points.
const int kLassoCapacity = 100000;

struct ImageDoc {
    wchar_t* path = nullptr;
    ImgHandle source = nullptr;
    ImgHandle working = nullptr;
    ImgHandle display = nullptr;
    ImgHandle composite = nullptr;
    HWND viewWnd = nullptr;
    int limitW = 0;
    int limitH = 0;
    int rotation = 0;
    HBITMAP layerBitmap[TextLayerCount] = {};
    HBITMAP overlayBitmap = nullptr;
    BYTE* layerBits[TextLayerCount] = {};
    BYTE* overlayBits = nullptr;
    HDC layerDC[TextLayerCount] = {};
    HDC overlayDC = nullptr;
    POINT* points = nullptr;
    int pointCount = 0;
    int selectArmed = 0;
    int hasSelection = 0;
    int lassoDrawing = 0;
    int trimmed = 0;
    int keepSizeAfterTrim = 0;
    int trimArmed = 0;
    int trimW = 0;
    int trimH = 0;
    int anchorX = -1;
    int anchorY = -1;
    HANDLE drawMutex = nullptr;
    HANDLE dibMutex = nullptr;

    // The view thread, so that Open notices when its window never appears.
    HANDLE viewThread = nullptr;
    // Guards the image chain and the layers (see above); recursive.
    CRITICAL_SECTION chainLock;

    ImageDoc();
    ~ImageDoc();
    ImageDoc(const ImageDoc&) = delete;
    ImageDoc& operator=(const ImageDoc&) = delete;

    // Loads `path`, derives the displayed picture and shows it in the view.
    // The caller tests `source`: non-zero = loaded.
    ImageDoc* Open(const wchar_t* path, int limitW, int limitH, int rotation, int enlarge);
    // Releases everything; the caller has sent WM_DESTROY to the view.
    void Close();
    // Derives `working` and `display` anew from `source`; 1, or 0 when the
    // library failed (the previous pictures then stay).
    int Rebuild(int enlarge);
    // Scale `image` by limitW/limitH: fitting into the box both ways, or only
    // reducing; 1, or 0 when the library failed.
    int ScaleToBox(ImgHandle image);
    int ShrinkToBox(ImgHandle image);
    // Loads `path` again into `source` (a trim is undone); Rebuild follows.
    int Reload();
    // Writes the composed picture; non-zero on success, 0 on failure or before
    // the first paint. `format` -1 = judged from `path`.
    int Save(const wchar_t* path, int format);
    // Creates (recreate = 1, or when missing) or clears one layer.
    void MakeLayer(HDC& dc, HBITMAP& bitmap, BYTE*& bits, int recreate);
    void MakeTextLayers(int recreate);
    void ClearOverlay(int recreate);
    void ResetAnchor();
    // WM_PAINT of the view.
    void Paint(HWND hwnd);
    // Message handling of the view window (on the view thread).
    INT_PTR ViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // With drawMutex and chainLock held: `composite` := `display` plus the
    // layers; false when there is no picture to show.
    bool ComposeLocked();

    // Region effects and text overlays (ImageDocEffects.cpp).
    // All text layers anew (recreate = 1 after a rebuild) or cleared; 1, or 0
    // when a text layer or the view is missing. Holds drawMutex throughout.
    int RenderTexts(int watermarkOn,
                    int copyrightOn,
                    const wchar_t* watermarkText,
                    const wchar_t* copyrightText,
                    int watermarkSize,
                    int copyrightSize,
                    int recreate);
    // Layers 2 and 3, or 0 and 1, only.
    int SetWatermark(int on, const wchar_t* text, int size);
    int SetCopyright(int on, const wchar_t* text, int size);
    // Pixelate or blur the selected region of `display` from `working`, then
    // end the selection; 1 when it ran, 0 when nothing was done.
    int ApplyMosaic(int blockSize);
    int ApplyBlur(int radius);
    // One text with its lower right corner at (x, y), markers expanded.
    void
    DrawText(HDC dc, const wchar_t* text, const wchar_t* face, int height, int x, int y, int bold, COLORREF colour);
    int DrawCopyright(const wchar_t* text, int size);
    int DrawWatermark(const wchar_t* text, int size);
};

// The width and height of a layer's DIB section; false without one.
bool LayerSize(HBITMAP bitmap, int* width, int* height);

// Holds `chainLock` for a scope.
class DocLock {
public:
    explicit DocLock(ImageDoc& doc) : lock_(&doc.chainLock) { EnterCriticalSection(lock_); }
    ~DocLock() { LeaveCriticalSection(lock_); }
    DocLock(const DocLock&) = delete;
    DocLock& operator=(const DocLock&) = delete;

private:
    CRITICAL_SECTION* lock_;
};

// Holds a mutex such as `drawMutex` for a scope; a null handle holds nothing.
// A mutex left behind by a process that died is taken over as well.
class MutexLock {
public:
    explicit MutexLock(HANDLE mutex);
    ~MutexLock();
    // Lets go before the end of the scope.
    void Unlock();
    MutexLock(const MutexLock&) = delete;
    MutexLock& operator=(const MutexLock&) = delete;

private:
    HANDLE mutex_;
};
