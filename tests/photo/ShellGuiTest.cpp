// Tandrel.exe driven as a user drives it: the main window's controls, files
// named on the command line or dropped, trimming and lasso drags in the view,
// saving, and what lands in TDR.ini.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <functional>
#include <string>
#include <vector>

#include "TandrelTestKit.h"
#include "TestPictures.h"
#include "engine/TrimGeometry.h"
#include "engine/ViewFit.h"
#include "resources/resource.h"
#include "support/FileDrop.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

using testpictures::Picture;
using testpictures::Rgb;

namespace {

using tandrelkit::kDialogClass;
using tandrelkit::kMainTitle;
using tandrelkit::ReadSetting;
using tandrelkit::ReadSettingText;
using tandrelkit::SliderPosition;
using tandrelkit::ViewTitle;

std::wstring Quoted(const std::wstring& path) {
    return L"\"" + path + L"\"";
}

// Posts a press at the first point, moves through the others and a release at
// the last, as a hand drawing a free-hand outline.
void DrawOutline(HWND view, const std::vector<POINT>& points) {
    gui::PostMouse(view, WM_MOUSEMOVE, points.front().x, points.front().y, 0);
    gui::PostMouse(view, WM_LBUTTONDOWN, points.front().x, points.front().y, MK_LBUTTON);
    for (size_t i = 1; i < points.size(); ++i) {
        POINT from = points[i - 1];
        POINT to = points[i];
        for (int step = 1; step <= 10; ++step) {
            gui::PostMouse(view, WM_MOUSEMOVE, from.x + (to.x - from.x) * step / 10,
                           from.y + (to.y - from.y) * step / 10, MK_LBUTTON);
        }
    }
    gui::PostMouse(view, WM_LBUTTONUP, points.back().x, points.back().y, 0);
}

// An outline round `region`, ended a pixel below where it began.
void DrawRectangle(HWND view, const RECT& region) {
    DrawOutline(view, {{region.left, region.top},
                       {region.right, region.top},
                       {region.right, region.bottom},
                       {region.left, region.bottom},
                       {region.left, region.top + 1}});
}

// Answers a message box and waits until it is gone, so that the next box
// looked for is not this one.
void Answer(HWND box, int button) {
    gui::PressButton(box, button);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(box); }));
}

// The colour on screen at a point of `window`'s client area.
Rgb ScreenColour(HWND window, int x, int y) {
    POINT point = {x, y};
    ClientToScreen(window, &point);
    HDC screen = GetDC(nullptr);
    COLORREF colour = GetPixel(screen, point.x, point.y);
    ReleaseDC(nullptr, screen);
    Rgb rgb;
    rgb.r = GetRValue(colour);
    rgb.g = GetGValue(colour);
    rgb.b = GetBValue(colour);
    return rgb;
}

// A colour that tells positions apart across a large picture: low bytes of x
// and y, and their high bits.
Rgb WideColour(int x, int y) {
    Rgb rgb;
    rgb.r = uint8_t(x);
    rgb.g = uint8_t(y);
    rgb.b = uint8_t(((x >> 8) & 15) | ((y >> 8) << 4));
    return rgb;
}

class ShellGui : public tandrelkit::TandrelGui {
protected:
    std::wstring WritePicture(const std::wstring& name,
                              int width,
                              int height,
                              const std::function<Rgb(int, int)>& colour = testpictures::PositionColour) {
        std::wstring path = work_ / name;
        picture_ = testpictures::MakePicture(width, height, colour);
        EXPECT_TRUE(testpictures::WriteBmp(path, picture_));
        return path;
    }

    // Starts on `picture` and waits for its view.
    void StartOn(const std::wstring& picture, int width, int height) {
        Start(Quoted(picture));
        view_ = WaitForView(width, height);
        ASSERT_NE(view_, nullptr) << "no view titled " << testfiles::ToUtf8(ViewTitle(width, height));
        ASSERT_TRUE(WaitForPictureOpened());
    }

    void Shot(const wchar_t* name, HWND window) { gui::SaveShot(name, window, 200); }

    // Starts on a picture larger than the screen and waits for its view,
    // shown scaled: the scale the view draws it at.
    ViewScale StartFitted(const std::wstring& picture, int width, int height) {
        Start(Quoted(picture));
        const std::wstring prefix = ViewTitle(width, height) + L" (";
        view_ = gui::WaitForWindowPrefix(tandrel_.Id(), kDialogClass, prefix.c_str(), 30000);
        EXPECT_NE(view_, nullptr) << "no view titled " << testfiles::ToUtf8(prefix);
        if (!view_ || !WaitForPictureOpened()) {
            ADD_FAILURE() << "the main window did not end the load";
            return ViewScale{};
        }
        RECT client = {};
        GetClientRect(view_, &client);
        return ViewScale{width, height, int(client.right), int(client.bottom)};
    }

    Picture picture_;
    HWND view_ = nullptr;
};

