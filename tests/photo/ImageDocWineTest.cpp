// The image document in process: opening with its view thread, rebuilding,
// painting, saving and closing, and rebuilds from another thread during
// paints.
#include <gtest/gtest.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "CameraExif.h"
#include "TandrelTestKit.h"
#include "engine/ImageDoc_win.h"
#include "engine/Preload_win.h"
#include "imaging/Exif.h"
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
        ImageDoc::Opened opened = ImageDoc::Open(path.c_str(), c.limitW, c.limitH, c.rotation, c.enlarge);
        std::unique_ptr<ImageDoc>& doc = opened.doc;
        ASSERT_TRUE(doc);
        EXPECT_EQ(opened.error, 0u);
        ASSERT_NE(doc->Source(), nullptr);
        ASSERT_NE(doc->View(), nullptr);
        EXPECT_EQ(ImgWidth(doc->Display()), c.shownW);
        EXPECT_EQ(ImgHeight(doc->Display()), c.shownH);
        SIZE client = ClientSize(doc->View());
        EXPECT_EQ(client.cx, c.shownW);
        EXPECT_EQ(client.cy, c.shownH);
        wchar_t title[64];
        GetWindowTextW(doc->View(), title, 64);
        EXPECT_EQ(std::wstring(title), std::to_wstring(c.shownW) + L"px \u00D7 " + std::to_wstring(c.shownH) + L"px");
        BITMAP info;
        ASSERT_EQ(GetObjectW(doc->Overlay().Handle(), sizeof(info), &info), int(sizeof(info)));
        EXPECT_EQ(info.bmWidth, c.shownW);
        EXPECT_EQ(info.bmHeight, c.shownH);
        // No text drawn yet: the text layers hold nothing.
        for (int layer = 0; layer < TextLayerCount; ++layer) {
            EXPECT_FALSE(doc->TextLayer(layer)) << layer;
        }
        EXPECT_TRUE(doc->Lasso().empty());
        EXPECT_EQ(doc->Anchor().x, -1);
        EXPECT_EQ(doc->Mode(), DocMode::Idle);
        CloseDocument(doc);
    }
}

