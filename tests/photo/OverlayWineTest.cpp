// The text overlays and the region effects on a real image document with its
// view thread: where the copyright line and the watermark tiles land in their
// layers, the soft layers, the symbols, and mosaic and blur of a selection.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <climits>
#include <cmath>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "TandrelTestKit.h"
#include "engine/Compose.h"
#include "engine/Effects.h"
#include "engine/ImageDoc_win.h"
#include "engine/OverlayText_win.h"
#include "engine/RegionMap.h"
#include "engine/ViewMouse_win.h"
#include "imaging/Image_win.h"
#include "resources/resource.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using testfiles::ScratchDir;

std::wstring WriteNoise(const ScratchDir& dir, int width, int height, unsigned seed) {
    ImgHandle image = ImgCreate(width, height);
    uint8_t* bits = nullptr;
    uint32_t count = 0;
    ImgGetPixels(image, nullptr, &bits, &count);
    std::mt19937 random(seed);
    for (uint32_t i = 0; i < count; ++i) {
        bits[i] = static_cast<uint8_t>(random());
    }
    std::wstring path = dir / L"noise.bmp";
    EXPECT_EQ(ImgSaveBmpW(path.c_str(), image), 1);
    ImgFree(image);
    return path;
}

// An open document whose view shows a width x height picture.
class OpenDoc {
public:
    OpenDoc(const ScratchDir& dir, int width, int height, unsigned seed = 1) {
        ImgClearError();
        doc_ = ImageDoc::Open(WriteNoise(dir, width, height, seed).c_str(), 0, 0, 0, 1).doc;
    }
    ~OpenDoc() {
        tandrelkit::CloseDocument(doc_);
        ImgClearError();
    }
    OpenDoc(const OpenDoc&) = delete;
    OpenDoc& operator=(const OpenDoc&) = delete;

    ImageDoc& operator*() { return *doc_; }
    ImageDoc* operator->() { return doc_.get(); }
    bool Ready() const { return doc_ && doc_->Source() && doc_->View(); }

    int Width() { return ImgWidth(doc_->Display()); }
    int Height() { return ImgHeight(doc_->Display()); }
    RECT Client() {
        RECT client = {};
        GetClientRect(doc_->View(), &client);
        return client;
    }

    // Byte `c` of picture pixel (x, y), y from the top, of a text layer;
    // black where the layer holds no pixels.
    uint8_t Layer(int layer, int x, int y, int c = 0) {
        const PixelBox box = doc_->TextLayerBox(layer);
        if (x < box.left || x >= box.right || y < box.top || y >= box.bottom || !doc_->TextLayer(layer)) {
            return 0;
        }
        const size_t stride = RowStride(box.right - box.left);
        return doc_->TextLayer(layer).Bits()[stride * size_t(box.bottom - 1 - y) + 3 * size_t(x - box.left) + c];
    }
    // A text layer as a bottom-up picture of the picture's size.
    std::vector<uint8_t> LayerBytes(int layer) {
        GdiFlush();
        std::vector<uint8_t> bytes(ByteCount(), 0);
        for (int y = 0; y < Height(); ++y) {
            for (int x = 0; x < Width(); ++x) {
                for (int c = 0; c < 3; ++c) {
                    bytes[RowStride(Width()) * size_t(Height() - 1 - y) + 3 * size_t(x) + c] = Layer(layer, x, y, c);
                }
            }
        }
        return bytes;
    }
    std::vector<uint8_t> Bytes(const DibLayer& layer) {
        GdiFlush();
        return std::vector<uint8_t>(layer.Bits(), layer.Bits() + ByteCount());
    }
    // A black layer of the picture's geometry for drawing texts by hand.
    bool MakeLayer(DibLayer& layer) {
        BITMAPINFOHEADER header = {};
        return ImgGetHeader(doc_->Display(), &header) && layer.Create(header, nullptr);
    }
    std::vector<uint8_t> Pixels(ImgHandle image) {
        uint8_t* bits = nullptr;
        uint32_t count = 0;
        ImgGetPixels(image, nullptr, &bits, &count);
        return std::vector<uint8_t>(bits, bits + count);
    }
    size_t ByteCount() { return RowStride(Width()) * static_cast<size_t>(Height()); }

    // A lasso region drawn round `area` as the mouse in the view draws it.
    void Select(RECT area) {
        ImageDoc& doc = *doc_;
        HWND view = doc.View();
        doc.ArmSelection(true);
        HandleViewMouse(doc, view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(area.left, area.top));
        HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(area.right, area.top));
        HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(area.right, area.bottom));
        HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(area.left, area.bottom));
        HandleViewMouse(doc, view, WM_LBUTTONUP, 0, MAKELPARAM(area.left, area.top));
        GdiFlush();
    }
    // A lasso through `points`: pressed at the first, moved through the
    // middle ones, released at the last.
    void SelectLasso(const std::vector<POINT>& points) {
        ImageDoc& doc = *doc_;
        HWND view = doc.View();
        doc.ArmSelection(true);
        HandleViewMouse(doc, view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(points.front().x, points.front().y));
        for (size_t i = 1; i + 1 < points.size(); ++i) {
            HandleViewMouse(doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(points[i].x, points[i].y));
        }
        HandleViewMouse(doc, view, WM_LBUTTONUP, 0, MAKELPARAM(points.back().x, points.back().y));
        GdiFlush();
    }