TEST_F(ShellGui, FirstStartShowsTheDefaultsWithLoadDependentControlsDisabled) {
    Start(L"");
    EXPECT_EQ(gui::ControlText(main_, IDC_WATERMARK_SIZE_LABEL), L"文字サイズ:30");
    EXPECT_EQ(gui::ControlText(main_, IDC_COPYRIGHT_SIZE_LABEL), L"文字サイズ:15");
    EXPECT_EQ(gui::ControlText(main_, IDC_EFFECT_SIZE_LABEL), L"サイズ:10");
    EXPECT_EQ(SliderPosition(main_, IDC_WATERMARK_SIZE), 30);
    EXPECT_EQ(SliderPosition(main_, IDC_COPYRIGHT_SIZE), 15);
    EXPECT_EQ(SliderPosition(main_, IDC_EFFECT_SIZE), 10);

    struct Check {
        int id;
        int state;
    } checks[] = {
        {IDC_SIZE_NONE, BST_CHECKED},    {IDC_SIZE_SMALL, BST_UNCHECKED},   {IDC_SIZE_DESKTOP, BST_UNCHECKED},
        {IDC_ROTATE_NONE, BST_CHECKED},  {IDC_ROTATE_RIGHT, BST_UNCHECKED}, {IDC_WATERMARK_ON, BST_UNCHECKED},
        {IDC_COPYRIGHT_ON, BST_CHECKED},
    };
    for (const Check& check : checks) {
        EXPECT_EQ(gui::CheckState(main_, check.id), check.state) << check.id;
    }
    EXPECT_EQ(gui::ControlText(main_, IDC_WATERMARK_TEXT), L"複製禁止");
    EXPECT_EQ(gui::ControlText(main_, IDC_COPYRIGHT_TEXT), L"Copyright #c 2007 BRAMWELT");
    EXPECT_EQ(gui::ControlText(main_, IDC_SIZE_SMALL), L"小(160px)");
    EXPECT_EQ(gui::ControlText(main_, IDC_SIZE_MIDDLE), L"中(320px)");
    EXPECT_EQ(gui::ControlText(main_, IDC_SIZE_LARGE), L"大(500px)");
    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_STATUS), L"読み込むファイルを指定してください");

    for (int id : {IDC_OUTPUT_NAME, IDC_INPUT_PATH, IDC_APPLY_MOSAIC, IDC_APPLY_BLUR, IDC_SELECT_REGION,
                   IDC_SAVE_AND_CLOSE, IDC_TRIM, IDC_CLOSE_FILE, IDC_OUTPUT_FORMAT, IDC_REMOVE_EFFECTS}) {
        EXPECT_FALSE(gui::IsControlEnabled(main_, id)) << id;
    }
    for (int id : {IDC_BROWSE, IDC_WATERMARK_ON, IDC_COPYRIGHT_ON, IDC_SETTINGS, IDC_SIZE_NONE, IDC_SIZE_DESKTOP,
                   IDC_WATERMARK_TEXT, IDC_COPYRIGHT_TEXT, IDC_WATERMARK_SIZE, IDC_COPYRIGHT_SIZE, IDC_EFFECT_SIZE,
                   IDC_ROTATE_NONE, IDC_ROTATE_180, IDC_SHOW_HELP, IDC_SAVE_AND_EXIT, IDC_EXIT, IDC_COPYRIGHT_C,
                   IDC_WATERMARK_TM}) {
        EXPECT_TRUE(gui::IsControlEnabled(main_, id)) << id;
    }
    EXPECT_EQ(gui::SendToControl(main_, IDC_OUTPUT_FORMAT, CB_GETCOUNT), 4);
    EXPECT_EQ(gui::SendToControl(main_, IDC_OUTPUT_FORMAT, CB_GETCURSEL), CB_ERR);
    EXPECT_TRUE(GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);

    // One tooltip window, with a tip for each of the 30 controls of the table
    // that the main window holds.
    HWND tips = gui::WaitForWindow(tandrel_.Id(), L"tooltips_class32", nullptr, 500);
    if (!tips) {
        // Tooltip windows stay hidden until a tip shows; look for hidden ones.
        tips = FindWindowExW(nullptr, nullptr, L"tooltips_class32", nullptr);
        while (tips) {
            DWORD pid = 0;
            GetWindowThreadProcessId(tips, &pid);
            if (pid == tandrel_.Id()) {
                break;
            }
            tips = FindWindowExW(nullptr, tips, L"tooltips_class32", nullptr);
        }
    }
    ASSERT_NE(tips, nullptr);
    DWORD_PTR tools = 0;
    SendMessageTimeoutW(tips, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &tools);
    EXPECT_EQ(tools, 30u);

    Shot(L"tandrel-main-first-start.png", main_);
    CloseMain();
    // Closing writes every choice, the first key first.
    EXPECT_EQ(ReadSetting(L"SAVE_SETTINGS"), 1);
    EXPECT_EQ(ReadSetting(L"FALLSCREEN"), 30);
}

TEST_F(ShellGui, StoredSettingsShapeTheControls) {
    WriteSettings("ZOOMSIZESMALL=200\r\nFALLSCREEN=500\r\nZOOM=7\r\nROTATION=2\r\nCALLSCREEN=1\r\nCUNDERRIGHT=0\r\n");
    Start(L"");
    EXPECT_EQ(gui::ControlText(main_, IDC_SIZE_SMALL), L"小(200px)");
    // Out of the slider's range: read as the default.
    EXPECT_EQ(SliderPosition(main_, IDC_WATERMARK_SIZE), 30);
    EXPECT_EQ(gui::ControlText(main_, IDC_WATERMARK_SIZE_LABEL), L"文字サイズ:30");
    EXPECT_EQ(gui::CheckState(main_, IDC_SIZE_NONE), BST_CHECKED);  // ZOOM 7 reads as none
    EXPECT_EQ(gui::CheckState(main_, IDC_ROTATE_LEFT), BST_CHECKED);
    EXPECT_EQ(gui::CheckState(main_, IDC_WATERMARK_ON), BST_CHECKED);
    EXPECT_EQ(gui::CheckState(main_, IDC_COPYRIGHT_ON), BST_UNCHECKED);
    CloseMain();
}

TEST_F(ShellGui, LoadWithPresetMiddleScalesTheLongerSideAndFillsTheOutputName) {
    WriteSettings("ZOOM=2\r\n");
    std::wstring input = WritePicture(L"beach.bmp", 400, 300);
    StartOn(input, 320, 240);

    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_STATUS), L"ファイルが読み込まれました");
    EXPECT_EQ(gui::ControlText(main_, IDC_OUTPUT_HINT), L"画像の出力ファイル名を変更できます");
    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_PATH), input);
    EXPECT_EQ(gui::ControlText(main_, IDC_OUTPUT_NAME), L"beach_tdr");
    EXPECT_EQ(gui::SendToControl(main_, IDC_OUTPUT_FORMAT, CB_GETCURSEL), 1);  // bmp
    EXPECT_EQ(gui::CheckState(main_, IDC_SIZE_MIDDLE), BST_CHECKED);
    for (int id :
         {IDC_OUTPUT_NAME, IDC_SELECT_REGION, IDC_SAVE_AND_CLOSE, IDC_TRIM, IDC_CLOSE_FILE, IDC_OUTPUT_FORMAT}) {
        EXPECT_TRUE(gui::IsControlEnabled(main_, id)) << id;
    }
    for (int id : {IDC_BROWSE, IDC_INPUT_PATH, IDC_APPLY_MOSAIC, IDC_APPLY_BLUR}) {
        EXPECT_FALSE(gui::IsControlEnabled(main_, id)) << id;
    }
    EXPECT_FALSE(GetWindowLongPtrW(main_, GWL_EXSTYLE) & WS_EX_ACCEPTFILES);
    RECT client = {};
    GetClientRect(view_, &client);
    EXPECT_EQ(client.right, 320);
    EXPECT_EQ(client.bottom, 240);

    Shot(L"tandrel-main-loaded.png", main_);
    Shot(L"tandrel-view.png", view_);

    // A size chosen afterwards fits the longer side too, as at load.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_SMALL));
    EXPECT_NE(WaitForView(160, 120), nullptr);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_ROTATE_RIGHT));
    EXPECT_NE(WaitForView(120, 160), nullptr);
    // The checked preset chosen again changes nothing.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_SMALL));
    gui::Sync(view_);
    GetClientRect(view_, &client);
    EXPECT_EQ(client.right, 120);
    EXPECT_EQ(client.bottom, 160);
    // A portrait picture: its height is fitted.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_MIDDLE));
    EXPECT_NE(WaitForView(240, 320), nullptr);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_SMALL));
    EXPECT_NE(WaitForView(120, 160), nullptr);

    CloseMain();
    EXPECT_FALSE(testfiles::FileExists(work_ / L"beach_tdr.bmp"));
    EXPECT_EQ(ReadSetting(L"ZOOM"), 1);
    EXPECT_EQ(ReadSetting(L"ROTATION"), 1);
}

