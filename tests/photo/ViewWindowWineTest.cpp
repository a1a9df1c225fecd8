// The view window as the main thread meets it: sized to the picture by the
// time a document's open returns.
#include <gtest/gtest.h>

#include <windows.h>

#include <atomic>
#include <string>
#include <thread>

#include "engine/ImageDoc.h"
#include "imaging/Image_win.h"
#include "support/TestFiles.h"

namespace {

std::wstring WritePicture(const testfiles::ScratchDir& dir, const wchar_t* name, int width, int height) {
    ImgHandle image = ImgCreate(width, height);
    std::wstring path = dir / name;
    EXPECT_EQ(ImgSaveBmpW(path.c_str(), image), 1);
    ImgFree(image);
    return path;
}

void CloseDocument(ImageDoc* doc) {
    if (doc->viewWnd) {
        SendMessageW(doc->viewWnd, WM_DESTROY, 0, 0);
        WaitForSingleObject(doc->viewThread, 10000);
    }
    doc->Close();
    delete doc;
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
    CloseDocument(doc);
}

}  // namespace
