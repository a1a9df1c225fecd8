// The view window as the main thread meets it: sized to the picture by the
// time a document's open returns, and the message of a refused trim as the
// user sees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "TandrelTestKit.h"
#include "app/ShellState.h"
#include "engine/ImageDoc.h"
#include "engine/ViewMouse.h"
#include "imaging/ImageInternal.h"
#include "imaging/Image_win.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace {

std::wstring WritePicture(const testfiles::ScratchDir& dir, const wchar_t* name, int width, int height) {
    ImgHandle image = ImgCreate(width, height);
    std::wstring path = dir / name;
    EXPECT_EQ(ImgSaveBmpW(path.c_str(), image), 1);
    ImgFree(image);
    return path;
}

// Holds up the view thread in the first move of its window after its
// initialisation began: the moment when a view published too early has its
// template's size rather than the picture's.
std::atomic<bool> initialising{false};
std::atomic<bool> heldUp{false};

LRESULT CALLBACK HoldUpFirstMove(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call) {
        if (call->message == WM_INITDIALOG) {
            initialising = true;
        } else if (call->message == WM_WINDOWPOSCHANGING && initialising && !heldUp.exchange(true)) {
            Sleep(400);
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(ViewWindow, IsSizedToThePictureByTheTimeOpenReturns) {
    // The texts are placed by the view's client area as soon as the open has
    // returned, so by then the view must have the picture's size.
    testfiles::ScratchDir dir(L"viewsize");
    std::wstring path = WritePicture(dir, L"p.bmp", 420, 310);
    ImageDoc* doc = new ImageDoc;
    initialising = false;
    heldUp = false;
    HHOOK hook = nullptr;
    std::thread watcher([&] {
        // The hook goes on the view thread as soon as it exists, long before
        // its dialog is made.
        HANDLE thread = nullptr;
        for (int i = 0; i < 100000 && !thread; ++i) {
            thread = static_cast<HANDLE>(
                InterlockedCompareExchangePointer(reinterpret_cast<void**>(&doc->viewThread), nullptr, nullptr));
            if (!thread) {
                Sleep(0);
            }
        }
        if (thread) {
            hook = SetWindowsHookExW(WH_CALLWNDPROC, HoldUpFirstMove, nullptr, GetThreadId(thread));
        }
    });
    doc->Open(path.c_str(), 0, 0, 0, 1);
    watcher.join();
    ASSERT_NE(hook, nullptr);
    ASSERT_NE(doc->viewWnd, nullptr);
    RECT client = {};
    GetClientRect(doc->viewWnd, &client);
    EXPECT_EQ(client.right, 420);
    EXPECT_EQ(client.bottom, 310);
    EXPECT_TRUE(heldUp);
    UnhookWindowsHookEx(hook);
    tandrelkit::CloseDocument(doc);
}

TEST(ViewWindow, ARefusedTrimSaysWhyWithoutAnErrorIcon) {
    ImageDoc doc;
    doc.source = ImgCreate(64, 48);
    doc.working = ImgCreate(64, 48);
    doc.display = ImgCreate(64, 48);
    shellState.mainWnd = nullptr;
    doc.trimArmed = 1;
    doc.ResetAnchor();

    gui::BoxAnswerer answer(IDOK);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
    gui::MessageBoxContent box = answer.FinishOne();
    EXPECT_EQ(box.caption, L"エラー");
    EXPECT_EQ(box.text, L"切り取り後のサイズが小さ過ぎます。");
    EXPECT_FALSE(box.icon);
}

TEST(ViewWindow, ACropTheLibraryCannotMakeIsReportedAndThePictureKept) {
    ImageDoc doc;
    doc.source = ImgCreate(64, 48);
    doc.working = ImgCreate(64, 48);
    doc.display = ImgCreate(64, 48);
    // A working picture whose pixels are lost: the library fails on any crop.
    doc.working->pixels.bits.reset();
    ImgHandle source = doc.source;
    shellState.mainWnd = nullptr;
    doc.trimArmed = 1;
    doc.ResetAnchor();
    ImgClearError();

    gui::BoxAnswerer answer(IDOK);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, MAKELPARAM(40, 30));
    gui::MessageBoxContent box = answer.FinishOne();
    EXPECT_EQ(box.caption, L"エラー");
    EXPECT_EQ(box.text, L"画像を切り抜けませんでした");
    EXPECT_TRUE(box.icon);
    EXPECT_EQ(doc.source, source);
    EXPECT_EQ(ImgWidth(doc.working), 64);
    EXPECT_EQ(doc.trimmed, 0);
    EXPECT_EQ(doc.anchorX, -1);
    // Reported once: a later failure's message carries its own code.
    EXPECT_EQ(ImgLastError(), 0u);
}

TEST(ViewWindow, EndingTheViewEndsItsBoxAndTheMouseWorkLetsTheDocumentGo) {
    // The main window's close ends the view while a refused trim's box is up,
    // waits for the view thread, then deletes the document.
    testfiles::ScratchDir dir(L"viewbox");
    std::wstring path = WritePicture(dir, L"p.bmp", 64, 48);
    shellState.mainWnd = nullptr;
    ImageDoc* doc = new ImageDoc;
    doc->Open(path.c_str(), 0, 0, 0, 1);
    HWND view = doc->viewWnd;
    ASSERT_NE(view, nullptr);
    doc->trimArmed = 1;
    doc->ResetAnchor();
    ImgHandle working = doc->working;
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
    HWND box = gui::WaitForMessageBox(GetCurrentProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), view);

    SendMessageW(view, WM_DESTROY, 0, 0);
    bool ended = WaitForSingleObject(doc->viewThread, 3000) == WAIT_OBJECT_0;
    EXPECT_TRUE(ended) << "the box holds the view thread";
    if (!ended) {
        gui::PressButton(box, IDOK);
        WaitForSingleObject(doc->viewThread, 10000);
    }
    // Nothing of the drag's end ran after the box: the document the close
    // is about to delete was left alone.
    EXPECT_EQ(doc->anchorX, 10);
    EXPECT_EQ(doc->working, working);
    doc->Close();
    delete doc;
}

}  // namespace