TEST_F(ShellGui, ADroppedFileLoadsOnceAndAnUnreadableOneLeavesTheWindowEmpty) {
    std::wstring bad = work_ / L"broken.jpg";
    ASSERT_TRUE(testfiles::WriteFileBytes(bad, "this is no picture"));
    std::wstring first = WritePicture(L"first.bmp", 120, 90);
    std::wstring second = WritePicture(L"second.bmp", 60, 40);
    // Named on the command line, then dropped: each time the window is left
    // as it was before, asking for a file.
    Start(Quoted(bad));
    for (int attempt = 0; attempt < 2; ++attempt) {
        SCOPED_TRACE(attempt == 0 ? "command line" : "dropped");
        if (attempt == 1) {
            ASSERT_TRUE(gui::DropFiles(main_, {bad}));
        }
        gui::MessageBoxContent box = gui::AnswerMessageBox(tandrel_.Id(), IDOK);
        EXPECT_EQ(box.caption, L"エラー");
        EXPECT_EQ(box.text, L"ファイルが読み込めません\nファイルの形式を確認してください");
        gui::Sync(main_);
        EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_STATUS), L"読み込むファイルを指定してください");
        EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_PATH), L"");
        EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_BROWSE));
        EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_SELECT_REGION));
    }

    // Still accepting drops; of two files only the first loads.
    ASSERT_TRUE(gui::DropFiles(main_, {first, second}));
    view_ = WaitForView(120, 90);
    ASSERT_NE(view_, nullptr);
    // The view shows before the main window has finished the load (it
    // answers sent messages while it waits for the view): wait for the path,
    // then for the rest of the load.
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::ControlText(main_, IDC_INPUT_PATH) == first; }, 5000));
    gui::Sync(main_);
    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_PATH), first);

    // Once a picture is loaded the window takes no more drops.
    EXPECT_FALSE(gui::DropFiles(main_, {second}));
    // Even a drop message that reaches it changes nothing. A click posted
    // after it marks when it has been handled: posted messages of one thread
    // are taken in order.
    PostMessageW(main_, WM_DROPFILES, 0, 0);
    PostMessageW(GetDlgItem(main_, IDC_WATERMARK_ON), BM_CLICK, 0, 0);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::CheckState(main_, IDC_WATERMARK_ON) == BST_CHECKED; }));
    EXPECT_EQ(WaitForView(60, 40, 0), nullptr);
    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_PATH), first);

    CloseMain();
}

TEST_F(ShellGui, TrimDragCutsTheRectangleAndCancellingBringsThePictureBack) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"trim.bmp", 200, 150);
    StartOn(input, 200, 150);

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    EXPECT_EQ(gui::ControlText(main_, IDC_TRIM), L"トリミング範囲をマウスで指定してください");
    for (int id : {IDC_SIZE_NONE, IDC_SIZE_DESKTOP, IDC_ROTATE_NONE, IDC_ROTATE_180, IDC_SELECT_REGION}) {
        EXPECT_FALSE(gui::IsControlEnabled(main_, id)) << id;
    }
    Shot(L"tandrel-view-trim-armed.png", view_);

    gui::Drag(view_, {50, 40}, {10, 100});
    HWND trimmed = WaitForView(40, 60);
    ASSERT_NE(trimmed, nullptr);
    // The view gives the buttons back once it has redrawn the cut-out.
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::IsControlEnabled(main_, IDC_SIZE_NONE); }));
    EXPECT_EQ(gui::ControlText(main_, IDC_TRIM), L"トリミング取り消し");
    EXPECT_EQ(gui::CheckState(main_, IDC_TRIM), BST_UNCHECKED);
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_SELECT_REGION));
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_SIZE_NONE));
    EXPECT_EQ(gui::CheckState(main_, IDC_ROTATE_NONE), BST_CHECKED);

    // The cut-out is saved as it is shown.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(work_ / L"trim_tdr.bmp", &saved));
    ASSERT_EQ(saved.width, 40);
    ASSERT_EQ(saved.height, 60);
    for (int y = 0; y < 60; y += 7) {
        for (int x = 0; x < 40; x += 3) {
            ASSERT_EQ(saved.At(x, y), picture_.At(10 + x, 40 + y)) << x << "," << y;
        }
    }
}

TEST_F(ShellGui, ACrosshairAndThenARubberBandFollowTheMouseWhileTrimming) {
    const Rgb grey = {50, 50, 50};
    // The outline colour (red 100, green 30, blue 30) is added to the picture.
    const Rgb tinted = {150, 80, 80};
    std::wstring input = WritePicture(L"grey.bmp", 200, 150, [&](int, int) { return grey; });
    WriteSettings("CUNDERRIGHT=0\r\n");
    StartOn(input, 200, 150);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));

    gui::PostMouse(view_, WM_MOUSEMOVE, 100, 60, 0);
    // Lines through the pointer across the whole picture.
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 100, 5) == tinted; }, 5000));
    EXPECT_EQ(ScreenColour(view_, 100, 140), tinted);
    EXPECT_EQ(ScreenColour(view_, 5, 60), tinted);
    EXPECT_EQ(ScreenColour(view_, 190, 60), tinted);
    EXPECT_EQ(ScreenColour(view_, 30, 30), grey);
    Shot(L"tandrel-view-crosshair.png", view_);

    gui::PostMouse(view_, WM_LBUTTONDOWN, 40, 30, MK_LBUTTON);
    gui::PostMouse(view_, WM_MOUSEMOVE, 120, 90, MK_LBUTTON);
    // The rectangle from the press to the pointer, and no crosshair any more.
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 80, 30) == tinted; }, 5000));
    EXPECT_EQ(ScreenColour(view_, 40, 60), tinted);
    EXPECT_EQ(ScreenColour(view_, 119, 60), tinted);
    EXPECT_EQ(ScreenColour(view_, 80, 89), tinted);
    EXPECT_EQ(ScreenColour(view_, 80, 60), grey);
    EXPECT_EQ(ScreenColour(view_, 100, 5), grey);
    Shot(L"tandrel-view-rubber-band.png", view_);

    gui::PostMouse(view_, WM_LBUTTONUP, 120, 90, 0);
    EXPECT_NE(WaitForView(80, 60), nullptr);
    CloseMain();
}

