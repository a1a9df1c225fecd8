// The image document in process: opening with its view thread, rebuilding,
// painting, saving and closing, and rebuilds from another thread during
// paints.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <string>

#include "TandrelTestKit.h"
#include "engine/ImageDoc.h"
#include "imaging/Image_win.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using tandrelkit::CloseDocument;
using testfiles::ScratchDir;

// A picture whose pixels tell their position (x, y from the top-left).
std::wstring WritePicture(const ScratchDir& dir, const wchar_t* name, int width, int height) {
    ImgHandle image = ImgCreate(width, height);
    uint8_t* bits = nullptr;
    ImgGetPixels(image, nullptr, &bits, nullptr);
    size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
    for (int y = 0; y < height; ++y) {
        uint8_t* row = bits + stride * size_t(height - 1 - y);
        for (int x = 0; x < width; ++x) {
            row[x * 3] = uint8_t(x);
            row[x * 3 + 1] = uint8_t(y);
            row[x * 3 + 2] = 100;
        }
    }
    std::wstring path = dir / name;
    EXPECT_EQ(ImgSaveBmpW(path.c_str(), image), 1);
    ImgFree(image);
    return path;
}

SIZE ClientSize(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    return {client.right, client.bottom};
}

// A paint now, on the view thread.
void PaintNow(HWND view) {
    InvalidateRect(view, nullptr, FALSE);
    UpdateWindow(view);
}

class ImageDocTest : public ::testing::Test {
protected:
    void SetUp() override { ImgClearError(); }
    void TearDown() override { ImgClearError(); }
    ScratchDir dir{L"doc"};
};

TEST_F(ImageDocTest, OpensScaledIntoTheViewAndCloses) {
    struct {
        int width, height, limitW, limitH, rotation, enlarge;
        int shownW, shownH;
    } cases[] = {
        {400, 300, 320, 320, 0, 1, 320, 240},  {300, 400, 320, 320, 0, 1, 240, 320},
        {320, 320, 320, 320, 0, 1, 320, 320},  {400, 300, 0, 0, 90, 1, 300, 400},
        {800, 600, 1250, 994, 0, 0, 800, 600},
    };
    for (const auto& c : cases) {
        std::wstring path = WritePicture(dir, L"p.bmp", c.width, c.height);
        ImageDoc* doc = new ImageDoc;
        ASSERT_EQ(doc->Open(path.c_str(), c.limitW, c.limitH, c.rotation, c.enlarge), doc);
        ASSERT_NE(doc->source, nullptr);
        ASSERT_NE(doc->viewWnd, nullptr);
        EXPECT_EQ(ImgWidth(doc->display), c.shownW);
        EXPECT_EQ(ImgHeight(doc->display), c.shownH);
        SIZE client = ClientSize(doc->viewWnd);
        EXPECT_EQ(client.cx, c.shownW);
        EXPECT_EQ(client.cy, c.shownH);
        wchar_t title[64];
        GetWindowTextW(doc->viewWnd, title, 64);
        EXPECT_EQ(std::wstring(title), std::to_wstring(c.shownW) + L"px \u00D7 " + std::to_wstring(c.shownH) + L"px");
        for (HBITMAP layer : {doc->layerBitmap[0], doc->layerBitmap[3], doc->overlayBitmap}) {
            BITMAP info;
            ASSERT_EQ(GetObjectW(layer, sizeof(info), &info), int(sizeof(info)));
            EXPECT_EQ(info.bmWidth, c.shownW);
            EXPECT_EQ(info.bmHeight, c.shownH);
        }
        EXPECT_NE(doc->points, nullptr);
        EXPECT_EQ(doc->anchorX, -1);
        CloseDocument(doc);
    }
}

