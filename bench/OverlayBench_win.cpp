// Figures for the text overlays and the region effects on an open document
// under Windows (or Wine): drawing the watermark and copyright layers at
// several sizes, including the most tiles the sliders allow, and mosaic and
// blur of a fully selected picture. Prints milliseconds; never fails.
//   xvfb-run scripts/wine-exec build/<dir>/bin/overlay_bench.exe
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <random>
#include <string>

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
    return 0;
}