TEST_F(ShellGui, ATrimResetsTheSizeUnlessTheSettingKeepsIt) {
    struct Case {
        const char* settings;
        int checkedSize;
        int width, height;  // of the 100 x 80 cut-out as then shown
    } cases[] = {
        {"ZOOM=2\r\nTRIMSAVESIZE=0\r\nROTATION=3\r\n", IDC_SIZE_NONE, 100, 80},
        // Kept: the middle size fits the cut-out into 320 x 320 again.
        {"ZOOM=2\r\nTRIMSAVESIZE=1\r\nROTATION=3\r\n", IDC_SIZE_MIDDLE, 320, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.settings);
        WriteSettings(c.settings);
        std::wstring input = WritePicture(L"keep.bmp", 400, 300);
        StartOn(input, 320, 240);
        EXPECT_EQ(gui::CheckState(main_, IDC_ROTATE_180), BST_CHECKED);
        ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
        gui::Drag(view_, {10, 10}, {110, 90});
        EXPECT_NE(WaitForView(c.width, c.height), nullptr);
        EXPECT_TRUE(gui::WaitUntil([&] { return gui::IsControlEnabled(main_, IDC_SIZE_NONE); }));
        EXPECT_EQ(gui::CheckState(main_, c.checkedSize), BST_CHECKED);
        EXPECT_EQ(gui::CheckState(main_, IDC_ROTATE_NONE), BST_CHECKED);
        EXPECT_EQ(gui::CheckState(main_, IDC_ROTATE_180), BST_UNCHECKED);
        CloseMain();
    }
}

TEST_F(ShellGui, CancellingATrimReloadsTheWholePicture) {
    std::wstring input = WritePicture(L"whole.bmp", 200, 150);
    StartOn(input, 200, 150);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    gui::Drag(view_, {20, 20}, {120, 100});
    ASSERT_NE(WaitForView(100, 80), nullptr);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    EXPECT_NE(WaitForView(200, 150), nullptr);
    EXPECT_EQ(gui::ControlText(main_, IDC_TRIM), L"トリミング開始");
    EXPECT_EQ(gui::CheckState(main_, IDC_TRIM), BST_UNCHECKED);
    CloseMain();
}

TEST_F(ShellGui, TrimDragsAreClippedToThePictureAndTooSmallOnesRefused) {
    std::wstring input = WritePicture(L"small.bmp", 200, 150);
    StartOn(input, 200, 150);

    struct Case {
        POINT from;
        POINT to;
        const wchar_t* message;  // null: accepted
    } cases[] = {
        {{20, 20}, {23, 70}, L"切り取り後の幅が小さ過ぎます。"},
        {{20, 20}, {70, 23}, L"切り取り後の高さが小さ過ぎます。"},
        {{20, 20}, {22, 22}, L"切り取り後のサイズが小さ過ぎます。"},
        // Released far beyond the lower right: stops at the picture's edge.
        {{150, 110}, {2000, 3000}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.from.x << "," << c.from.y << " -> " << c.to.x << "," << c.to.y);
        ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
        gui::Drag(view_, c.from, c.to);
        if (c.message) {
            gui::MessageBoxContent box = gui::AnswerMessageBox(tandrel_.Id(), IDOK);
            EXPECT_EQ(box.caption, L"エラー");
            EXPECT_EQ(box.text, c.message);
            // The view tells the main window once the box is answered.
            EXPECT_TRUE(gui::WaitUntil([&] { return gui::CheckState(main_, IDC_TRIM) == BST_UNCHECKED; }));
            EXPECT_EQ(gui::ControlText(main_, IDC_TRIM), L"トリミング開始");
            EXPECT_EQ(gui::WindowText(view_), ViewTitle(200, 150));
        } else {
            EXPECT_NE(WaitForView(50, 40), nullptr);
        }
    }

    // Pressed once more, the button cancels the trim; then released beyond the
    // upper left of the picture.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    ASSERT_NE(WaitForView(200, 150), nullptr);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    gui::Drag(view_, {30, 25}, {-500, -700});
    EXPECT_NE(WaitForView(30, 25), nullptr);

    CloseMain();
}

TEST_F(ShellGui, LassoThenMosaicSavesBlocksInsideAndTheOriginalOutside) {
    std::wstring input = WritePicture(L"face.bmp", 320, 240);
    StartOn(input, 320, 240);

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    EXPECT_EQ(gui::ControlText(main_, IDC_SELECT_REGION), L"ウィンドウ内ドラッグして範囲を確定");
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_TRIM));
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS));

    const RECT region = {40, 40, 140, 120};
    DrawRectangle(view_, region);
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    EXPECT_EQ(gui::CheckState(main_, IDC_SELECT_REGION), BST_UNCHECKED);
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_APPLY_MOSAIC));
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_APPLY_BLUR));
    Shot(L"tandrel-view-lasso.png", view_);

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_APPLY_MOSAIC));
    EXPECT_EQ(gui::ControlText(main_, IDC_SELECT_REGION), L"選択範囲設定");
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_APPLY_MOSAIC));
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_TRIM));
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS));
    Shot(L"tandrel-view-mosaic.png", view_);

    // Saved at once: what is saved is the picture with the mosaic.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(work_ / L"face_tdr.bmp", &saved));
    ASSERT_EQ(saved.width, 320);
    ASSERT_EQ(saved.height, 240);

    const int n = 10;  // EFFECTSIZE default
    const int h = saved.height;
    int inside = 0;
    int outside = 0;
    for (int y = 0; y < h - 40; ++y) {  // the copyright line lies in the bottom rows
        for (int x = 0; x < saved.width; ++x) {
            bool deepInside =
                x > region.left + 2 && x < region.right - 2 && y > region.top + 2 && y < region.bottom - 2;
            bool farOutside =
                x < region.left - 2 || x > region.right + 2 || y < region.top - 2 || y > region.bottom + 2;
            if (deepInside) {
                // Blocks of n x n from the first pixel of the (bottom-up) buffer,
                // each the colour of its first pixel in the unchanged picture.
                int bufferRow = h - 1 - y;
                int sourceRow = h - 1 - (bufferRow / n) * n;
                Rgb expected = picture_.At((x / n) * n, sourceRow);
                ASSERT_EQ(saved.At(x, y), expected)
                    << "inside at " << x << "," << y << ": " << testpictures::Describe(saved.At(x, y));
                ++inside;
            } else if (farOutside) {
                ASSERT_EQ(saved.At(x, y), picture_.At(x, y)) << "outside at " << x << "," << y;
                ++outside;
            }
        }
    }
    EXPECT_GT(inside, 6000);
    EXPECT_GT(outside, 40000);
}