private:
    std::unique_ptr<ImageDoc> doc_;
};

struct InkBox {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;  // right, bottom inclusive
    int maxValue = 0;
    bool Empty() const { return right < 0; }
};

// Where a bottom-up picture of width x height holds anything but black.
InkBox FindInk(const std::vector<uint8_t>& bytes, int width, int height) {
    InkBox box;
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes.data() + RowStride(width) * size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < 3; ++c) {
                int value = row[3 * x + c];
                if (value) {
                    box.left = std::min(box.left, x);
                    box.right = std::max(box.right, x);
                    box.top = std::min(box.top, y);
                    box.bottom = std::max(box.bottom, y);
                    box.maxValue = std::max(box.maxValue, value);
                }
            }
        }
    }
    return box;
}

InkBox FindInk(OpenDoc& doc, int layer) {
    return FindInk(doc.LayerBytes(layer), doc.Width(), doc.Height());
}

bool AllZero(const std::vector<uint8_t>& bytes) {
    for (uint8_t byte : bytes) {
        if (byte) {
            return false;
        }
    }
    return true;
}

class OverlayTest : public ::testing::Test {
protected:
    ScratchDir dir{L"ovl"};
};

}  // namespace

TEST_F(OverlayTest, CopyrightLineIsWhiteAtTheLowerRightOfTheViewAndNowhereElse) {
    OpenDoc doc(dir, 400, 300);
    ASSERT_TRUE(doc.Ready());
    RECT client = doc.Client();
    ASSERT_EQ(client.right, 400);
    ASSERT_EQ(client.bottom, 300);
    ASSERT_EQ(doc->SetCopyright(1, L"Copyright #c 2007 BRAMWELT", 15), 1);

    InkBox ink = FindInk(doc, LayerCopyrightSharp);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(ink.maxValue, 255) << "white strokes";
    // (right - 10, bottom - 5) is the text's lower right corner.
    EXPECT_LE(ink.right, client.right - 10);
    EXPECT_GE(ink.right, client.right - 14);
    EXPECT_LE(ink.bottom, client.bottom - 5);
    EXPECT_GE(ink.top, client.bottom - 5 - 15 - 1);
    EXPECT_LT(ink.left, client.right - 10 - 100) << "a line of 26 characters";
    EXPECT_TRUE(FindInk(doc, LayerWatermarkSharp).Empty());

    // The soft layer is the same drawing, softened once.
    std::vector<uint8_t> expected = doc.LayerBytes(LayerCopyrightSharp);
    SmoothLayer(expected.data(), doc.Width(), doc.Height());
    EXPECT_EQ(doc.LayerBytes(LayerCopyrightSoft), expected);
    EXPECT_NE(doc.LayerBytes(LayerCopyrightSoft), doc.LayerBytes(LayerCopyrightSharp));

    InvalidateRect(doc->View(), nullptr, FALSE);
    UpdateWindow(doc->View());
    gui::SaveShot(L"tandrel-copyright-overlay.png", doc->View());
}

TEST_F(OverlayTest, ACopyrightLineHoldsLayersOnlyRoundItselfAndSavesWhatWholeLayersGive) {
    // The line's pair is a band of rows round it, the watermark's pair holds
    // nothing; the saved picture is the one layers of the picture's size,
    // drawn and softened whole, give.
    OpenDoc doc(dir, 640, 480, 3);
    ASSERT_TRUE(doc.Ready());
    const int width = doc.Width(), height = doc.Height();
    const wchar_t* text = L"Copyright #c 2007 BRAMWELT";
    for (int size : {15, 40}) {
        SCOPED_TRACE(size);
        ASSERT_EQ(doc->RenderTexts(0, 1, L"複製禁止", text, 30, size, 0), 1);
        const PixelBox box = doc->TextLayerBox(LayerCopyrightSharp);
        EXPECT_EQ(box.bottom, height);
        EXPECT_GT(box.top, height - 5 - 2 * size - 2 * (size + 2) - 9) << "rows of the line and its margins";
        EXPECT_LT(box.top, height - 5 - size);
        EXPECT_EQ(box.right - box.left, width) << "the softening runs through the rows' ends";
        for (int layer : {LayerCopyrightSharp, LayerCopyrightSoft}) {
            EXPECT_TRUE(doc->TextLayer(layer).HasSize(box.right - box.left, box.bottom - box.top)) << layer;
        }
        for (int layer : {LayerWatermarkSharp, LayerWatermarkSoft}) {
            EXPECT_FALSE(doc->TextLayer(layer)) << layer;
            EXPECT_TRUE(doc->TextLayerBox(layer).Empty()) << layer;
        }

        DibLayer sharp, soft;
        ASSERT_TRUE(doc.MakeLayer(sharp));
        ASSERT_TRUE(doc.MakeLayer(soft));
        doc->DrawText(sharp.DC(), text, kOverlayFace, size, width - 10, height - 5, 1, RGB(255, 255, 255));
        GdiFlush();
        std::memcpy(soft.Bits(), sharp.Bits(), sharp.ByteCount());
        SmoothLayer(soft.Bits(), width, height);
        EXPECT_TRUE(doc.LayerBytes(LayerCopyrightSharp) == doc.Bytes(sharp));
        EXPECT_TRUE(doc.LayerBytes(LayerCopyrightSoft) == doc.Bytes(soft));
        std::vector<uint8_t> expected = doc.Pixels(doc->Display());
        const std::vector<uint8_t> black(expected.size(), 0);
        ComposeFrame(expected.data(), expected.size(), {sharp.Bits(), soft.Bits(), black.data(), black.data(), nullptr},
                     false);
        InvalidateRect(doc->View(), nullptr, FALSE);
        UpdateWindow(doc->View());
        std::wstring out = dir / L"line.bmp";
        ASSERT_NE(doc->Save(out.c_str(), 2), 0);
        ImgHandle saved = ImgLoadW(out.c_str());
        ASSERT_NE(saved, nullptr);
        EXPECT_TRUE(doc.Pixels(saved) == expected);
        ImgFree(saved);
    }
    // Off: the pair lets go of its pixels.
    ASSERT_EQ(doc->SetCopyright(0, text, 15), 1);
    EXPECT_FALSE(doc->TextLayer(LayerCopyrightSharp));
    EXPECT_TRUE(doc->TextLayerBox(LayerCopyrightSoft).Empty());
}

