#include "engine/ImageDoc.h"

#include <cstring>
#include <cwchar>
#include <new>

#include "app/Startup.h"
#include "engine/BoxScale.h"
#include "engine/Compose.h"
#include "engine/Format.h"
#include "engine/ViewWindow.h"
#include "imaging/Image_win.h"

namespace {

const int kJpegQuality = 95;

template <typename T>
void DeleteGdi(T& object) {
    if (object) {
        DeleteObject(object);
        object = nullptr;
    }
}

void DeleteMemoryDC(HDC& dc) {
    if (dc) {
        DeleteDC(dc);
        dc = nullptr;
    }
}

void FreeImage(ImgHandle& image) {
    ImgFree(image);
    image = nullptr;
}

void CloseHandleOf(HANDLE& handle) {
    if (handle) {
        CloseHandle(handle);
        handle = nullptr;
    }
}

HWND ReadWindow(HWND* field) {
    return static_cast<HWND>(InterlockedCompareExchangePointer(reinterpret_cast<void**>(field), nullptr, nullptr));
}

}  // namespace

bool LayerSize(HBITMAP bitmap, int* width, int* height) {
    BITMAP info;
    if (!bitmap || GetObjectW(bitmap, sizeof(info), &info) != sizeof(info)) {
        return false;
    }
    *width = info.bmWidth;
    *height = info.bmHeight < 0 ? -info.bmHeight : info.bmHeight;
    return true;
}

MutexLock::MutexLock(HANDLE mutex) : mutex_(mutex) {
    if (mutex_) {
        DWORD result = WaitForSingleObject(mutex_, INFINITE);
        if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED) {
            mutex_ = nullptr;
        }
    }
}

MutexLock::~MutexLock() {
    Unlock();
}

void MutexLock::Unlock() {
    if (mutex_) {
        ReleaseMutex(mutex_);
        mutex_ = nullptr;
    }
}

ImageDoc::ImageDoc() {
    InitializeCriticalSection(&chainLock);
}

ImageDoc::~ImageDoc() {
    Close();
    DeleteCriticalSection(&chainLock);
}