TEST_F(ShellGui, RemovingEffectsAndReleasingASelectionLeaveThePictureAsLoaded) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"undo.bmp", 160, 120);
    StartOn(input, 160, 120);
    const std::vector<POINT> outline = {{20, 20}, {100, 20}, {100, 90}, {20, 90}, {20, 21}};

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    DrawOutline(view_, outline);
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_APPLY_BLUR));  // blur
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS));
    // A second region being drawn: the blur can still be removed.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_REMOVE_EFFECTS));  // and take it back
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS));

    // A second region, released through the button instead of used.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    DrawOutline(view_, outline);
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    EXPECT_EQ(gui::ControlText(main_, IDC_SELECT_REGION), L"選択範囲設定");
    EXPECT_EQ(gui::CheckState(main_, IDC_SELECT_REGION), BST_UNCHECKED);
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_APPLY_MOSAIC));
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_APPLY_BLUR));
    EXPECT_FALSE(gui::IsControlEnabled(main_, IDC_REMOVE_EFFECTS)) << "no effect left to remove";
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_TRIM));

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(work_ / L"undo_tdr.bmp", &saved));
    ASSERT_EQ(saved.width, 160);
    ASSERT_EQ(saved.height, 120);
    EXPECT_TRUE(saved.pixels == picture_.pixels) << "neither blur nor selection tint may remain";
}

TEST_F(ShellGui, DesktopSizeOnlyShrinksButARotationAfterItEnlargesToTheDesktop) {
    std::wstring input = WritePicture(L"desk.bmp", 400, 300);
    StartOn(input, 400, 300);
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    const std::wstring boxHeight = L"× " + std::to_wstring(desktop.right - 30) + L"px";

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_DESKTOP));
    gui::Sync(view_);
    EXPECT_EQ(gui::WindowText(view_), ViewTitle(400, 300));
    // Scaled to the desktop's width first, then turned: the width becomes the
    // height (taller than the view's room, so the title gives the scale too).
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_ROTATE_LEFT));
    EXPECT_TRUE(gui::WaitUntil([&] {
        std::wstring title = gui::WindowText(view_);
        return title.find(boxHeight) != std::wstring::npos;
    })) << testfiles::ToUtf8(gui::WindowText(view_));
    CloseMain();
    EXPECT_EQ(ReadSetting(L"ZOOM"), 4);
    EXPECT_EQ(ReadSetting(L"ROTATION"), 2);
}

TEST_F(ShellGui, ALargePictureOpensFittedBesideTheMainWindowAndATrimCutsTheMappedRectangle) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"large.bmp", 4000, 3000, WideColour);
    const ViewScale scale = StartFitted(input, 4000, 3000);
    ASSERT_NE(view_, nullptr);

    // Within the work area of its screen, beside the main window, drawn at
    // the scale its title gives.
    RECT window = {}, main = {}, overlap = {};
    GetWindowRect(view_, &window);
    GetWindowRect(main_, &main);
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    ASSERT_TRUE(GetMonitorInfoW(MonitorFromWindow(view_, MONITOR_DEFAULTTONEAREST), &monitor));
    EXPECT_GE(window.left, monitor.rcWork.left);
    EXPECT_GE(window.top, monitor.rcWork.top);
    EXPECT_LE(window.right, monitor.rcWork.right);
    EXPECT_LE(window.bottom, monitor.rcWork.bottom);
    EXPECT_FALSE(IntersectRect(&overlap, &window, &main)) << "the view covers the main window";
    EXPECT_TRUE(scale.Scaled());
    EXPECT_NEAR(scale.shownWidth * 3000 / 4000, scale.shownHeight, 1) << "the aspect is kept";
    const std::wstring percent = L"(" + std::to_wstring(ScalePercent(scale)) + L"%)";
    EXPECT_EQ(gui::WindowText(view_), ViewTitle(4000, 3000) + L" " + percent);
    Shot(L"tandrel-view-fitted.png", nullptr);

    // A drag on the scaled view cuts the part of the picture drawn there.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    const POINT from = {250, 190}, to = {51, 43};
    gui::Drag(view_, from, to);
    const ViewPoint a = ToPicture(scale, {int(from.x), int(from.y)});
    const ViewPoint b = ToPicture(scale, {int(to.x), int(to.y)});
    TrimRect cut = {};
    ASSERT_EQ(JudgeTrim(a.x, a.y, b.x, b.y, 4000, 3000, &cut), TrimVerdict::Accepted);
    ASSERT_NE(WaitForView(cut.width, cut.height, 30000), nullptr)
        << cut.width << " x " << cut.height << ", titled " << testfiles::ToUtf8(gui::WindowText(view_));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsControlEnabled(main_, IDC_SIZE_NONE); }));

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT, 30000));
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(work_ / L"large_tdr.bmp", &saved));
    ASSERT_EQ(saved.width, cut.width);
    ASSERT_EQ(saved.height, cut.height);
    for (int y = 0; y < cut.height; ++y) {
        for (int x = 0; x < cut.width; ++x) {
            ASSERT_EQ(saved.At(x, y), picture_.At(cut.x + x, cut.y + y)) << x << "," << y;
        }
    }
}

TEST_F(ShellGui, ALassoOnTheFittedViewMosaicsTheMappedRegionOfThePicture) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"wide.bmp", 2400, 1800, WideColour);
    const ViewScale scale = StartFitted(input, 2400, 1800);
    ASSERT_NE(view_, nullptr);

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    const RECT region = {60, 50, 260, 210};  // in the view
    DrawRectangle(view_, region);
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    Shot(L"tandrel-view-fitted-lasso.png", view_);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_APPLY_MOSAIC, 30000));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT, 30000));
    ExpectExit();

    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(work_ / L"wide_tdr.bmp", &saved));
    ASSERT_EQ(saved.width, 2400);
    ASSERT_EQ(saved.height, 1800);
    // The region on the picture: its corners mapped, edges one drawn pixel
    // wide either way.
    const ViewPoint topLeft = ToPicture(scale, {int(region.left), int(region.top)});
    const ViewPoint bottomRight = ToPicture(scale, {int(region.right), int(region.bottom)});
    const int edge = 2400 / scale.shownWidth + 2;
    const int n = 10;  // EFFECTSIZE default
    const int h = saved.height;
    int inside = 0, outside = 0;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < saved.width; ++x) {
            bool deepInside =
                x > topLeft.x + edge && x < bottomRight.x - edge && y > topLeft.y + edge && y < bottomRight.y - edge;
            bool farOutside =
                x < topLeft.x - edge || x > bottomRight.x + edge || y < topLeft.y - edge || y > bottomRight.y + edge;
            if (deepInside) {
                int bufferRow = h - 1 - y;
                int sourceRow = h - 1 - (bufferRow / n) * n;
                ASSERT_EQ(saved.At(x, y), picture_.At((x / n) * n, sourceRow)) << "inside at " << x << "," << y;
                ++inside;
            } else if (farOutside) {
                ASSERT_EQ(saved.At(x, y), picture_.At(x, y)) << "outside at " << x << "," << y;
                ++outside;
            }
        }
    }
    EXPECT_GT(inside, (bottomRight.x - topLeft.x - 2 * edge) * (bottomRight.y - topLeft.y - 2 * edge) / 2);
    EXPECT_GT(outside, 2400 * 1800 / 2);
}