TEST_F(OverlayTest, CopyrightIsBoldAboveSizeSeven) {
    OpenDoc doc(dir, 400, 300);
    ASSERT_TRUE(doc.Ready());
    RECT client = doc.Client();
    const wchar_t* text = L"Weight WWW";
    DibLayer byHand;
    ASSERT_TRUE(doc.MakeLayer(byHand));
    for (int size : {7, 8, 20}) {
        SCOPED_TRACE(size);
        ASSERT_EQ(doc->SetCopyright(1, text, size), 1);
        std::vector<uint8_t> drawn = doc.LayerBytes(LayerCopyrightSharp);
        for (int bold : {0, 1}) {
            byHand.Clear();
            doc->DrawText(byHand.DC(), text, kOverlayFace, size, client.right - 10, client.bottom - 5, bold,
                          RGB(255, 255, 255));
            bool same = doc.Bytes(byHand) == drawn;
            EXPECT_EQ(same, bold == (size > 7 ? 1 : 0)) << "bold " << bold;
        }
    }
}

TEST_F(OverlayTest, TextsArePlacedByThePictureNotTheViewAndSavedWhole) {
    // A small trim in a view larger than it (a window cannot be made as
    // small): the line lands whole at the picture's own lower right, and the
    // saved file carries it there.
    OpenDoc doc(dir, 60, 40);
    ASSERT_TRUE(doc.Ready());
    SetWindowPos(doc->View(), nullptr, 0, 0, 300, 200, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_GT(doc.Client().right, 100);
    ASSERT_EQ(doc->SetCopyright(1, L"(c) A", 10), 1);
    InkBox ink = FindInk(doc, LayerCopyrightSharp);
    ASSERT_FALSE(ink.Empty());
    EXPECT_LE(ink.right, 60 - 10);
    EXPECT_GE(ink.right, 60 - 14);
    EXPECT_LE(ink.bottom, 40 - 5);
    EXPECT_GT(ink.left, 0) << "the whole line, not its cut-off end";
    ASSERT_EQ(doc->SetWatermark(1, L"WM", 10), 1);
    EXPECT_FALSE(FindInk(doc, LayerWatermarkSharp).Empty());
    ASSERT_EQ(doc->SetWatermark(0, L"WM", 10), 1);  // its relief would shade the line

    InvalidateRect(doc->View(), nullptr, FALSE);
    UpdateWindow(doc->View());
    std::wstring out = dir / L"small.bmp";
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    ImgHandle saved = ImgLoadW(out.c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(ImgWidth(saved), 60);
    std::vector<uint8_t> savedBytes = doc.Pixels(saved);
    ImgFree(saved);
    // Where the line's strokes are white, the saved pixel is five parts in
    // six white whatever lay under it.
    int strokes = 0, whitened = 0;
    for (int y = ink.top; y <= ink.bottom; ++y) {
        for (int x = ink.left; x <= ink.right; ++x) {
            if (doc.Layer(LayerCopyrightSharp, x, y, 0) == 255) {
                size_t at = RowStride(60) * size_t(40 - 1 - y) + size_t(x) * 3;
                ++strokes;
                whitened += savedBytes[at] >= 5 * 255 / 6 ? 1 : 0;
            }
        }
    }
    EXPECT_GT(strokes, 0);
    EXPECT_EQ(whitened, strokes);
}

TEST_F(OverlayTest, SavesNeitherTheSelectionTintNorTheRubberBand) {
    OpenDoc doc(dir, 120, 90, 5);
    ASSERT_TRUE(doc.Ready());
    ASSERT_EQ(doc->SetCopyright(0, L"", 10), 1);
    doc.Select(RECT{10, 10, 100, 80});
    ASSERT_TRUE(doc->HasSelection());
    InvalidateRect(doc->View(), nullptr, FALSE);
    UpdateWindow(doc->View());
    std::wstring out = dir / L"tinted.bmp";
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    ImgHandle saved = ImgLoadW(out.c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(doc.Pixels(saved), doc.Pixels(doc->Display())) << "the picture as it is, untinted";
    ImgFree(saved);
    EXPECT_TRUE(doc->HasSelection()) << "saving leaves the selection shown";

    // A rubber band being dragged for a trim is not saved either.
    doc->ArmSelection(false);
    doc->ArmTrim(false);
    HandleViewMouse(*doc, doc->View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    HandleViewMouse(*doc, doc->View(), WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(60, 50));
    GdiFlush();
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    saved = ImgLoadW(out.c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(doc.Pixels(saved), doc.Pixels(doc->Display()));
    ImgFree(saved);
    doc->LeaveTrim();
}

TEST_F(OverlayTest, WatermarkRowsAndTilesStartWhereTheStepPutsThem) {
    OpenDoc doc(dir, 480, 360);
    ASSERT_TRUE(doc.Ready());
    // 4 characters at size 30: step 120; rows end at y = 0, 60, 120, ...;
    // odd rows start half a step (60) to the right.
    ASSERT_EQ(doc->SetWatermark(1, L"ABCD", 30), 1);
    InkBox ink = FindInk(doc, LayerWatermarkSharp);
    ASSERT_FALSE(ink.Empty());
    EXPECT_EQ(ink.maxValue, 180) << "grey 180";
    EXPECT_TRUE(FindInk(doc, LayerCopyrightSharp).Empty());

    // Ink only in the bands just above each row's baseline y = 60 k: the text
    // cell of height 30 ends at y. Row 0 (y = 0) lies above the picture.
    const int width = doc.Width(), height = doc.Height();
    std::vector<int> inkInRow(height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            inkInRow[y] += doc.Layer(LayerWatermarkSharp, x, y, 1) ? 1 : 0;
        }
    }
    for (int y = 0; y < height; ++y) {
        int inBand = y % 60;
        if (inBand >= 3 && inBand <= 26) {
            EXPECT_EQ(inkInRow[y], 0) << "gap row " << y;
        }
    }
    for (int band = 1; band * 60 <= height; ++band) {
        int rows = 0;
        for (int y = band * 60 - 30; y < band * 60; ++y) {
            rows += inkInRow[y] ? 1 : 0;
        }
        EXPECT_GT(rows, 10) << "band ending at " << band * 60;
    }

    // Every row repeats the one above it moved by (60, 60), and the one two
    // above moved by (0, 120); within a row the tiles repeat every 120.
    for (int y = 0; y + 120 < height; ++y) {
        for (int x = 0; x + 120 < width; ++x) {
            ASSERT_EQ(doc.Layer(LayerWatermarkSharp, x, y), doc.Layer(LayerWatermarkSharp, x + 60, y + 60))
                << x << ", " << y;
            ASSERT_EQ(doc.Layer(LayerWatermarkSharp, x, y), doc.Layer(LayerWatermarkSharp, x + 120, y))
                << x << ", " << y;
            ASSERT_EQ(doc.Layer(LayerWatermarkSharp, x, y), doc.Layer(LayerWatermarkSharp, x, y + 120))
                << x << ", " << y;
        }
    }
    // Row 1 (odd) has a tile ending at x = 60, row 2 (even) at x = 120 and
    // none at 60: the text's right edge lies just left of its anchor.
    auto rightmostInk = [&](int bandEnd, int fromX, int toX) {
        int rightmost = -1;
        for (int y = bandEnd - 30; y < bandEnd; ++y) {
            for (int x = fromX; x < toX; ++x) {
                if (doc.Layer(LayerWatermarkSharp, x, y, 1)) {
                    rightmost = std::max(rightmost, x);
                }
            }
        }
        return rightmost;
    };
    int odd = rightmostInk(60, 0, 61);
    int even = rightmostInk(120, 0, 121);
    EXPECT_LE(odd, 60);
    EXPECT_GE(odd, 50);
    EXPECT_EQ(even - odd, 60);

    std::vector<uint8_t> expected = doc.LayerBytes(LayerWatermarkSharp);
    SmoothLayer(expected.data(), width, height);
    EXPECT_EQ(doc.LayerBytes(LayerWatermarkSoft), expected);

    InvalidateRect(doc->View(), nullptr, FALSE);
    UpdateWindow(doc->View());
    gui::SaveShot(L"tandrel-watermark-overlay.png", doc->View());
}

TEST_F(OverlayTest, LayersStayBlackWhenOffEmptyOrUnusable) {
    OpenDoc doc(dir, 300, 200);
    ASSERT_TRUE(doc.Ready());
    struct Case {
        const char* name;
        int watermarkOn, copyrightOn;
        const wchar_t* watermark;
        const wchar_t* copyright;
        int watermarkSize, copyrightSize;
    } cases[] = {
        {"both off", 0, 0, L"複製禁止", L"Copyright", 30, 15},
        {"empty texts", 1, 1, L"", L"", 30, 15},
        {"null texts", 1, 1, nullptr, nullptr, 30, 15},
        // A size below 1 from a hand-edited file would tile without end.
        {"watermark size 0", 1, 0, L"複製禁止", L"", 0, 15},
        {"watermark size -5", 1, 0, L"複製禁止", L"", -5, 15},
    };
    // Huge sizes from a hand-edited file draw (or not) without hanging.
    EXPECT_EQ(doc->RenderTexts(1, 1, L"複製禁止", L"Copyright", 1000000, 1000000, 0), 1);
    EXPECT_EQ(doc->RenderTexts(1, 1, std::wstring(1023, L'W').c_str(), L"c", INT_MAX, INT_MAX, 0), 1);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(doc->RenderTexts(1, 1, L"x", L"y", 30, 15, 0), 1);  // something drawn before
        ASSERT_EQ(doc->RenderTexts(c.watermarkOn, c.copyrightOn, c.watermark, c.copyright, c.watermarkSize,
                                   c.copyrightSize, 0),
                  1);
        for (int layer = 0; layer < TextLayerCount; ++layer) {
            EXPECT_TRUE(AllZero(doc.LayerBytes(layer))) << "layer " << layer;
            // Nothing drawn, nothing held.
            EXPECT_TRUE(doc->TextLayerBox(layer).Empty()) << "layer " << layer;
            EXPECT_FALSE(doc->TextLayer(layer)) << "layer " << layer;
        }
    }

    // Without a view there is no client area to place the texts by.
    std::unique_ptr<ImageDoc> unviewed = ImageDoc::Unviewed(300, 200);
    EXPECT_EQ(unviewed->RenderTexts(1, 1, L"a", L"b", 30, 15, 0), 0);
    EXPECT_EQ(unviewed->SetWatermark(1, L"a", 30), 0);
    EXPECT_EQ(unviewed->SetCopyright(1, L"b", 15), 0);
}

TEST_F(OverlayTest, RecreatedLayersFollowARebuiltPicture) {
    OpenDoc doc(dir, 400, 300);
    ASSERT_TRUE(doc.Ready());
    doc->SetLimits(200, 0);
    ASSERT_EQ(doc->Rebuild(1), 1);
    ASSERT_EQ(doc->RenderTexts(1, 1, L"WM", L"(c)", 20, 15, 1), 1);
    BITMAP layer = {};
    GetObjectW(doc->TextLayer(LayerWatermarkSoft).Handle(), sizeof(layer), &layer);
    EXPECT_EQ(layer.bmWidth, 200);
    EXPECT_EQ(layer.bmHeight, 150);
    EXPECT_FALSE(FindInk(doc, LayerWatermarkSharp).Empty());
}

TEST_F(OverlayTest, MarkersComeOutAsTheirSymbols) {
    OpenDoc doc(dir, 400, 300);
    ASSERT_TRUE(doc.Ready());
    DibLayer byHand;
    ASSERT_TRUE(doc.MakeLayer(byHand));
    HDC dc = byHand.DC();
    const wchar_t* texts[] = {
        L"\u00A9 \u00AE \u2122",
        L"Copyright \u00A9 2007 BRAMWELT",
        L"複製禁止\u00A9\u00AE\u2122",
    };
    for (const wchar_t* text : texts) {
        for (bool bold : {false, true}) {
            OverlayText laid(dc, text, kOverlayFace, 24, bold);
            EXPECT_TRUE(laid.AllCharactersHaveGlyphs()) << testfiles::ToUtf8(text);
        }
    }

    // DrawText expands the markers: "#c#r#t" draws exactly what the symbols do.
    RECT client = doc.Client();
    auto draw = [&](const wchar_t* text) {
        byHand.Clear();
        doc->DrawText(byHand.DC(), text, kOverlayFace, 30, client.right - 10, client.bottom - 5, 1, RGB(255, 255, 255));
        return doc.Bytes(byHand);
    };
    std::vector<uint8_t> symbols = draw(L"\u00A9\u00AE\u2122");
    EXPECT_EQ(draw(L"#c#r#t"), symbols);
    EXPECT_NE(draw(L"crt"), symbols);
    EXPECT_FALSE(AllZero(symbols));

    // A text drawn in several fonts still ends at its anchor and runs leftwards
    // without its parts overlapping: wider than the same text without "™".
    InkBox withMark = FindInk(draw(L"複製禁止™"), doc.Width(), doc.Height());
    InkBox without = FindInk(draw(L"複製禁止"), doc.Width(), doc.Height());
    EXPECT_LE(withMark.right, client.right - 10);
    EXPECT_GE(withMark.right, client.right - 20);
    EXPECT_LT(withMark.left, without.left - 10);
}

TEST_F(OverlayTest, MosaicAndBlurChangeOnlyTheSelectionAndEndIt) {
    OpenDoc doc(dir, 200, 150, 7);
    ASSERT_TRUE(doc.Ready());
    const RECT area = {30, 20, 150, 110};
    struct Case {
        const char* name;
        bool mosaic;
        int size;
        bool changes;
    } cases[] = {
        {"mosaic 10", true, 10, true},
        {"mosaic 1 (copies working)", true, 1, false},
        {"blur 5", false, 5, true},
        {"blur 75: 2r reaches the height", false, 75, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        doc->RemoveEffects();
        doc.Select(area);
        ASSERT_TRUE(doc->HasSelection());

        std::vector<uint8_t> working = doc.Pixels(doc->Working());
        std::vector<uint8_t> mask = doc.Bytes(doc->Overlay());
        std::vector<uint8_t> expected = doc.Pixels(doc->Display());
        if (c.mosaic) {
            MosaicRegion(working.data(), expected.data(), mask.data(), doc.Width(), doc.Height(), c.size);
        } else {
            BlurRegion(working.data(), expected.data(), mask.data(), doc.Width(), doc.Height(), c.size);
        }
        int result = c.mosaic ? doc->ApplyMosaic(c.size) : doc->ApplyBlur(c.size);
        EXPECT_EQ(result, 1);
        std::vector<uint8_t> shown = doc.Pixels(doc->Display());
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(shown != working, c.changes);

        // The selection has ended: no region, nothing armed, no tint.
        EXPECT_EQ(doc->Mode(), DocMode::Idle);
        EXPECT_TRUE(AllZero(doc.Bytes(doc->Overlay())));
    }
}

TEST_F(OverlayTest, EffectsThatCannotRunChangeNothing) {
    OpenDoc doc(dir, 120, 90);
    ASSERT_TRUE(doc.Ready());
    doc.Select(RECT{10, 10, 100, 80});
    std::vector<uint8_t> before = doc.Pixels(doc->Display());
    EXPECT_EQ(doc->ApplyMosaic(0), 0);
    EXPECT_EQ(doc->ApplyBlur(0), 0);
    EXPECT_EQ(doc->ApplyBlur(-4), 0);
    EXPECT_TRUE(doc->HasSelection()) << "the selection stays for another try";
    EXPECT_EQ(doc.Pixels(doc->Display()), before);

    // A rebuild (at another size) ends the selection with the overlay it was
    // drawn in: there is nothing to apply an effect to.
    doc->SetLimits(60, 0);
    ASSERT_EQ(doc->Rebuild(1), 1);
    before = doc.Pixels(doc->Display());
    EXPECT_FALSE(doc->HasSelection());
    EXPECT_EQ(doc->ApplyMosaic(10), 0);
    EXPECT_EQ(doc->ApplyBlur(3), 0);
    EXPECT_EQ(doc.Pixels(doc->Display()), before);
}

TEST_F(OverlayTest, EffectsAndRebuildsOnTwoThreadsWhileTheViewPaints) {
    // The effects run on the main thread while the view paints and, after a
    // trim, rebuilds; neither may catch the other's pictures half replaced.
    OpenDoc doc(dir, 320, 240, 3);
    ASSERT_TRUE(doc.Ready());
    std::atomic<bool> stop(false);
    std::thread rebuilder([&] {
        while (!stop) {
            doc->Rebuild(1);
            doc->RenderTexts(1, 1, L"複製禁止", L"Copyright #c", 20, 12, 1);
            InvalidateRect(doc->View(), nullptr, FALSE);
        }
    });
    int ran = 0;
    for (int i = 0; i < 60; ++i) {
        {
            DocLock lock(*doc);
            if (doc->Overlay()) {
                doc.Select(RECT{0, 0, 320, 240});
            }
        }
        ran += (i % 2 ? doc->ApplyBlur(1 + i % 7) : doc->ApplyMosaic(1 + i % 9)) ? 1 : 0;
    }
    stop = true;
    rebuilder.join();
    EXPECT_GT(ran, 0);
    EXPECT_TRUE(IsWindow(doc->View()));
}

// The lasso Select draws round `area`.
static std::vector<POINT> RectLasso(RECT area) {
    return {{area.left, area.top},
            {area.right, area.top},
            {area.right, area.bottom},
            {area.left, area.bottom},
            {area.left, area.top}};
}

static std::vector<POINT> MappedLasso(const std::vector<POINT>& lasso, const Affine& map) {
    std::vector<POINT> result;
    for (POINT p : lasso) {
        RegionPoint at = map(RegionPoint{double(p.x), double(p.y)});
        result.push_back(POINT{LONG(std::lround(at.x)), LONG(std::lround(at.y))});
    }
    return result;
}

static size_t Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    if (a.size() != b.size()) {
        return std::max(a.size(), b.size());
    }
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) {
        count += a[i] != b[i] ? 1 : 0;
    }
    return count;
}

struct Stroke {
    bool mosaic;
    int size;
    std::vector<POINT> lasso;  // on the loaded picture
};

static void ApplyStrokes(OpenDoc& doc, const std::vector<Stroke>& strokes, const Affine& map) {
    // A view resized under the pointer gets a mouse move of its own, which
    // would add the pointer's place to the lasso being drawn here.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    for (const Stroke& stroke : strokes) {
        doc.SelectLasso(MappedLasso(stroke.lasso, map));
        ASSERT_TRUE(doc->HasSelection());
        ASSERT_EQ(stroke.mosaic ? doc->ApplyMosaic(stroke.size) : doc->ApplyBlur(stroke.size), 1);
    }
}

TEST_F(OverlayTest, EffectsSurviveSizesAndTurnsAsIfAppliedAgainByHand) {
    OpenDoc doc(dir, 200, 150, 11);
    ASSERT_TRUE(doc.Ready());
    const std::vector<Stroke> strokes = {
        {true, 8, RectLasso(RECT{20, 20, 120, 100})},
        {false, 3, RectLasso(RECT{60, 40, 180, 130})},
        {true, 5, {{150, 10}, {190, 60}, {130, 70}, {150, 10}}},
    };
    ApplyStrokes(doc, strokes, Affine());
    EXPECT_TRUE(doc->HasEffects());

    struct Step {
        int limit;
        int degrees;
        int width, height;  // of the picture shown
    } steps[] = {
        {100, 0, 100, 75}, {100, 90, 75, 100}, {320, 270, 240, 320}, {0, 180, 200, 150}, {0, 0, 200, 150},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.limit * 1000 + step.degrees);
        doc->SetLimits(step.limit, step.limit);
        doc->SetRotation(step.degrees);
        ASSERT_EQ(doc->Rebuild(1), 1);
        ASSERT_EQ(doc.Width(), step.width);
        ASSERT_EQ(doc.Height(), step.height);
        EXPECT_TRUE(doc->HasEffects());
        std::vector<uint8_t> rebuilt = doc.Pixels(doc->Display());
        EXPECT_NE(rebuilt, doc.Pixels(doc->Working())) << "the effects were drawn again";

        // The same regions and effects applied by hand to the new picture.
        const int scaledW = step.degrees % 180 ? step.height : step.width;
        const int scaledH = step.degrees % 180 ? step.width : step.height;
        doc->RemoveEffects();
        EXPECT_FALSE(doc->HasEffects());
        EXPECT_EQ(doc.Pixels(doc->Display()), doc.Pixels(doc->Working()));
        ApplyStrokes(doc, strokes, ScaleAndTurn(200, 150, scaledW, scaledH, step.degrees));
        EXPECT_EQ(Differing(doc.Pixels(doc->Display()), rebuilt), 0u);
    }

    // What is saved after a size change carries them.
    doc->SetLimits(100, 100);
    ASSERT_EQ(doc->Rebuild(1), 1);
    InvalidateRect(doc->View(), nullptr, FALSE);
    UpdateWindow(doc->View());
    std::wstring out = dir / L"hidden.bmp";
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    ImgHandle saved = ImgLoadW(out.c_str());
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(doc.Pixels(saved), doc.Pixels(doc->Display()));
    EXPECT_NE(doc.Pixels(saved), doc.Pixels(doc->Working()));
    ImgFree(saved);
}

