// Figures for the text overlays and the region effects on an open document
// under Windows (or Wine): drawing the watermark and copyright layers at
// several sizes, including the most tiles the sliders allow, mosaic and blur
// of a fully selected picture, and a paint of the view at 100% and fitted to
// the screen beside a memcpy of the painted area. Prints milliseconds; never
// fails.
//   xvfb-run scripts/wine-exec build/<dir>/bin/overlay_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "engine/Effects.h"
#include "engine/ImageDoc_win.h"
#include "engine/ViewMouse_win.h"
#include "imaging/Image_win.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * double(to.QuadPart - from.QuadPart) / double(frequency.QuadPart);
}

template <typename Work>
double Time(int repeats, Work work) {
    double best = 1e30;
    for (int i = 0; i < repeats; ++i) {
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        work();
        QueryPerformanceCounter(&end);
        best = std::min(best, Milliseconds(start, end));
    }
    return best;
}

std::wstring WritePicture(int width, int height) {
    wchar_t dir[MAX_PATH];
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + L"overlay_bench.bmp";
    ImgHandle image = ImgCreate(width, height);
    uint8_t* bits = nullptr;
    uint32_t count = 0;
    ImgGetPixels(image, nullptr, &bits, &count);
    std::mt19937 random(1);
    for (uint32_t i = 0; i < count; ++i) {
        bits[i] = static_cast<uint8_t>(random());
    }
    ImgSaveBmpW(path.c_str(), image);
    ImgFree(image);
    return path;
}

// A lasso round the whole picture, drawn as the mouse in the view draws it.
void SelectAll(ImageDoc& doc) {
    int width = ImgWidth(doc.Display()), height = ImgHeight(doc.Display());
    HWND view = doc.View();
    doc.ArmSelection(true);
    HandleViewMouse(doc, view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(width, 0));
    HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(width, height));
    HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(0, height));
    HandleViewMouse(doc, view, WM_LBUTTONUP, 0, MAKELPARAM(0, 0));
    GdiFlush();
}

// A paint of the whole view (what WM_PAINT does after BeginPaint) into the
// window and into an off-screen section of the same size, beside a memcpy of
// the painted area's bytes.
void PaintFigures(ImageDoc& doc, const char* name) {
    HWND view = doc.View();
    RECT client = {};
    GetClientRect(view, &client);
    const size_t bytes = RowStride(client.right) * size_t(client.bottom);
    std::vector<uint8_t> from(bytes, 1), to(bytes);
    const double copy = Time(20, [&] { std::memcpy(to.data(), from.data(), bytes); });
    doc.PaintTo(WindowDC(view).Get(), client);  // a scaled picture is made once after a change
    WindowDC window(view);
    const double onScreen = Time(20, [&] { doc.PaintTo(window.Get(), client); });
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), client.right, client.bottom, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    DibLayer offScreen;
    offScreen.Create(header, nullptr);
    const double inMemory = Time(20, [&] { doc.PaintTo(offScreen.DC(), client); });
    std::printf(
        "  %-34s %4ld x %-4ld memcpy %6.2f ms | paint to the window %6.2f ms (%.2fx) | off-screen %6.2f ms (%.2fx)\n",
        name, client.right, client.bottom, copy, onScreen, onScreen / copy, inMemory, inMemory / copy);
}

}  // namespace