TEST_F(ShellGui, TheScaleKeyAndMenuSwitchToOneHundredPercentWhereTheWheelScrolls) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"scroll.bmp", 2400, 1800, WideColour);
    const ViewScale fitted = StartFitted(input, 2400, 1800);
    ASSERT_NE(view_, nullptr);
    const std::wstring fittedTitle = gui::WindowText(view_);

    // The key: 100%, the picture's own pixels from its top-left corner.
    gui::PostKey(view_, 'Z');
    const std::wstring actualTitle = ViewTitle(2400, 1800) + L" (100%)";
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(view_) == actualTitle; }))
        << testfiles::ToUtf8(gui::WindowText(view_));
    EXPECT_TRUE(GetWindowLongPtrW(view_, GWL_STYLE) & WS_VSCROLL);
    EXPECT_TRUE(GetWindowLongPtrW(view_, GWL_STYLE) & WS_HSCROLL);
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 30, 20) == picture_.At(30, 20); }, 5000));

    // The wheel scrolls down, with shift sideways; what shows moves with it.
    gui::PostMouse(view_, WM_MOUSEWHEEL, 0, 0, MAKEWPARAM(0, WORD(-2 * WHEEL_DELTA)));
    gui::PostMouse(view_, WM_MOUSEWHEEL, 0, 0, MAKEWPARAM(MK_SHIFT, WORD(-WHEEL_DELTA)));
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 30, 20) == picture_.At(30 + 120, 20 + 240); }, 5000))
        << testpictures::Describe(ScreenColour(view_, 30, 20));
    // The scroll bar does the same.
    SendMessageW(view_, WM_VSCROLL, SB_LINEUP, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 30, 20) == picture_.At(30 + 120, 20 + 200); }, 5000));
    Shot(L"tandrel-view-actual-size.png", view_);

    // A press at 100% lands on the picture where it is drawn, scrolled.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    gui::Drag(view_, {10, 10}, {110, 90});
    ASSERT_NE(WaitForView(100, 80, 30000), nullptr);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsControlEnabled(main_, IDC_TRIM); }));
    EXPECT_TRUE(gui::WaitUntil([&] { return ScreenColour(view_, 0, 0) == picture_.At(130, 210); }, 5000));
    // Back to the whole picture: still at 100%, the user's choice.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(view_) == actualTitle; }, 30000))
        << testfiles::ToUtf8(gui::WindowText(view_));

    // The context menu offers both, the current one checked; its choice
    // comes back as a command.
    POINT at = {100, 100};
    ClientToScreen(view_, &at);
    PostMessageW(view_, WM_CONTEXTMENU, WPARAM(view_), MAKELPARAM(at.x, at.y));
    HWND menu = gui::WaitForWindow(tandrel_.Id(), L"#32768", nullptr, 5000);
    ASSERT_NE(menu, nullptr);
    gui::SaveShot(L"tandrel-view-menu.png", nullptr, 200);
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindowVisible(menu); }, 5000));
    PostMessageW(view_, WM_COMMAND, IDM_VIEW_FIT, 0);
    EXPECT_TRUE(gui::WaitUntil([&] { return gui::WindowText(view_) == fittedTitle; }));
    EXPECT_FALSE(GetWindowLongPtrW(view_, GWL_STYLE) & (WS_VSCROLL | WS_HSCROLL));
    RECT client = {};
    GetClientRect(view_, &client);
    EXPECT_EQ(client.right, fitted.shownWidth);
    EXPECT_EQ(client.bottom, fitted.shownHeight);
    CloseMain();
}

TEST_F(ShellGui, EnterSavesAndExitsEscapeExitsWithoutSaving) {
    struct Case {
        UINT key;
        bool saved;
    } cases[] = {{VK_RETURN, true}, {VK_ESCAPE, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key == VK_RETURN ? "Enter" : "Escape");
        std::wstring input = WritePicture(L"key.bmp", 80, 60);
        DeleteFileW((work_ / L"key_tdr.bmp").c_str());
        StartOn(input, 80, 60);
        gui::PostKeyToFocus(main_, c.key);
        ExpectExit();
        EXPECT_EQ(testfiles::FileExists(work_ / L"key_tdr.bmp"), c.saved);
        EXPECT_EQ(ReadSetting(L"SAVE_SETTINGS"), 1);
    }
}

TEST_F(ShellGui, ClosingTheViewEndsTheProgramWithoutSaving) {
    std::wstring input = WritePicture(L"view.bmp", 80, 60);
    StartOn(input, 80, 60);
    PostMessageW(view_, WM_CLOSE, 0, 0);
    ExpectExit();
    EXPECT_FALSE(testfiles::FileExists(work_ / L"view_tdr.bmp"));
    EXPECT_EQ(ReadSetting(L"FALLSCREEN"), 30);
}

TEST_F(ShellGui, ClosingWhileTheViewShowsAMessageEndsTheProgramAtOnce) {
    std::wstring input = WritePicture(L"boxed.bmp", 200, 150);
    StartOn(input, 200, 150);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    gui::Drag(view_, {20, 20}, {22, 22});
    HWND box = gui::WaitForMessageBox(tandrel_.Id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(gui::ReadMessageBox(box).ownerTitle, ViewTitle(200, 150));
    PostMessageW(main_, WM_CLOSE, 0, 0);
    // Well within the ten seconds the close gives the view to end.
    EXPECT_EQ(tandrel_.WaitForExit(4000), 0u);
    EXPECT_EQ(ReadSetting(L"SAVE_SETTINGS"), 1);
}

TEST_F(ShellGui, ATypedNameAndFormatDecideTheOutputFile) {
    std::wstring input = WritePicture(L"holiday.bmp", 80, 60);
    StartOn(input, 80, 60);
    gui::SetControlText(main_, IDC_OUTPUT_NAME, L"renamed");
    gui::SetControlText(main_, IDC_OUTPUT_NAME, L"");               // an emptied edit keeps the last name
    gui::SendToControl(main_, IDC_OUTPUT_FORMAT, CB_SETCURSEL, 2);  // png
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    EXPECT_TRUE(testfiles::FileExists(work_ / L"renamed.png"));
    EXPECT_FALSE(testfiles::FileExists(work_ / L"holiday_tdr.bmp"));
}

TEST_F(ShellGui, ASaveFailureIsToldInWordsAndTheWindowStaysWithTheWork) {
    std::wstring input = WritePicture(L"locked.bmp", 80, 60);
    const std::wstring output = work_ / L"locked_tdr.bmp";
    // A folder where the output file would go: nothing can be written there.
    ASSERT_TRUE(CreateDirectoryW(output.c_str(), nullptr));
    StartOn(input, 80, 60);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_ROTATE_RIGHT));  // work that must survive
    for (int button : {IDC_SAVE_AND_EXIT, IDC_SAVE_AND_CLOSE}) {
        SCOPED_TRACE(button);
        PostMessageW(main_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
        HWND boxWindow = gui::WaitForMessageBox(tandrel_.Id());
        ASSERT_NE(boxWindow, nullptr);
        gui::MessageBoxContent box = gui::ReadMessageBox(boxWindow);
        if (button == IDC_SAVE_AND_EXIT) {
            Shot(L"tandrel-save-failed.png", boxWindow);
        }
        Answer(boxWindow, IDOK);
        EXPECT_EQ(box.caption, L"エラー");
        EXPECT_NE(box.text.find(output), std::wstring::npos) << testfiles::ToUtf8(box.text);
        EXPECT_NE(box.text.find(L"書き込む権限がありません"), std::wstring::npos) << testfiles::ToUtf8(box.text);
        EXPECT_EQ(box.text.find(L"ERROR"), std::wstring::npos) << testfiles::ToUtf8(box.text);
        gui::Sync(main_);
        EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});
    }
    EXPECT_EQ(gui::WindowText(view_), ViewTitle(60, 80));

    // The way cleared, the same session saves the turned picture.
    ASSERT_TRUE(RemoveDirectoryW(output.c_str()));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(output, &saved));
    EXPECT_EQ(saved.width, 60);
    EXPECT_EQ(saved.height, 80);
}