TEST_F(OverlayTest, ATrimKeepsTheEffectsInsideTheKeptRectangle) {
    OpenDoc doc(dir, 200, 150, 13);
    ASSERT_TRUE(doc.Ready());
    const std::vector<Stroke> inside = {{true, 8, RectLasso(RECT{20, 20, 120, 100})}};
    const std::vector<Stroke> outside = {{false, 4, RectLasso(RECT{150, 110, 190, 140})}};
    ApplyStrokes(doc, inside, Affine());
    ApplyStrokes(doc, outside, Affine());

    // Cut (0, 0)-(100, 80) out: the mosaic is cut with it, the blur is gone.
    doc->ArmTrim(false);
    HandleViewMouse(*doc, doc->View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(0, 0));
    HandleViewMouse(*doc, doc->View(), WM_LBUTTONUP, 0, MAKELPARAM(100, 80));
    ASSERT_TRUE(doc->Trimmed());
    ASSERT_EQ(doc->Rebuild(1), 1);
    ASSERT_EQ(doc.Width(), 100);
    ASSERT_EQ(doc.Height(), 80);
    std::vector<uint8_t> rebuilt = doc.Pixels(doc->Display());
    doc->RemoveEffects();
    ApplyStrokes(doc, {{true, 8, RectLasso(RECT{20, 20, 100, 80})}}, Affine());
    EXPECT_EQ(Differing(doc.Pixels(doc->Display()), rebuilt), 0u);

    // Back to the whole picture: only the kept part of the mosaic returns.
    ASSERT_EQ(doc->UndoTrim(), 1);
    ASSERT_EQ(doc.Width(), 200);
    EXPECT_TRUE(doc->HasEffects());
    std::vector<uint8_t> whole = doc.Pixels(doc->Display());
    doc->RemoveEffects();
    ApplyStrokes(doc, {{true, 8, RectLasso(RECT{20, 20, 100, 80})}}, Affine());
    EXPECT_EQ(Differing(doc.Pixels(doc->Display()), whole), 0u);

    // A trim wholly outside every effect leaves none.
    doc->ArmTrim(false);
    HandleViewMouse(*doc, doc->View(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 90));
    HandleViewMouse(*doc, doc->View(), WM_LBUTTONUP, 0, MAKELPARAM(200, 150));
    ASSERT_TRUE(doc->Trimmed());
    EXPECT_FALSE(doc->HasEffects());
}