int main() {
    {
        std::wstring path = WritePicture(1000, 750);
        std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
        if (!doc) {
            std::printf("could not open the picture\n");
            return 0;
        }
        RECT client;
        GetClientRect(doc->View(), &client);
        std::printf("Text layers of a %ld x %ld view (best of 3):\n", client.right, client.bottom);
        struct Case {
            const char* name;
            const wchar_t* watermark;
            int watermarkSize;
            const wchar_t* copyright;
            int copyrightSize;
        } cases[] = {
            {"defaults: watermark 30, copyright 15", L"複製禁止", 30, L"Copyright #c 2007 BRAMWELT", 15},
            {"watermark 160 (largest)", L"複製禁止", 160, L"", 15},
            {"watermark 8", L"複製禁止", 8, L"", 15},
            {"watermark of one character at size 1", L"X", 1, L"", 15},
            {"copyright 80 with all markers", L"", 30, L"#c #r #t Copyright", 80},
        };
        for (const Case& c : cases) {
            double ms = Time(3, [&] {
                doc->RenderTexts(c.watermark[0] != 0, c.copyright[0] != 0, c.watermark, c.copyright, c.watermarkSize,
                                 c.copyrightSize, 0);
            });
            std::printf("  %-42s %9.1f ms\n", c.name, ms);
        }
    }
    {
        std::wstring path = WritePicture(4000, 3000);
        std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
        if (!doc || !doc->Overlay()) {
            std::printf("could not open the large picture\n");
            return 0;
        }
        std::printf("Effects on 4000 x 3000, fully selected, with the selection's fill and clearing (best of 3):\n");
        double overhead = Time(3, [&] {
            SelectAll(*doc);
            doc->ClearOverlay(1);
        });
        std::printf("  selection fill and clearing alone %9.1f ms\n", overhead);
        for (int n : {10}) {
            double ms = Time(3, [&] {
                SelectAll(*doc);
                doc->ApplyMosaic(n);
            });
            std::printf("  mosaic n = %-3d %9.1f ms\n", n, ms);
        }
        for (int r : {5, 20, 80}) {
            double ms = Time(3, [&] {
                SelectAll(*doc);
                doc->ApplyBlur(r);
            });
            std::printf("  blur r = %-3d   %9.1f ms\n", r, ms);
        }
    }
    {
        // A 24-megapixel photograph, as a phone takes it.
        std::wstring path = WritePicture(6000, 4000);
        std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
        if (!doc) {
            std::printf("could not open the 24-megapixel picture\n");
            return 0;
        }
        std::printf("A paint of the view of 6000 x 4000, best of 20 (goal: at most 1.5x the memcpy):\n");
        doc->RenderTexts(0, 1, L"", L"Copyright #c 2007 BRAMWELT", 30, 15, 0);
        PaintFigures(*doc, "fitted, copyright line");
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        doc->SetCopyright(1, L"Copyright #c 2008 BRAMWELT", 15);
        doc->PaintTo(WindowDC(doc->View()).Get(), RECT{0, 0, 1, 1});
        QueryPerformanceCounter(&end);
        std::printf("  %-34s %9.1f ms (once after each change of the picture or a text)\n",
                    "fitted: new text, scaled anew", Milliseconds(start, end));
        doc->SetActualSize(true);
        PaintFigures(*doc, "100%, copyright out of sight");
        doc->RenderTexts(1, 1, L"複製禁止", L"Copyright #c 2007 BRAMWELT", 30, 15, 0);
        PaintFigures(*doc, "100%, watermark over everything");
        QueryPerformanceCounter(&start);
        doc->SetWatermark(1, L"複製禁止！", 30);
        RECT client = {};
        GetClientRect(doc->View(), &client);
        doc->PaintTo(WindowDC(doc->View()).Get(), client);
        QueryPerformanceCounter(&end);
        std::printf(
            "  %-34s %9.1f ms (its layers drawn over the whole picture, then composed where the view shows "
            "them)\n",
            "100%: new watermark text, a paint", Milliseconds(start, end));
        doc->SetActualSize(false);
        PaintFigures(*doc, "fitted, watermark over everything");
        // Trimming armed: the tint of the overlay joins every paint.
        doc->ArmTrim(false);
        PaintFigures(*doc, "fitted, trimming (tinted)");
        HandleViewMouse(*doc, doc->View(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 200));
        PaintFigures(*doc, "fitted, trimming, crosshair");
        HandleViewMouse(*doc, doc->View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(300, 200));
        HandleViewMouse(*doc, doc->View(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(900, 700));
        PaintFigures(*doc, "fitted, trimming, rubber band");
        doc->LeaveTrim();
    }
    return 0;
}