TEST_F(ImageDocTest, AFileThatCannotBeLoadedLeavesNoView) {
    const std::wstring missing = dir / L"none.jpg";
    ImageDoc::Opened opened = ImageDoc::Open(missing.c_str(), 320, 320, 0, 1);
    EXPECT_FALSE(opened.doc);
    EXPECT_EQ(opened.error, uint32_t(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
    EXPECT_EQ(ImgLastError(), uint32_t(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));

    // An error nobody cleared makes a good file fail too, with that code.
    std::wstring good = WritePicture(dir, L"good.bmp", 40, 30);
    ImgFail(0x80004005);
    opened = ImageDoc::Open(good.c_str(), 0, 0, 0, 1);
    EXPECT_FALSE(opened.doc);
    EXPECT_EQ(opened.error, 0x80004005u);
    EXPECT_EQ(ImgLastError(), 0x80004005u);

    // The code is each thread's own: a failure on another thread (the view's)
    // leaves a load on this one alone.
    ImgClearError();
    std::thread([] { ImgFail(0x80004005); }).join();
    opened = ImageDoc::Open(good.c_str(), 0, 0, 0, 1);
    EXPECT_TRUE(opened.doc);
    EXPECT_EQ(ImgLastError(), 0u);
    CloseDocument(opened.doc);
}

TEST_F(ImageDocTest, SavesTheComposedFrameOnlyOnceOneWasPainted) {
    std::wstring path = WritePicture(dir, L"p.bmp", 64, 48);
    std::wstring early = dir / L"early.bmp";
    EXPECT_EQ(ImageDoc::Unviewed(8, 8)->Save(early.c_str(), 2), 0);

    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->RenderTexts(0, 1, L"", L"(c)", 0, 7, 0), 1);
    {
        // Until a paint has happened there is no frame to save.
        DocLock lock(*doc);
        if (!doc->Painted()) {
            EXPECT_EQ(doc->Save(early.c_str(), 2), 0);
            EXPECT_FALSE(testfiles::FileExists(early));
        }
    }
    PaintNow(doc->View());
    ASSERT_TRUE(doc->Painted());

    // White copyright text at the top-left pixel of its layers (away from
    // the line), drawn after the last paint: the save still carries it.
    const PixelBox box = doc->TextLayerBox(LayerCopyrightSharp);
    ASSERT_FALSE(box.Empty());
    {
        DocLock lock(*doc);
        BITMAP info;
        GetObjectW(doc->TextLayer(LayerCopyrightSharp).Handle(), sizeof(info), &info);
        BYTE* topLeft =
            doc->TextLayer(LayerCopyrightSharp).Bits() + size_t(info.bmWidthBytes) * size_t(info.bmHeight - 1);
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
    const uint8_t* topLeft = bits + ((64 * 3 + 3) & ~3) * size_t(47 - box.top) + 3 * size_t(box.left);
    EXPECT_EQ(topLeft[2], (100 + 5 * 255) / 6);       // red 100 under five parts in six of white
    EXPECT_EQ(topLeft[0], (box.left + 5 * 255) / 6);  // blue the column
    ImgFree(saved);
    CloseDocument(doc);
}

TEST_F(ImageDocTest, RebuildsToNewLimitsAndAPaintWithStaleLayersEnds) {
    std::wstring path = WritePicture(dir, L"p.bmp", 400, 300);
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    doc->SetLimits(320, 0);
    ASSERT_EQ(doc->Rebuild(1), 1);
    EXPECT_EQ(ImgWidth(doc->Display()), 320);
    EXPECT_EQ(ImgHeight(doc->Display()), 240);
    EXPECT_EQ(ClientSize(doc->View()).cx, 320);

    // The text layers still have the old size: the paint shows the picture
    // and leaves the window valid instead of asking for the next paint.
    PaintNow(doc->View());
    EXPECT_FALSE(GetUpdateRect(doc->View(), nullptr, FALSE));
    EXPECT_TRUE(gui::SaveShot(L"doc_view_320.png", doc->View()));

    // A failing resize keeps working and display as they were.
    doc->SetLimits(100000, 0);
    EXPECT_EQ(doc->Rebuild(1), 0);
    EXPECT_EQ(ImgWidth(doc->Working()), 320);
    EXPECT_EQ(ImgWidth(doc->Display()), 320);
    CloseDocument(doc);
}

TEST_F(ImageDocTest, NeverSavesThePictureWithoutItsCopyright) {
    // Saved right after a rebuild, before the layers were made anew at the
    // new size: the save makes them and the line is there.
    std::wstring path = WritePicture(dir, L"p.bmp", 400, 300);
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    ASSERT_EQ(doc->RenderTexts(0, 1, L"", L"Copyright #c BRAMWELT", 0, 15, 0), 1);
    PaintNow(doc->View());
    doc->SetLimits(320, 320);
    ASSERT_EQ(doc->Rebuild(1), 1);
    std::wstring out = dir / L"out.bmp";
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    ImgHandle saved = ImgLoadW(out.c_str());
    ASSERT_NE(saved, nullptr);
    ASSERT_EQ(ImgWidth(saved), 320);
    uint8_t* bits = nullptr;
    ImgGetPixels(saved, nullptr, &bits, nullptr);
    int whitened = 0;
    for (int y = 240 - 25; y < 240; ++y) {  // buffer rows are bottom-up: the lowest rows
        const uint8_t* row = bits + ((320 * 3 + 3) & ~3) * size_t(239 - y);
        for (int x = 160; x < 320; ++x) {
            whitened += row[x * 3 + 2] >= 200 ? 1 : 0;  // red 100 under the white line
        }
    }
    ImgFree(saved);
    EXPECT_GT(whitened, 20);
    CloseDocument(doc);
}

// Rebuilds, layer changes and saves on one thread while the view paints.
DWORD WINAPI RebuildRepeatedly(void* argument) {
    ImageDoc* doc = static_cast<ImageDoc*>(argument);
    for (int i = 0; i < 60; ++i) {
        doc->SetRotation((i % 4) * 90);
        doc->SetLimits(80 + (i * 37) % 200, i % 3 ? 0 : 150);
        doc->Rebuild(i % 2);
        if (i % 5) {
            doc->ReleaseTextLayers();
        } else {
            doc->RenderTexts(i % 2, 1, L"WM", L"(c)", 20, 15, 0);
        }
        doc->ArmSelection(i % 2 != 0);
        doc->ClearOverlay(1);
    }
    return 0;
}

TEST_F(ImageDocTest, SurvivesRebuildsFromAnotherThreadDuringPaints) {
    std::wstring path = WritePicture(dir, L"p.bmp", 300, 200);
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 320, 320, 0, 1).doc;
    ASSERT_TRUE(doc);
    HWND view = doc->View();
    ASSERT_NE(view, nullptr);
    HANDLE worker = CreateThread(nullptr, 0, RebuildRepeatedly, doc.get(), 0, nullptr);
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

const uint8_t* PixelsOf(ImgHandle image) {
    const uint8_t* bits = nullptr;
    ImgReadPixels(image, nullptr, &bits, nullptr);
    return bits;
}

TEST_F(ImageDocTest, APictureNeitherScaledNorTurnedIsHeldOnceForItsWholeChain) {
    std::wstring path = WritePicture(dir, L"p.bmp", 400, 300);
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    {
        DocLock lock(*doc);
        EXPECT_EQ(PixelsOf(doc->Working()), PixelsOf(doc->Source()));
        EXPECT_EQ(PixelsOf(doc->Display()), PixelsOf(doc->Working()));
    }
    // Turned: `working` is a picture of its own, `display` still shares it.
    doc->SetRotation(90);
    ASSERT_EQ(doc->Rebuild(1), 1);
    {
        DocLock lock(*doc);
        EXPECT_NE(PixelsOf(doc->Working()), PixelsOf(doc->Source()));
        EXPECT_EQ(PixelsOf(doc->Display()), PixelsOf(doc->Working()));
        EXPECT_EQ(ImgWidth(doc->Display()), 300);
    }
    doc->SetRotation(0);
    ASSERT_EQ(doc->Rebuild(1), 1);
    ASSERT_EQ(doc->RenderTexts(1, 1, L"WATERMARK", L"Copyright #c", 30, 15, 1), 1);
    PaintNow(doc->View());
    std::wstring out = dir / L"out.bmp";
    ASSERT_NE(doc->Save(out.c_str(), 2), 0);
    ImgHandle fresh = ImgLoadW(path.c_str());
    ASSERT_NE(fresh, nullptr);
    {
        // Neither a paint nor a save, which composes the texts into a frame
        // of its own, writes into the picture the chain shares.
        DocLock lock(*doc);
        EXPECT_EQ(PixelsOf(doc->Display()), PixelsOf(doc->Source()));
        uint32_t count = 0;
        ImgReadPixels(fresh, nullptr, nullptr, &count);
        EXPECT_EQ(std::memcmp(PixelsOf(doc->Source()), PixelsOf(fresh), count), 0);
    }
    ImgFree(fresh);
    EXPECT_NE(testfiles::ReadFileBytes(out), testfiles::ReadFileBytes(path)) << "the save carries the texts";
    CloseDocument(doc);
}

TEST_F(ImageDocTest, SavesTheShootingDataOnlyWhenAskedAndOnlyIntoAJpeg) {
    // A camera's picture: turned a quarter by its EXIF block, which also holds
    // the author, the exposure, a maker note and a position.
    ImgHandle picture = ImgCreate(64, 48);
    std::wstring plain = dir / L"plain.jpg";
    ASSERT_EQ(ImgSaveJpegW(plain.c_str(), picture, 95), 1);
    ImgFree(picture);
    cameraexif::Builder camera(false);
    std::wstring path = dir / L"camera.jpg";
    ASSERT_TRUE(testfiles::WriteFileBytes(path, camera.WithBlock(testfiles::ReadFileBytes(plain), camera.PhoneTiff())));

    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    EXPECT_EQ(ImgWidth(doc->Display()), 48) << "turned as the camera meant it";
    PaintNow(doc->View());

    std::wstring kept = dir / L"kept.jpg", bare = dir / L"bare.jpg", png = dir / L"kept.png";
    SaveOptions keep;
    keep.jpegQuality = 60;
    keep.keepShootingData = true;
    ASSERT_NE(doc->Save(kept.c_str(), 1, keep), 0);
    ASSERT_NE(doc->Save(bare.c_str(), 1), 0);
    ASSERT_NE(doc->Save(png.c_str(), 3, keep), 0);

    std::string keptBytes = testfiles::ReadFileBytes(kept);
    ExifBlock block = ReadExif(reinterpret_cast<const uint8_t*>(keptBytes.data()), keptBytes.size());
    const ExifEntry* artist = block.Find(ExifDirectory::Main, 0x013B);
    ASSERT_NE(artist, nullptr);
    EXPECT_EQ(std::string(artist->value.begin(), artist->value.end() - 1), "Taro Yamada");
    EXPECT_EQ(block.Number(ExifDirectory::Exif, 0x8827), 400);
    EXPECT_EQ(block.Number(ExifDirectory::Main, 0x0112), 1);
    EXPECT_EQ(block.Number(ExifDirectory::Main, 0x8825), -1) << "never the position";
    EXPECT_EQ(block.Find(ExifDirectory::Exif, 0x927C), nullptr) << "never the maker's data";
    EXPECT_EQ(testfiles::ReadFileBytes(bare).find("Exif"), std::string::npos) << "nothing unless asked";
    EXPECT_EQ(testfiles::ReadFileBytes(png).find("Exif"), std::string::npos);

    // The saved file opens upright: its orientation no longer turns it.
    ImgHandle reopened = ImgLoadW(kept.c_str());
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(ImgWidth(reopened), 48);
    ImgFree(reopened);

    // A file without shooting data gives a save none, even when asked.
    std::wstring bmp = WritePicture(dir, L"p.bmp", 40, 30);
    std::unique_ptr<ImageDoc> other = ImageDoc::Open(bmp.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(other);
    PaintNow(other->View());
    std::wstring fromBmp = dir / L"from-bmp.jpg";
    ASSERT_NE(other->Save(fromBmp.c_str(), 1, keep), 0);
    EXPECT_EQ(testfiles::ReadFileBytes(fromBmp).find("Exif"), std::string::npos);
    CloseDocument(other);
    CloseDocument(doc);
}

// A window that never counts as painted: its WM_PAINT leaves it invalid.
LRESULT CALLBACK UnpaintedProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_PAINT ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(ImageDocTest, APictureLoadedAheadIsTakenOnlyByTheOpenOfItsPath) {
    std::wstring named = WritePicture(dir, L"named.bmp", 40, 30);
    std::wstring other = WritePicture(dir, L"other.bmp", 20, 10);

    // Another path loads by itself and leaves the load ahead untaken.
    StartPreload(named.c_str());
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(other.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    EXPECT_EQ(ImgWidth(doc->Source()), 20);
    CloseDocument(doc);
    DiscardPreload();
    ImgHandle picture = nullptr;
    std::vector<uint8_t> shootingData;
    uint32_t error = 0;
    EXPECT_FALSE(TakePreload(named.c_str(), &picture, &shootingData, &error)) << "discarded";

    StartPreload(named.c_str());
    doc = ImageDoc::Open(named.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    EXPECT_EQ(ImgWidth(doc->Source()), 40);
    EXPECT_FALSE(TakePreload(named.c_str(), &picture, &shootingData, &error)) << "taken once";
    CloseDocument(doc);

    // The wait repaints this thread's windows, and still ends beside one that
    // never counts as painted.
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = UnpaintedProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"PreloadUnpainted";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ASSERT_NE(window, nullptr);
    std::wstring large = WritePicture(dir, L"large.bmp", 3000, 2000);
    StartPreload(large.c_str());
    InvalidateRect(window, nullptr, FALSE);
    ASSERT_TRUE(TakePreload(large.c_str(), &picture, &shootingData, &error));
    EXPECT_EQ(ImgWidth(picture), 3000);
    ImgFree(picture);
    DestroyWindow(window);

    // A load ahead that failed fails the open with its code.
    std::wstring missing = dir / L"missing.jpg";
    StartPreload(missing.c_str());
    ImageDoc::Opened opened = ImageDoc::Open(missing.c_str(), 0, 0, 0, 1);
    EXPECT_FALSE(opened.doc);
    EXPECT_EQ(opened.error, uint32_t(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)));
}

}  // namespace