namespace {

// The bytes of a paint of the whole view into an off-screen section of the
// client's size, as a bottom-up picture.
std::vector<uint8_t> PaintedBytes(ImageDoc& doc, int width, int height) {
    BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    DibLayer target;
    EXPECT_TRUE(target.Create(header, nullptr));
    doc.PaintTo(target.DC(), RECT{0, 0, width, height});
    GdiFlush();
    return std::vector<uint8_t>(target.Bits(), target.Bits() + target.ByteCount());
}

std::vector<uint8_t> SavedBytes(ImageDoc& doc, const std::wstring& path, int shownWidth, int shownHeight) {
    EXPECT_NE(doc.Save(path.c_str(), 2), 0);
    ImgHandle saved = ImgLoadW(path.c_str());
    EXPECT_NE(saved, nullptr);
    if (!saved) {
        return {};
    }
    if (ImgWidth(saved) != shownWidth) {
        ImgHandle scaled = ImgResizedCopy(saved, shownWidth, shownHeight);
        ImgFree(saved);
        saved = scaled;
    }
    uint8_t* bits = nullptr;
    uint32_t count = 0;
    ImgGetPixels(saved, nullptr, &bits, &count);
    std::vector<uint8_t> bytes(bits, bits + count);
    ImgFree(saved);
    return bytes;
}

}  // namespace