TEST_F(ShellGui, TheOriginalIsNeverOverwrittenAndAnExistingFileAsksFirst) {
    WriteSettings("CUNDERRIGHT=0\r\n");
    std::wstring input = WritePicture(L"same.bmp", 80, 60);
    const std::string original = testfiles::ReadFileBytes(input);
    StartOn(input, 80, 60);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_ROTATE_180));

    // The input's own name in another spelling, with its own format.
    gui::SetControlText(main_, IDC_OUTPUT_NAME, L"SAME");
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_SAVE_AND_EXIT, BN_CLICKED), 0);
    HWND refusal = gui::WaitForMessageBox(tandrel_.Id());
    ASSERT_NE(refusal, nullptr);
    gui::MessageBoxContent box = gui::ReadMessageBox(refusal);
    Shot(L"tandrel-output-is-input.png", refusal);
    Answer(refusal, IDOK);
    EXPECT_NE(box.text.find(work_ / L"SAME.bmp"), std::wstring::npos) << testfiles::ToUtf8(box.text);
    EXPECT_NE(box.text.find(L"元の画像ファイル"), std::wstring::npos) << testfiles::ToUtf8(box.text);
    gui::Sync(main_);
    EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});
    EXPECT_EQ(testfiles::ReadFileBytes(input), original);

    // Another existing file: No writes nothing and stays, Yes overwrites.
    const std::wstring other = work_ / L"other.bmp";
    ASSERT_TRUE(testfiles::WriteFileBytes(other, "keep me"));
    gui::SetControlText(main_, IDC_OUTPUT_NAME, L"other");
    for (int answer : {IDNO, IDYES}) {
        SCOPED_TRACE(answer);
        PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_SAVE_AND_EXIT, BN_CLICKED), 0);
        HWND question = gui::WaitForMessageBox(tandrel_.Id());
        ASSERT_NE(question, nullptr);
        box = gui::ReadMessageBox(question);
        if (answer == IDNO) {
            Shot(L"tandrel-confirm-overwrite.png", question);
        }
        Answer(question, answer);
        EXPECT_TRUE(box.yesNo);
        EXPECT_NE(box.text.find(other), std::wstring::npos) << testfiles::ToUtf8(box.text);
        EXPECT_NE(box.text.find(L"上書きしますか"), std::wstring::npos) << testfiles::ToUtf8(box.text);
        if (answer == IDNO) {
            gui::Sync(main_);
            EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});
            EXPECT_EQ(testfiles::ReadFileBytes(other), "keep me");
        }
    }
    ExpectExit();
    Picture saved;
    ASSERT_TRUE(testpictures::ReadBmp(other, &saved));
    EXPECT_EQ(saved.At(0, 0), picture_.At(79, 59));  // turned half way
    EXPECT_EQ(testfiles::ReadFileBytes(input), original);
}

TEST_F(ShellGui, EnterInAnEditEndsTheEditAndUnsavedChangesAreAskedAbout) {
    std::wstring input = WritePicture(L"ask.bmp", 80, 60);
    const std::wstring output = work_ / L"ask_tdr.bmp";
    StartOn(input, 80, 60);
    for (int edit : {IDC_OUTPUT_NAME, IDC_WATERMARK_TEXT, IDC_COPYRIGHT_TEXT}) {
        SCOPED_TRACE(edit);
        PostMessageW(main_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(gui::Control(main_, edit)), TRUE);
        ASSERT_TRUE(gui::WaitUntil([&] { return gui::FocusOf(main_) == gui::Control(main_, edit); }));
        gui::PostKeyToFocus(main_, VK_RETURN);
        ASSERT_TRUE(gui::WaitUntil([&] { return gui::FocusOf(main_) != gui::Control(main_, edit); }));
        gui::Sync(main_);
        EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});
        EXPECT_FALSE(testfiles::FileExists(output));
    }

    // A change (the watermark shown) makes every way out ask.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_WATERMARK_ON));
    struct Way {
        const char* name;
        std::function<void()> leave;
    } ways[] = {
        {"Escape", [&] { gui::PostKeyToFocus(main_, VK_ESCAPE); }},
        {"title bar", [&] { PostMessageW(main_, WM_CLOSE, 0, 0); }},
        {"view", [&] { PostMessageW(view_, WM_CLOSE, 0, 0); }},
        {"exit", [&] { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0); }},
        {"close file", [&] { PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_CLOSE_FILE, BN_CLICKED), 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        way.leave();
        HWND question = gui::WaitForMessageBox(tandrel_.Id());
        ASSERT_NE(question, nullptr);
        gui::MessageBoxContent box = gui::ReadMessageBox(question);
        if (std::string(way.name) == "Escape") {
            Shot(L"tandrel-save-changes.png", question);
        }
        Answer(question, IDCANCEL);
        EXPECT_EQ(box.text, L"変更を保存しますか？");
        EXPECT_EQ(box.ownerTitle, kMainTitle);
        gui::Sync(main_);
        EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});
        EXPECT_TRUE(IsWindow(view_));
    }
    // Yes saves, then goes on.
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_EXIT, BN_CLICKED), 0);
    gui::AnswerMessageBox(tandrel_.Id(), IDYES);
    ExpectExit();
    EXPECT_TRUE(testfiles::FileExists(output));
}