TEST_F(ImageDocTest, AFileThatCannotBeLoadedLeavesNoView) {
    const std::wstring missing = dir / L"none.jpg";
    ImageDoc* doc = new ImageDoc;
    doc->Open(missing.c_str(), 320, 320, 0, 1);
    EXPECT_EQ(doc->source, nullptr);
    EXPECT_EQ(doc->viewWnd, nullptr);
    EXPECT_EQ(doc->viewThread, nullptr);
    EXPECT_EQ(ImgLastError(), uint32_t(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    CloseDocument(doc);

    // An error nobody cleared makes a good file fail too, with that code.
    std::wstring good = WritePicture(dir, L"good.bmp", 40, 30);
    ImgFail(0x80004005);
    doc = new ImageDoc;
    doc->Open(good.c_str(), 0, 0, 0, 1);
    EXPECT_EQ(doc->source, nullptr);
    EXPECT_EQ(doc->viewWnd, nullptr);
    EXPECT_EQ(ImgLastError(), 0x80004005u);
    CloseDocument(doc);
}

TEST_F(ImageDocTest, SavesTheComposedFrameOnlyOnceOneWasPainted) {
    std::wstring path = WritePicture(dir, L"p.bmp", 64, 48);
    std::wstring early = dir / L"early.bmp";
    ImageDoc unopened;
    EXPECT_EQ(unopened.Save(early.c_str(), 2), 0);

    ImageDoc* doc = new ImageDoc;
    doc->Open(path.c_str(), 0, 0, 0, 1);
    ASSERT_NE(doc->viewWnd, nullptr);
    {
        // Until a paint has happened there is no frame to save.
        DocLock lock(*doc);
        if (!doc->composite) {
            EXPECT_EQ(doc->Save(early.c_str(), 2), 0);
            EXPECT_FALSE(testfiles::FileExists(early));
        }
    }
    PaintNow(doc->viewWnd);
    ASSERT_NE(doc->composite, nullptr);

    // White copyright text at the top-left pixel, drawn after the last paint:
    // the save still carries it.
    {
        MutexLock draw(doc->drawMutex);
        DocLock lock(*doc);
        BITMAP info;
        GetObjectW(doc->layerBitmap[LayerCopyrightSharp], sizeof(info), &info);
        BYTE* topLeft = doc->layerBits[LayerCopyrightSharp] + size_t(info.bmWidthBytes) * size_t(info.bmHeight - 1);
        topLeft[0] = topLeft[1] = topLeft[2] = 255;
    }
    struct {
        const wchar_t* name;
        int format;
        std::string signature;
    } cases[] = {
        {L"a.bmp", 2, "BM"},
        {L"a.png", 3, "\x89PNG"},
        {L"a.gif", 4, "GIF8"},
        {L"a.jpg", 1, "\xFF\xD8\xFF"},
        {L"zero.bmp", 0, "\xFF\xD8\xFF"},  // unknown codes write JPEG
        {L"five.png", 5, "\xFF\xD8\xFF"},
        {L"judged.png", -1, "\x89PNG"},
    };
    for (const auto& c : cases) {
        std::wstring out = dir / c.name;
        ASSERT_NE(doc->Save(out.c_str(), c.format), 0) << testfiles::ToUtf8(c.name);
        EXPECT_EQ(testfiles::ReadFileBytes(out).substr(0, c.signature.size()), c.signature)
            << testfiles::ToUtf8(c.name);
    }
    ImgHandle saved = ImgLoadW((dir / L"a.png").c_str());
    ASSERT_NE(saved, nullptr);
    uint8_t* bits = nullptr;
    ImgGetPixels(saved, nullptr, &bits, nullptr);
    const uint8_t* topLeft = bits + ((64 * 3 + 3) & ~3) * 47;
    EXPECT_EQ(topLeft[2], (100 + 5 * 255) / 6);  // red 100 under five parts in six of white
    EXPECT_EQ(topLeft[0], (0 + 5 * 255) / 6);
    ImgFree(saved);
    CloseDocument(doc);
}

TEST_F(ImageDocTest, RebuildsToNewLimitsAndAPaintWithStaleLayersEnds) {
    std::wstring path = WritePicture(dir, L"p.bmp", 400, 300);
    ImageDoc* doc = new ImageDoc;
    doc->Open(path.c_str(), 0, 0, 0, 1);
    ASSERT_NE(doc->viewWnd, nullptr);
    doc->limitW = 320;
    doc->limitH = 0;
    ASSERT_EQ(doc->Rebuild(1), 1);
    EXPECT_EQ(ImgWidth(doc->display), 320);
    EXPECT_EQ(ImgHeight(doc->display), 240);
    EXPECT_EQ(ClientSize(doc->viewWnd).cx, 320);

    // The text layers still have the old size: the paint shows the picture
    // and leaves the window valid instead of asking for the next paint.
    PaintNow(doc->viewWnd);
    EXPECT_FALSE(GetUpdateRect(doc->viewWnd, nullptr, FALSE));
    EXPECT_TRUE(gui::SaveShot(L"doc_view_320.png", doc->viewWnd));

    // A failing resize keeps working and display as they were.
    doc->limitW = 100000;
    EXPECT_EQ(doc->Rebuild(1), 0);
    EXPECT_EQ(ImgWidth(doc->working), 320);
    EXPECT_EQ(ImgWidth(doc->display), 320);
    CloseDocument(doc);
}

// Rebuilds, layer changes and saves on one thread while the view paints.
DWORD WINAPI RebuildRepeatedly(void* argument) {
    ImageDoc* doc = static_cast<ImageDoc*>(argument);
    for (int i = 0; i < 60; ++i) {
        doc->rotation = (i % 4) * 90;
        doc->limitW = 80 + (i * 37) % 200;
        doc->limitH = i % 3 ? 0 : 150;
        doc->Rebuild(i % 2);
        {
            MutexLock draw(doc->drawMutex);
            doc->MakeTextLayers(i % 5 != 0);
        }
        doc->hasSelection = i % 2;
        doc->ClearOverlay(1);
    }
    return 0;
}

TEST_F(ImageDocTest, SurvivesRebuildsFromAnotherThreadDuringPaints) {
    std::wstring path = WritePicture(dir, L"p.bmp", 300, 200);
    ImageDoc* doc = new ImageDoc;
    doc->Open(path.c_str(), 320, 320, 0, 1);
    HWND view = doc->viewWnd;
    ASSERT_NE(view, nullptr);
    HANDLE worker = CreateThread(nullptr, 0, RebuildRepeatedly, doc, 0, nullptr);
    ASSERT_NE(worker, nullptr);
    int paints = 0;
    std::wstring out = dir / L"out.bmp";
    while (WaitForSingleObject(worker, 0) == WAIT_TIMEOUT) {
        PaintNow(view);
        if (++paints % 10 == 0) {
            doc->Save(out.c_str(), 2);
        }
    }
    CloseHandle(worker);
    EXPECT_GT(paints, 0);
    PaintNow(view);
    EXPECT_TRUE(gui::Sync(view, 5000)) << "the view still answers";
    CloseDocument(doc);
}

}  // namespace