TEST_F(OverlayTest, WhatAPaintShowsIsWhatIsSavedAtFullSizeAndFitted) {
    // A paint composes only where the texts put ink; the save composes the
    // whole layers. They agree wherever the texts are drawn, changed or
    // cleared, and a fitted view shows the saved picture scaled.
    struct Texts {
        int watermarkOn;
        const wchar_t* watermark;
        int watermarkSize;
        const wchar_t* copyright;
        int copyrightSize;
    } texts[] = {
        {0, L"", 30, L"Copyright #c 2007 BRAMWELT", 15},
        {0, L"", 30, L"#c #r #t 複製禁止 Wide and bold", 80},
        {1, L"複製禁止", 30, L"Copyright #c 2007 BRAMWELT", 7},
        {0, L"", 30, L"", 15},  // nothing: the larger line before is gone
    };
    for (int size : {0, 1}) {
        SCOPED_TRACE(size ? "fitted" : "full size");
        OpenDoc doc(dir, size ? 3000 : 420, size ? 2600 : 300, 9);
        ASSERT_TRUE(doc.Ready());
        const ViewScale scale = doc->Scale();
        EXPECT_EQ(scale.Scaled(), size == 1);
        RECT client = doc.Client();
        EXPECT_EQ(client.right, scale.shownWidth);
        EXPECT_EQ(client.bottom, scale.shownHeight);
        for (const Texts& t : texts) {
            SCOPED_TRACE(testfiles::ToUtf8(t.copyright) + " " + std::to_string(t.copyrightSize));
            ASSERT_EQ(doc->RenderTexts(t.watermarkOn, 1, t.watermark, t.copyright, t.watermarkSize, t.copyrightSize, 0),
                      1);
            std::vector<uint8_t> painted = PaintedBytes(*doc, scale.shownWidth, scale.shownHeight);
            std::vector<uint8_t> saved = SavedBytes(*doc, dir / L"shown.bmp", scale.shownWidth, scale.shownHeight);
            ASSERT_EQ(painted.size(), saved.size());
            EXPECT_TRUE(painted == saved);
        }
        // The copyright changed alone, smaller than before.
        ASSERT_EQ(doc->SetCopyright(1, L"#c", 80), 1);
        ASSERT_EQ(doc->SetCopyright(1, L"c", 9), 1);
        EXPECT_TRUE(PaintedBytes(*doc, scale.shownWidth, scale.shownHeight) ==
                    SavedBytes(*doc, dir / L"shown.bmp", scale.shownWidth, scale.shownHeight));
    }
}

