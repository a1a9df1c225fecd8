#include "support/Screenshot.h"

#include <wincodec.h>

#include <vector>

#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace gui {

namespace {

template <typename T>
void Release(T*& pointer) {
    if (pointer) {
        pointer->Release();
        pointer = nullptr;
    }
}

bool WritePng(const std::wstring& path, int width, int height, const std::vector<BYTE>& bgra) {
    HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    IWICStream* stream = nullptr;
    IWICBitmapEncoder* encoder = nullptr;
    IWICBitmapFrameEncode* frame = nullptr;
    bool ok = false;
    do {
        if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))))
            break;
        if (FAILED(factory->CreateStream(&stream)) ||
            FAILED(stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE)))
            break;
        if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) ||
            FAILED(encoder->Initialize(stream, WICBitmapEncoderNoCache)))
            break;
        if (FAILED(encoder->CreateNewFrame(&frame, nullptr)) || FAILED(frame->Initialize(nullptr)) ||
            FAILED(frame->SetSize(width, height)))
            break;
        WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
        if (FAILED(frame->SetPixelFormat(&format)) || format != GUID_WICPixelFormat32bppBGRA)
            break;
        if (FAILED(
                frame->WritePixels(height, width * 4, static_cast<UINT>(bgra.size()), const_cast<BYTE*>(bgra.data()))))
            break;
        ok = SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    } while (false);
    Release(frame);
    Release(encoder);
    Release(stream);
    Release(factory);
    if (SUCCEEDED(init)) {
        CoUninitialize();
    }
    return ok;
}

}  // namespace

bool SaveScreenshot(const std::wstring& pngPath, HWND window) {
    RECT area = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    if (window) {
        // Let the window finish painting: a freshly shown dialog paints only
        // once its queue is empty.
        RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        DWORD_PTR ignored = 0;
        SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
        Sleep(300);
        GetWindowRect(window, &area);
    } else {
        Sleep(300);
    }
    int width = area.right - area.left;
    int height = area.bottom - area.top;
    if (width <= 0 || height <= 0) {
        return false;
    }
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
        GdiFlush();
        std::vector<BYTE> pixels(static_cast<BYTE*>(bits), static_cast<BYTE*>(bits) + width * height * 4);
        for (size_t i = 3; i < pixels.size(); i += 4) {
            pixels[i] = 255;
        }
        SelectObject(memory, old);
        DeleteObject(bitmap);
        ok = WritePng(pngPath, width, height, pixels);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

std::wstring ScreenshotDir() {
    wchar_t configured[MAX_PATH] = {};
    std::wstring dir;
    if (GetEnvironmentVariableW(L"SHOT_DIR", configured, MAX_PATH) > 0) {
        dir = configured;
    } else {
        dir = testfiles::BinDir() + L"screenshots";
    }
    CreateDirectoryW(dir.c_str(), nullptr);
    return dir;
}

bool SaveShot(const std::wstring& name, HWND window, DWORD settleMs) {
    if (window) {
        Sync(window);
    }
    Sleep(settleMs);
    return SaveScreenshot(ScreenshotDir() + L"\\" + name, window);
}

}  // namespace gui
