// The view's mouse work on a document made in process, where a test can go
// where a user's drag cannot be posted cheaply: a lasso longer than its buffer,
// a trimming press beside a picture smaller than its window.
#include <gtest/gtest.h>

#include <windows.h>

#include "app/ShellState.h"
#include "engine/ImageDoc.h"
#include "engine/ViewMouse.h"
#include "imaging/Image.h"
#include "support/BoxAnswerer.h"

namespace {

LPARAM At(int x, int y) {
    return MAKELPARAM(x, y);
}

// A document with pictures and a lasso buffer but no view: drawing finds no
// overlay and the main window is absent, so only the mouse state is at work.
struct LooseDoc {
    ImageDoc doc;
    LooseDoc(int width, int height) {
        doc.source = ImgCreate(width, height);
        doc.working = ImgCreate(width, height);
        doc.display = ImgCreate(width, height);
        doc.points = new POINT[kLassoCapacity];
        shellState.mainWnd = nullptr;
    }
};

TEST(ViewMouse, ALassoLongerThanItsBufferKeepsTheFirstPointsAndCloses) {
    LooseDoc loose(64, 48);
    ImageDoc& doc = loose.doc;
    doc.selectArmed = 1;
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    EXPECT_EQ(doc.lassoDrawing, 1);
    const int moves = kLassoCapacity + 500;
    for (int i = 0; i < moves; ++i) {
        HandleViewMouse(doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(i % 60, (i / 60) % 40));
    }
    EXPECT_EQ(doc.pointCount, kLassoCapacity);
    EXPECT_EQ(doc.points[kLassoCapacity - 1].x, (kLassoCapacity - 2) % 60);
    EXPECT_FALSE(AppendLassoPoint(doc, 5, 5));

    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(3, 3));
    EXPECT_EQ(doc.lassoDrawing, 0);
    EXPECT_EQ(doc.hasSelection, 1);
    EXPECT_EQ(doc.pointCount, 0);
    // Still armed: the next drag starts a new region with an empty buffer.
    EXPECT_EQ(doc.selectArmed, 1);
    EXPECT_TRUE(AppendLassoPoint(doc, 5, 5));
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
        LooseDoc loose(16, 16);
        ImageDoc& doc = loose.doc;
        ImgHandle original = doc.source;
        doc.trimArmed = 1;
        doc.ResetAnchor();
        HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(c.pressX, c.pressY));
        HandleViewMouse(doc, nullptr, WM_MOUSEMOVE, MK_LBUTTON, At(c.releaseX, c.releaseY));
        gui::BoxAnswerer answerer(IDOK);
        HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(c.releaseX, c.releaseY));
        gui::MessageBoxContent box = answerer.FinishOne();
        EXPECT_EQ(box.caption, L"エラー");
        EXPECT_EQ(box.text, c.message);
        EXPECT_EQ(doc.source, original);
        EXPECT_EQ(doc.trimmed, 0);
        EXPECT_EQ(doc.trimArmed, 0);
        EXPECT_EQ(doc.anchorX, -1);
    }
}

TEST(ViewMouse, ATrimReleasedOutsideTheWindowCutsOnlyWhatIsInside) {
    LooseDoc loose(100, 80);
    ImageDoc& doc = loose.doc;
    doc.trimArmed = 1;
    doc.keepSizeAfterTrim = 1;
    doc.ResetAnchor();
    HandleViewMouse(doc, nullptr, WM_LBUTTONDOWN, MK_LBUTTON, At(60, 50));
    // Left of and above the window a captured position is negative.
    HandleViewMouse(doc, nullptr, WM_LBUTTONUP, 0, At(-300, -20));
    EXPECT_EQ(doc.trimmed, 1);
    EXPECT_EQ(ImgWidth(doc.source), 60);
    EXPECT_EQ(ImgHeight(doc.source), 50);
    EXPECT_EQ(doc.anchorX, 0);
    EXPECT_EQ(doc.anchorY, 0);
}

}  // namespace