TEST_F(OverlayTest, ThePaintTintsWhereTheOverlayHoldsAnythingAndPartPaintsAddUp) {
    // A paint reads the overlay only where something was drawn into it, and
    // at 100% draws the texts from a copy composed bit by bit as paints need
    // it: every paint must still be the saved picture with the overlay added.
    for (int size : {0, 1}) {
        SCOPED_TRACE(size ? "fitted" : "full size");
        OpenDoc doc(dir, size ? 3000 : 420, size ? 2600 : 300, 4);
        ASSERT_TRUE(doc.Ready());
        const ViewScale scale = doc->Scale();
        const int width = scale.shownWidth, height = scale.shownHeight;
        ASSERT_EQ(doc->RenderTexts(1, 1, L"複製禁止", L"Copyright #c 2007 BRAMWELT", 20, 15, 0), 1);
        const std::vector<uint8_t> saved = SavedBytes(*doc, dir / L"shown.bmp", width, height);
        // A part first, then the whole: the parts composed before are kept.
        BITMAPINFOHEADER header = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
        DibLayer part;
        ASSERT_TRUE(part.Create(header, nullptr));
        doc->PaintTo(part.DC(), RECT{37, 45, 141, 99});
        EXPECT_TRUE(PaintedBytes(*doc, width, height) == saved);

        auto expectTinted = [&](const char* what) {
            SCOPED_TRACE(what);
            GdiFlush();
            const DibLayer& overlay = doc->Overlay();
            ASSERT_EQ(overlay.ByteCount(), saved.size());
            std::vector<uint8_t> expected = saved;
            size_t drawn = 0;
            for (size_t i = 0; i < expected.size(); ++i) {
                expected[i] = uint8_t(std::min(255, expected[i] + overlay.Bits()[i]));
                drawn += overlay.Bits()[i] != 0;
            }
            EXPECT_GT(drawn, 0u);
            std::vector<uint8_t> painted = PaintedBytes(*doc, width, height);
            EXPECT_EQ(Differing(painted, expected), 0u);
        };
        auto overlayRowDrawn = [&](int y, int fromX, int toX) {
            GdiFlush();
            const uint8_t* row = doc->Overlay().Bits() + RowStride(width) * size_t(height - 1 - y);
            return std::any_of(row + 3 * fromX, row + 3 * toX, [](uint8_t b) { return b != 0; });
        };

        doc->ArmTrim(false);
        HWND view = doc->View();
        HandleViewMouse(*doc, view, WM_MOUSEMOVE, 0, MAKELPARAM(60, 50));
        expectTinted("crosshair");
        HandleViewMouse(*doc, view, WM_MOUSEMOVE, 0, MAKELPARAM(200, 120));
        expectTinted("crosshair moved");
        EXPECT_FALSE(overlayRowDrawn(50, 0, 150)) << "the crosshair's old line is wiped";
        HandleViewMouse(*doc, view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, 20));
        HandleViewMouse(*doc, view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(150, 100));
        expectTinted("rubber band");
        EXPECT_FALSE(overlayRowDrawn(120, 0, 400)) << "the crosshair is gone";
        doc->LeaveTrim();
        doc.SelectLasso({{30, 30}, {130, 40}, {90, 110}, {35, 90}, {30, 30}});
        ASSERT_TRUE(doc->HasSelection());
        expectTinted("lasso");
        doc->ClearOverlay(0);
    }
}