ImageDoc* ImageDoc::Open(const wchar_t* file, int limitWidth, int limitHeight, int degrees, int enlarge) {
    limitW = limitWidth;
    limitH = limitHeight;
    rotation = degrees;
    lassoDrawing = selectArmed = trimmed = keepSizeAfterTrim = trimArmed = 0;

    drawMutex = CreateMutexW(nullptr, FALSE, L"MutexOnDraw");
    if (!drawMutex) {
        return this;
    }
    dibMutex = CreateMutexW(nullptr, FALSE, L"MutexDIB");
    if (!dibMutex) {
        return this;
    }
    size_t length = file ? std::wcslen(file) : 0;
    path = new (std::nothrow) wchar_t[length + 1];
    if (!path) {
        ImgFail(ImgErrOutOfMemory);
        return this;
    }
    std::wmemcpy(path, file ? file : L"", length + 1);

    // Wide paths reach the library whole, so names outside the ANSI code
    // page load as well.
    ImgHandle loaded = ImgLoadW(path);
    if (!loaded) {
        return this;
    }
    // An error left from before makes even a good load count as failed: the
    // caller's message then carries the code, and no half-made document with
    // a picture but no view comes about.
    if (ImgLastError() != 0) {
        ImgFree(loaded);
        return this;
    }
    points = new (std::nothrow) POINT[kLassoCapacity];
    if (!points) {
        ImgFree(loaded);
        ImgFail(ImgErrOutOfMemory);
        return this;
    }
    pointCount = 0;
    ResetAnchor();
    ImgPrepare(loaded);
    {
        DocLock lock(*this);
        source = loaded;
    }
    if (!Rebuild(enlarge)) {
        DocLock lock(*this);
        FreeImage(source);
        return this;
    }

    WorkerThread thread = WorkerThread::Start(ViewThread, this, L"ViewDlg");
    viewThread = thread.handle;
    // Wait for the view to initialise. Messages that other threads send to
    // this one (activation of the new window) are answered meanwhile; a view
    // thread that ends without a window ends the wait too.
    while (!ReadWindow(&viewWnd)) {
        DWORD result = MsgWaitForMultipleObjects(1, &viewThread, FALSE, 10, QS_SENDMESSAGE);
        if (result == WAIT_OBJECT_0) {
            break;
        }
        if (result == WAIT_OBJECT_0 + 1) {
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    if (!ReadWindow(&viewWnd)) {
        DocLock lock(*this);
        FreeImage(source);
        ImgFail(uint32_t(HRESULT_FROM_WIN32(ERROR_INVALID_WINDOW_HANDLE)));
        return this;
    }
    MakeTextLayers(0);
    ClearOverlay(1);
    return this;
}

void ImageDoc::Close() {
    // A view still attached to this document is told to let go first.
    HWND view = ReadWindow(&viewWnd);
    if (view && IsWindow(view) && GetWindowLongPtrW(view, DWLP_USER) == reinterpret_cast<LONG_PTR>(this)) {
        SendMessageW(view, WM_DESTROY, 0, 0);
    }
    DocLock lock(*this);
    FreeImage(source);
    FreeImage(working);
    FreeImage(display);
    FreeImage(composite);
    delete[] points;
    points = nullptr;
    pointCount = 0;
    delete[] path;
    path = nullptr;
    CloseHandleOf(drawMutex);
    CloseHandleOf(dibMutex);
    for (int i = 0; i < TextLayerCount; ++i) {
        DeleteMemoryDC(layerDC[i]);
    }
    DeleteMemoryDC(overlayDC);
    for (int i = 0; i < TextLayerCount; ++i) {
        DeleteGdi(layerBitmap[i]);
        layerBits[i] = nullptr;
    }
    DeleteGdi(overlayBitmap);
    overlayBits = nullptr;
    CloseHandleOf(viewThread);
}

int ImageDoc::ScaleToBox(ImgHandle image) {
    ResizeRequest request = BoxResize(ImgWidth(image), ImgHeight(image), limitW, limitH, 1);
    if (!request.width && !request.height) {
        return 1;
    }
    return ImgResize(image, request.width, request.height);
}

int ImageDoc::ShrinkToBox(ImgHandle image) {
    int width = ImgWidth(image), height = ImgHeight(image);
    ResizeRequest request = BoxResize(width, height, limitW, limitH, 0);
    if ((!request.width && !request.height) || (request.width == width && request.height == height)) {
        return 1;
    }
    return ImgResize(image, request.width, request.height);
}

int ImageDoc::Rebuild(int enlarge) {
    int width = 0, height = 0;
    {
        // The new pictures are made aside and take the place of the old ones
        // only once complete, so a failure leaves `working` and `display`
        // matching each other as before.
        DocLock lock(*this);
        ImgHandle nextWorking = ImgCopy(source);
        if (!nextWorking) {
            return 0;
        }
        if ((limitW || limitH) && !(enlarge ? ScaleToBox(nextWorking) : ShrinkToBox(nextWorking))) {
            ImgFree(nextWorking);
            return 0;
        }
        if (rotation && !ImgRotate(nextWorking, rotation)) {
            ImgFree(nextWorking);
            return 0;
        }
        ImgHandle nextDisplay = ImgCopy(nextWorking);
        if (!nextDisplay) {
            ImgFree(nextWorking);
            return 0;
        }
        ImgFree(working);
        working = nextWorking;
        ImgFree(display);
        display = nextDisplay;
        width = ImgWidth(display);
        height = ImgHeight(display);
    }
    // Outside the lock: these wait for the view thread, which may be waiting
    // for the lock to paint.
    HWND view = ReadWindow(&viewWnd);
    if (view) {
        FitWindowToImage(view, width, height);
    }
    ClearOverlay(1);
    hasSelection = 0;
    if (view) {
        SetViewTitle(view, width, height);
    }
    return 1;
}

int ImageDoc::Reload() {
    if (!path) {
        return 0;
    }
    ImgHandle loaded = ImgLoadW(path);
    if (!loaded) {
        return 0;  // the picture in hand stays rather than none at all
    }
    ImgPrepare(loaded);
    DocLock lock(*this);
    ImgFree(source);
    source = loaded;
    return 1;
}

bool ImageDoc::ComposeLocked() {
    if (!display) {
        return false;
    }
    if (!ImgCopyPixels(composite, display)) {
        FreeImage(composite);
        composite = ImgCopy(display);
        if (!composite) {
            return false;
        }
    }
    int width = ImgWidth(display), height = ImgHeight(display);
    for (int i = 0; i < TextLayerCount; ++i) {
        int w, h;
        if (!layerDC[i] || !layerBits[i] || !LayerSize(layerBitmap[i], &w, &h) || w != width || h != height) {
            return true;  // the layers are being made anew: the picture alone
        }
    }
    bool tint = hasSelection || lassoDrawing || trimArmed;
    if (tint) {
        int w, h;
        tint = overlayBits && LayerSize(overlayBitmap, &w, &h) && w == width && h == height;
    }
    uint8_t* bits = nullptr;
    uint32_t count = 0;
    ImgGetPixels(composite, nullptr, &bits, &count);
    LayerPixels layers = {layerBits[LayerCopyrightSharp], layerBits[LayerCopyrightSoft], layerBits[LayerWatermarkSharp],
                          layerBits[LayerWatermarkSoft], overlayBits};
    ComposeFrame(bits, count, layers, tint);
    return true;
}

void ImageDoc::Paint(HWND hwnd) {
    // Always begun and ended, so the window is validated even when nothing
    // can be drawn; otherwise WM_PAINT would come back at once, without end.
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(hwnd, &paint);
    GdiFlush();  // the overlay outlines drawn on this thread
    {
        MutexLock draw(drawMutex);
        DocLock lock(*this);
        bool shown = ComposeLocked();
        draw.Unlock();
        if (shown && dc) {
            const BITMAPINFO* info = ImgBitmapInfo(composite);
            int width = ImgWidth(composite), height = ImgHeight(composite);
            StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, ImgBits(composite), info, DIB_RGB_COLORS,
                          SRCCOPY);
        }
    }
    EndPaint(hwnd, &paint);
}

int ImageDoc::Save(const wchar_t* target, int format) {
    ImgHandle frame = nullptr;
    {
        // The frame as it stands now (a change just made may not have been
        // painted yet), copied so the encoding does not hold up the view.
        MutexLock draw(drawMutex);
        DocLock lock(*this);
        if (!composite) {
            return 0;  // nothing painted yet
        }
        ComposeLocked();
        draw.Unlock();
        frame = ImgCopy(composite);
    }
    if (!frame) {
        return 0;
    }
    if (format == -1) {
        format = FormatOfPath(target);
    }
    int written;
    switch (format) {
        case FormatBmp:
            written = ImgSaveBmpW(target, frame);
            break;
        case FormatPng:
            written = ImgSavePngW(target, frame);
            break;
        case FormatGif:
            written = ImgSaveGifW(target, frame);
            break;
        default:
            written = ImgSaveJpegW(target, frame, kJpegQuality);
            break;
    }
    ImgFree(frame);
    return written;
}

void ImageDoc::MakeLayer(HDC& dc, HBITMAP& bitmap, BYTE*& bits, int recreate) {
    DocLock lock(*this);
    if (dc && bitmap && bits && !recreate) {
        // Cleared to black; a whole-buffer fill also clears the row padding
        // that GDI never touches.
        GdiFlush();
        BITMAP info;
        if (GetObjectW(bitmap, sizeof(info), &info) == sizeof(info)) {
            std::memset(bits, 0, size_t(info.bmWidthBytes) * size_t(info.bmHeight));
        }
        return;
    }
    DeleteMemoryDC(dc);
    DeleteGdi(bitmap);
    bits = nullptr;
    BITMAPINFO info = {};
    if (!ImgGetHeader(display, &info.bmiHeader)) {
        return;
    }
    HWND view = ReadWindow(&viewWnd);
    HDC windowDC = GetDC(view);  // the screen's while there is no view yet
    void* pixels = nullptr;
    HBITMAP made = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    HDC madeDC = made ? CreateCompatibleDC(windowDC) : nullptr;
    ReleaseDC(view, windowDC);
    if (!made || !madeDC || !pixels) {
        DeleteGdi(made);
        DeleteMemoryDC(madeDC);
        return;
    }
    SelectObject(madeDC, made);
    SelectObject(madeDC, GetStockObject(NULL_PEN));
    dc = madeDC;
    bitmap = made;
    bits = static_cast<BYTE*>(pixels);
}

void ImageDoc::MakeTextLayers(int recreate) {
    for (int i = 0; i < TextLayerCount; ++i) {
        MakeLayer(layerDC[i], layerBitmap[i], layerBits[i], recreate);
    }
}

void ImageDoc::ClearOverlay(int recreate) {
    MakeLayer(overlayDC, overlayBitmap, overlayBits, recreate);
    HWND view = ReadWindow(&viewWnd);
    if (view) {
        InvalidateRect(view, nullptr, FALSE);
    }
    hasSelection = 0;
}

void ImageDoc::ResetAnchor() {
    anchorX = -1;
    anchorY = -1;
}
