// The view window as the main thread meets it: sized to the picture by the
// time a document's open returns, and the message of a refused trim as the
// user sees it.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "TandrelTestKit.h"
#include "engine/ImageDoc_win.h"
#include "engine/ViewMouse_win.h"
#include "imaging/ImageInternal.h"
#include "imaging/Image_win.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"
#include "win/ScopedHandle.h"

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

// Hooks every thread this process starts while the flag is up (the view's
// among them; the library's workers and Wine's own may start as well), as it
// starts, long before the view's dialog is made: a TLS callback runs on every
// new thread before its routine. Only the view's thread ever initialises a
// dialog, so the hooks of the others stay idle.
std::atomic<bool> hookNewThreads{false};
constexpr int kHookRoom = 64;
std::atomic<HHOOK> threadHooks[kHookRoom];
std::atomic<int> hookCount{0};

void NTAPI HookNewThread(PVOID, DWORD reason, PVOID) {
    if (reason == DLL_THREAD_ATTACH && hookNewThreads) {
        int slot = hookCount++;
        if (slot < kHookRoom) {
            threadHooks[slot] = SetWindowsHookExW(WH_CALLWNDPROC, HoldUpFirstMove, nullptr, GetCurrentThreadId());
        }
    }
}

extern "C" __attribute__((section(".CRT$XLF"), used)) const PIMAGE_TLS_CALLBACK kHookNewThread = HookNewThread;

TEST(ViewWindow, IsSizedToThePictureByTheTimeOpenReturns) {
    // The texts are placed by the view's client area as soon as the open has
    // returned, so by then the view must have the picture's size.
    testfiles::ScratchDir dir(L"viewsize");
    std::wstring path = WritePicture(dir, L"p.bmp", 420, 310);
    initialising = false;
    heldUp = false;
    hookCount = 0;
    hookNewThreads = true;
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    hookNewThreads = false;
    ASSERT_TRUE(doc);
    RECT client = {};
    GetClientRect(doc->View(), &client);
    EXPECT_EQ(client.right, 420);
    EXPECT_EQ(client.bottom, 310);
    EXPECT_TRUE(heldUp);
    for (int i = 0; i < hookCount && i < kHookRoom; ++i) {
        if (threadHooks[i]) {
            UnhookWindowsHookEx(threadHooks[i]);
        }
    }
    tandrelkit::CloseDocument(doc);
}

TEST(ViewWindow, ARefusedTrimSaysWhyWithoutAnErrorIcon) {
    std::unique_ptr<ImageDoc> loose = ImageDoc::Unviewed(64, 48);
    ImageDoc& doc = *loose;
    doc.ArmTrim(false);

    gui::BoxAnswerer answer(IDOK);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
    gui::MessageBoxContent box = answer.FinishOne();
    EXPECT_EQ(box.caption, L"エラー");
    EXPECT_EQ(box.text, L"切り取り後のサイズが小さ過ぎます。");
    EXPECT_FALSE(box.icon);
}

TEST(ViewWindow, ACropTheLibraryCannotMakeIsReportedAndThePictureKept) {
    std::unique_ptr<ImageDoc> loose = ImageDoc::Unviewed(64, 48);
    ImageDoc& doc = *loose;
    // A working picture whose pixels are lost: the library fails on any crop.
    doc.Working()->pixels->bits.reset();
    ImgHandle source = doc.Source();
    doc.ArmTrim(false);
    ImgClearError();

    gui::BoxAnswerer answer(IDOK);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, MAKELPARAM(40, 30));
    gui::MessageBoxContent box = answer.FinishOne();
    EXPECT_EQ(box.caption, L"エラー");
    EXPECT_EQ(box.text, L"画像を切り抜けませんでした");
    EXPECT_TRUE(box.icon);
    EXPECT_EQ(doc.Source(), source);
    EXPECT_EQ(ImgWidth(doc.Working()), 64);
    EXPECT_FALSE(doc.Trimmed());
    EXPECT_EQ(doc.Anchor().x, -1);
    // Reported once: a later failure's message carries its own code.
    EXPECT_EQ(ImgLastError(), 0u);
}

TEST(ViewWindow, EndingTheViewEndsItsBoxAndTheMouseWorkLetsTheDocumentGo) {
    // The main window's close ends the view while a refused trim's box is up,
    // waits for the view thread, then deletes the document.
    testfiles::ScratchDir dir(L"viewbox");
    std::wstring path = WritePicture(dir, L"p.bmp", 64, 48);
    std::unique_ptr<ImageDoc> doc = ImageDoc::Open(path.c_str(), 0, 0, 0, 1).doc;
    ASSERT_TRUE(doc);
    HWND view = doc->View();
    ASSERT_NE(view, nullptr);
    doc->ArmTrim(false);
    ImgHandle working = doc->Working();
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(12, 12));
    HWND box = gui::WaitForMessageBox(GetCurrentProcessId());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetWindow(box, GW_OWNER), view);

    KernelHandle thread;
    DuplicateHandle(GetCurrentProcess(), doc->ViewThread(), GetCurrentProcess(), thread.Receive(), SYNCHRONIZE, FALSE,
                    0);
    std::thread closer([&] {
        // Answers the box only if the close did not end it in time.
        if (WaitForSingleObject(thread.Get(), 3000) != WAIT_OBJECT_0) {
            ADD_FAILURE() << "the box holds the view thread";
            gui::PressButton(box, IDOK);
        }
    });
    EXPECT_TRUE(doc->CloseView());
    closer.join();
    EXPECT_FALSE(IsWindow(view));
    // Nothing of the drag's end ran after the box: the document the close
    // is about to delete was left alone.
    EXPECT_EQ(doc->Anchor().x, 10);
    EXPECT_EQ(doc->Working(), working);
    doc.reset();
}

}  // namespace