TEST_F(ShellGui, CancellingTheOpenDialogLeavesTheWindowAsItWas) {
    Start(L"");
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_BROWSE, BN_CLICKED), 0);
    HWND dialog = gui::WaitForWindow(tandrel_.Id(), kDialogClass, L"元画像ファイルの選択");
    ASSERT_NE(dialog, nullptr);
    gui::PressButton(dialog, IDCANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }));
    gui::Sync(main_);
    EXPECT_EQ(gui::WaitForMessageBox(tandrel_.Id(), 0), nullptr);
    EXPECT_TRUE(gui::IsControlEnabled(main_, IDC_BROWSE));
    CloseMain();
}

TEST_F(ShellGui, OverlongOutputPathsAreRefusedNotCut) {
    // A suffix so long that no output name beside the picture fits.
    WriteSettings("OUTPUT_FILE_BASE=" + std::string(1010, 's') + "\r\n");
    std::wstring input = WritePicture(L"long.bmp", 80, 60);
    // The load runs while the window initialises, before it shows.
    tandrel_ = gui::StartProgram(testfiles::BinDir() + L"Tandrel.exe", Quoted(input), work_.Path());
    ASSERT_TRUE(tandrel_.Started());
    gui::MessageBoxContent box = gui::AnswerMessageBox(tandrel_.Id(), IDOK);
    EXPECT_EQ(box.caption, L"エラー");
    EXPECT_NE(box.text.find(L"長すぎる"), std::wstring::npos) << testfiles::ToUtf8(box.text);
    main_ = gui::WaitForWindow(tandrel_.Id(), kDialogClass, kMainTitle);
    ASSERT_NE(main_, nullptr);
    EXPECT_EQ(gui::ControlText(main_, IDC_INPUT_STATUS), L"読み込むファイルを指定してください");
    // The load was refused while the window initialised: there is no view
    // to wait for.
    EXPECT_EQ(WaitForView(80, 60, 0), nullptr);
    CloseMain();
}

TEST_F(ShellGui, AnOverlongTypedNameIsRefusedAndTheWindowStaysForAnother) {
    std::wstring input = WritePicture(L"name.bmp", 80, 60);
    StartOn(input, 80, 60);
    gui::SetControlText(main_, IDC_OUTPUT_NAME, std::wstring(1020, L'n'));
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(IDC_SAVE_AND_EXIT, BN_CLICKED), 0);
    gui::MessageBoxContent box = gui::AnswerMessageBox(tandrel_.Id(), IDOK);
    EXPECT_NE(box.text.find(L"長すぎる"), std::wstring::npos) << testfiles::ToUtf8(box.text);
    // The box ended the save step: once the window answers again it has
    // not closed.
    gui::Sync(main_);
    EXPECT_EQ(tandrel_.WaitForExit(0), DWORD{gui::Process::kStillRunning});

    gui::SetControlText(main_, IDC_OUTPUT_NAME, L"short");
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SAVE_AND_EXIT));
    ExpectExit();
    EXPECT_TRUE(testfiles::FileExists(work_ / L"short.bmp"));
}

TEST_F(ShellGui, CloseFileStartsAFreshEmptyCopy) {
    struct Case {
        int button;
        bool saved;
    } cases[] = {{IDC_CLOSE_FILE, false}, {IDC_SAVE_AND_CLOSE, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.button);
        std::wstring input = WritePicture(L"again.bmp", 80, 60);
        DeleteFileW((work_ / L"again_tdr.bmp").c_str());
        StartOn(input, 80, 60);
        DWORD oldPid = tandrel_.Id();
        PostMessageW(main_, WM_COMMAND, MAKEWPARAM(c.button, BN_CLICKED), 0);
        ExpectExit();
        EXPECT_EQ(testfiles::FileExists(work_ / L"again_tdr.bmp"), c.saved);

        tandrelkit::FreshCopy fresh = tandrelkit::WaitForFreshCopy(oldPid);
        ASSERT_NE(fresh.main, nullptr);
        EXPECT_EQ(gui::ControlText(fresh.main, IDC_INPUT_STATUS), L"読み込むファイルを指定してください");
        EXPECT_EQ(gui::ControlText(fresh.main, IDC_INPUT_PATH), L"");
        EXPECT_TRUE(gui::IsControlEnabled(fresh.main, IDC_BROWSE));
        PostMessageW(fresh.main, WM_CLOSE, 0, 0);
        EXPECT_EQ(fresh.process.WaitForExit(15000), 0u);
    }
}

TEST_F(ShellGui, ChoicesMadeInTheWindowAreInTheSettingsFileAfterExit) {
    Start(L"");
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_LARGE));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_ROTATE_180));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_WATERMARK_ON));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_COPYRIGHT_ON));
    gui::SetControlText(main_, IDC_WATERMARK_TEXT, L"見本");
    // The C button types its marker at the caret of the copyright text.
    gui::SendToControl(main_, IDC_COPYRIGHT_TEXT, EM_SETSEL, 0, -1);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_COPYRIGHT_C));
    EXPECT_EQ(gui::ControlText(main_, IDC_COPYRIGHT_TEXT), L"#c");

    gui::SendToControl(main_, IDC_EFFECT_SIZE, TBM_SETPOS, TRUE, 25);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(main_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 25),
                        reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_EFFECT_SIZE)), SMTO_ABORTIFHUNG, 5000, &ignored);
    EXPECT_EQ(gui::ControlText(main_, IDC_EFFECT_SIZE_LABEL), L"サイズ:25");
    gui::SendToControl(main_, IDC_COPYRIGHT_SIZE, TBM_SETPOS, TRUE, 40);
    SendMessageTimeoutW(main_, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, 40),
                        reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_COPYRIGHT_SIZE)), SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    EXPECT_EQ(gui::ControlText(main_, IDC_COPYRIGHT_SIZE_LABEL), L"文字サイズ:40");

    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_EXIT));
    ExpectExit();
    EXPECT_EQ(ReadSetting(L"ZOOM"), 3);
    EXPECT_EQ(ReadSetting(L"ROTATION"), 3);
    EXPECT_EQ(ReadSetting(L"CALLSCREEN"), 1);
    EXPECT_EQ(ReadSetting(L"CUNDERRIGHT"), 0);
    EXPECT_EQ(ReadSetting(L"EFFECTSIZE"), 25);
    EXPECT_EQ(ReadSetting(L"FUNDERRIGHT"), 40);
    EXPECT_EQ(ReadSettingText(L"CALLSCREEN_STRING"), L"見本");
    EXPECT_EQ(ReadSettingText(L"CUNDERRIGHT_STRING"), L"#c");
}

}  // namespace
