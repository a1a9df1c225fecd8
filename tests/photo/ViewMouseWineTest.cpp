// The view's mouse work on a document made in process, where a test can go
// where a user's drag cannot be posted cheaply: a lasso longer than its buffer,
// a trimming press beside a picture smaller than its window.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <vector>

#include "engine/ImageDoc_win.h"
#include "engine/ViewMouse_win.h"
#include "imaging/Image.h"
#include "support/BoxAnswerer.h"

namespace {

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

// A document with pictures but no view: drawing finds no window and no one
// hears its events, so only the mouse state is at work.
TEST(ViewMouse, ALassoLongerThanItsBufferKeepsTheFirstPointsAndCloses) {
    std::unique_ptr<ImageDoc> loose = ImageDoc::Unviewed(64, 48);
    ImageDoc& doc = *loose;
    doc.ArmSelection(true);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    EXPECT_EQ(doc.Mode(), DocMode::LassoDrawing);
    const int moves = kLassoCapacity + 500;
    for (int i = 0; i < moves; ++i) {
        HandleViewMouse(doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(i % 60, (i / 60) % 40));
    }
    ASSERT_EQ(doc.Lasso().size(), size_t(kLassoCapacity));
    EXPECT_EQ(doc.Lasso()[kLassoCapacity - 1].x, (kLassoCapacity - 2) % 60);
    EXPECT_FALSE(doc.AppendLassoPoint(5, 5));

    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(3, 3));
    // Closed, and still armed: the next drag starts a new region with an
    // empty buffer.
    EXPECT_EQ(doc.Mode(), DocMode::Selected);
    EXPECT_TRUE(doc.Lasso().empty());
    EXPECT_TRUE(doc.AppendLassoPoint(5, 5));
}

TEST(ViewMouse, ATrimOutsideThePictureIsRefusedAndTheSourceKept) {
    struct Case {
        int pressX, pressY, releaseX, releaseY;
        const wchar_t* message;
    } cases[] = {
        // Beside a 16 x 16 picture in a wider window: nothing of it is inside.
        {40, 2, 90, 14, L"切り取り後の幅が小さ過ぎます。"},
        {2, 40, 14, 90, L"切り取り後の高さが小さ過ぎます。"},
        {40, 40, 90, 90, L"切り取り後のサイズが小さ過ぎます。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pressX);
        std::unique_ptr<ImageDoc> loose = ImageDoc::Unviewed(16, 16);
        ImageDoc& doc = *loose;
        ImgHandle original = doc.Source();
        doc.ArmTrim(false);
        HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(c.pressX, c.pressY));
        HandleViewMouse(doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(c.releaseX, c.releaseY));
        gui::BoxAnswerer answerer(IDOK);
        HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(c.releaseX, c.releaseY));
        gui::MessageBoxContent box = answerer.FinishOne();
        EXPECT_EQ(box.caption, L"エラー");
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(doc.Source(), original);
        EXPECT_FALSE(doc.Trimmed());
        EXPECT_EQ(doc.Mode(), DocMode::Idle);
        EXPECT_EQ(doc.Anchor().x, -1);
    }
}

TEST(ViewMouse, ATrimReleasedOutsideTheWindowCutsOnlyWhatIsInside) {
    std::unique_ptr<ImageDoc> loose = ImageDoc::Unviewed(100, 80);
    ImageDoc& doc = *loose;
    doc.ArmTrim(true);
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(60, 50));
    // Left of and above the window a captured position is negative.
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(-300, -20));
    EXPECT_TRUE(doc.Trimmed());
    EXPECT_TRUE(doc.KeepSizeAfterTrim());
    EXPECT_EQ(ImgWidth(doc.Source()), 60);
    EXPECT_EQ(ImgHeight(doc.Source()), 50);
    EXPECT_EQ(doc.Anchor().x, 0);
    EXPECT_EQ(doc.Anchor().y, 0);
}

// The events of the mouse work reach the window that opened the document as
// posted messages, one for each release of the button, and nothing else of it
// is touched: the view never drives another thread's window.
TEST(ViewMouse, EachReleaseIsPostedToTheOwnerAsOneEvent) {
    HWND owner = CreateWindowExW(0, L"STATIC", L"owner", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(owner, nullptr);
    auto events = [owner] {
        std::vector<WPARAM> seen;
        MSG message;
        while (PeekMessageW(&message, owner, 0, 0, PM_REMOVE)) {
            if (message.message == kDocEventMessage) {
                seen.push_back(message.wParam);
            }
        }
        return seen;
    };
    std::unique_ptr<ImageDoc> doc = ImageDoc::Unviewed(100, 80, owner);

    // A click with nothing armed.
    HandleViewMouse(*doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    HandleViewMouse(*doc, nullptr, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_EQ(events(), std::vector<WPARAM>{DocEventMouseReleased});

    // A lasso: moves post nothing, the release closes the region.
    doc->ArmSelection(true);
    HandleViewMouse(*doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    HandleViewMouse(*doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(50, 10));
    HandleViewMouse(*doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(50, 50));
    EXPECT_TRUE(events().empty());
    HandleViewMouse(*doc, nullptr, WM_LBUTTONUP, 0, At(10, 50));
    EXPECT_EQ(events(), std::vector<WPARAM>{DocEventLassoClosed});
    EXPECT_TRUE(doc->HasSelection());

    // A trim, cut: the owner rebuilds; the document holds the cut-out.
    doc->ArmSelection(false);
    doc->ArmTrim(false);
    HandleViewMouse(*doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(10, 10));
    HandleViewMouse(*doc, nullptr, WM_LBUTTONUP, 0, At(60, 40));
    EXPECT_EQ(events(), std::vector<WPARAM>{DocEventTrimEnded});
    EXPECT_TRUE(doc->Trimmed());
    EXPECT_EQ(doc->Mode(), DocMode::Idle);
    EXPECT_EQ(ImgWidth(doc->Source()), 50);
    DestroyWindow(owner);
}

}  // namespace
