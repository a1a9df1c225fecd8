// The help document beside Tandrel.exe: that it is there with every picture it
// shows, and that it names every control of the main window and the settings
// dialog by the caption the user sees. A disabled test takes the help's
// screenshots from the real program (scripts/help-screenshots runs it).
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "TandrelTestKit.h"
#include "imaging/Image_win.h"
#include "resources/resource.h"
#include "support/FileDrop.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using tandrelkit::kDialogClass;

std::wstring HelpDir() {
    return testfiles::BinDir() + L"help";
}

std::wstring HelpText() {
    std::string bytes = testfiles::ReadFileBytes(HelpDir() + L"\\index.html");
    int length =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring text(length, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
    return text;
}

// Values of every `attribute`="..." in the document.
std::vector<std::wstring> AttributeValues(const std::wstring& html, const std::wstring& attribute) {
    std::vector<std::wstring> values;
    const std::wstring opening = attribute + L"=\"";
    for (size_t at = html.find(opening); at != std::wstring::npos; at = html.find(opening, at + 1)) {
        size_t start = at + opening.size();
        size_t end = html.find(L'"', start);
        if (end == std::wstring::npos) {
            break;
        }
        values.push_back(html.substr(start, end - start));
    }
    return values;
}

BOOL CALLBACK CollectCaption(HWND control, LPARAM param) {
    auto* captions = reinterpret_cast<std::set<std::wstring>*>(param);
    wchar_t className[32] = {};
    GetClassNameW(control, className, 32);
    std::wstring text = gui::WindowText(control);
    // Buttons (push, check, radio and group boxes) carry the captions a user
    // reads; the labels beside the sliders change with the values.
    if (lstrcmpiW(className, L"Button") == 0 && !text.empty()) {
        captions->insert(text);
    }
    return TRUE;
}

std::set<std::wstring> Captions(HWND dialog) {
    std::set<std::wstring> captions;
    EnumChildWindows(dialog, CollectCaption, reinterpret_cast<LPARAM>(&captions));
    return captions;
}

using HelpGui = tandrelkit::TandrelGui;

TEST_F(HelpGui, LiesBesideTandrelWithEveryPictureItShowsAndEveryLinkTarget) {
    std::wstring html = HelpText();
    ASSERT_FALSE(html.empty()) << "no help/index.html beside Tandrel.exe (or not UTF-8)";
    EXPECT_NE(html.find(L"<meta charset=\"utf-8\">"), std::wstring::npos);
    std::vector<std::wstring> pictures = AttributeValues(html, L"src");
    EXPECT_GE(pictures.size(), 5u);
    for (const std::wstring& picture : pictures) {
        std::wstring path = picture;
        for (wchar_t& c : path) {
            if (c == L'/') {
                c = L'\\';
            }
        }
        EXPECT_TRUE(testfiles::FileExists(HelpDir() + L"\\" + path)) << testfiles::ToUtf8(picture);
    }
    // Every picture beside it is shown: the installer ships them all.
    std::set<std::wstring> shown(pictures.begin(), pictures.end());
    for (const std::wstring& file : testfiles::FilesIn(HelpDir() + L"\\images", L"*.png")) {
        std::wstring name = L"images/" + file;
        EXPECT_TRUE(shown.count(name)) << "never shown: " << testfiles::ToUtf8(name);
    }
    // Links inside the page lead to a heading that exists.
    for (const std::wstring& link : AttributeValues(html, L"href")) {
        if (!link.empty() && link[0] == L'#') {
            EXPECT_NE(html.find(L"id=\"" + link.substr(1) + L"\""), std::wstring::npos) << testfiles::ToUtf8(link);
        }
    }
}

TEST_F(HelpGui, NamesEveryControlOfTheMainWindowAndTheSettingsDialog) {
    std::wstring html = HelpText();
    ASSERT_FALSE(html.empty());
    Start();
    std::set<std::wstring> captions = Captions(main_);
    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    for (const std::wstring& caption : Captions(settings)) {
        captions.insert(caption);
    }
    gui::PressButton(settings, IDC_SETTINGS_CANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));
    CloseMain();

    EXPECT_GE(captions.size(), 35u);  // the distinct captions of both windows
    for (const std::wstring& caption : captions) {
        EXPECT_NE(html.find(caption), std::wstring::npos) << "the help never names " << testfiles::ToUtf8(caption);
    }
    // The texts the buttons show while a flow runs, the escapes, the file.
    for (const wchar_t* text :
         {L"トリミング範囲をマウスで指定してください", L"トリミング取り消し", L"ウィンドウ内ドラッグして範囲を確定",
          L"選択範囲解除", L"#c", L"#r", L"#t", L"#nnnn", L"TDR.ini", L"_tdr"}) {
        EXPECT_NE(html.find(text), std::wstring::npos) << testfiles::ToUtf8(text);
    }
}

// --- Screenshots for the help ----------------------------------------------
//
// Run by scripts/help-screenshots with TANDREL_SAMPLE naming the sample
// photograph (a Windows path) and SHOT_DIR the folder for the pictures.

class HelpScreens : public HelpGui {
protected:
    void Shot(const wchar_t* name, HWND window) { ASSERT_TRUE(gui::SaveShot(name, window, 400)); }

    HWND WaitForView(const wchar_t* title) { return gui::WaitForWindow(tandrel_.Id(), kDialogClass, title, 10000); }
};

// Presses at the first point, moves through the others and releases at the
// last, as a hand drawing an outline.
void DrawOutline(HWND view, const std::vector<POINT>& points, bool release = true) {
    gui::PostMouse(view, WM_MOUSEMOVE, points.front().x, points.front().y, 0);
    gui::PostMouse(view, WM_LBUTTONDOWN, points.front().x, points.front().y, MK_LBUTTON);
    for (size_t i = 1; i < points.size(); ++i) {
        for (int step = 1; step <= 6; ++step) {
            POINT from = points[i - 1];
            POINT to = points[i];
            gui::PostMouse(view, WM_MOUSEMOVE, from.x + (to.x - from.x) * step / 6, from.y + (to.y - from.y) * step / 6,
                           MK_LBUTTON);
        }
    }
    if (release) {
        gui::PostMouse(view, WM_LBUTTONUP, points.back().x, points.back().y, 0);
    }
}

std::vector<POINT> Ellipse(int cx, int cy, int rx, int ry) {
    std::vector<POINT> points;
    for (int i = 0; i <= 24; ++i) {
        double angle = 3.14159265358979 * 2 * i / 24;
        points.push_back({cx + static_cast<int>(rx * std::cos(angle)), cy + static_cast<int>(ry * std::sin(angle))});
    }
    return points;
}

TEST_F(HelpScreens, DISABLED_TakeTheHelpsPictures) {
    const char* sample = std::getenv("TANDREL_SAMPLE");
    if (!sample || !*sample) {
        GTEST_SKIP() << "TANDREL_SAMPLE names no picture";
    }
    std::wstring picture = work_ / L"beach.jpg";
    ASSERT_TRUE(testfiles::CopyTo(testfiles::FromAnsi(sample), picture));

    Start();
    Shot(L"main-empty.png", main_);

    // The large size, then the picture dropped on the window.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_LARGE));
    ASSERT_TRUE(gui::DropFiles(main_, {picture}));
    HWND view = WaitForView(L"500px × 375px");
    ASSERT_NE(view, nullptr);
    Shot(L"main-loaded.png", main_);
    Shot(L"view.png", view);

    // Trimming: the crosshair, the rubber band, the cut-out.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    gui::PostMouse(view, WM_MOUSEMOVE, 150, 120, 0);
    Shot(L"trim-crosshair.png", view);
    Shot(L"main-trim-armed.png", main_);
    gui::PostMouse(view, WM_LBUTTONDOWN, 150, 120, MK_LBUTTON);
    gui::PostMouse(view, WM_MOUSEMOVE, 300, 220, MK_LBUTTON);
    gui::PostMouse(view, WM_MOUSEMOVE, 430, 330, MK_LBUTTON);
    Shot(L"trim-drag.png", view);
    gui::PostMouse(view, WM_LBUTTONUP, 430, 330, 0);
    HWND trimmed = WaitForView(L"280px × 210px");
    ASSERT_NE(trimmed, nullptr);
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::IsControlEnabled(main_, IDC_SIZE_NONE); }));
    Shot(L"trim-done.png", trimmed);
    Shot(L"main-trimmed.png", main_);
    // Cancelled: the whole picture again.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_TRIM));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SIZE_LARGE));
    view = WaitForView(L"500px × 375px");
    ASSERT_NE(view, nullptr);

    // Selection: the sun, then mosaic; a cloud, then blur.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    Shot(L"main-select-armed.png", main_);
    DrawOutline(view, Ellipse(387, 87, 50, 50));
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    Shot(L"select-region.png", view);
    Shot(L"main-selected.png", main_);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_APPLY_MOSAIC));
    Shot(L"mosaic.png", view);
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_SELECT_REGION));
    DrawOutline(view, Ellipse(145, 72, 75, 35));
    ASSERT_TRUE(gui::WaitUntil([&] { return tandrelkit::SelectionClosed(main_); }));
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_APPLY_BLUR));
    Shot(L"blur.png", view);

    // The watermark over everything, the copyright line below right.
    ASSERT_TRUE(gui::ClickAndWait(main_, IDC_WATERMARK_ON));
    Shot(L"watermark.png", view);

    HWND settings = OpenSettings();
    ASSERT_NE(settings, nullptr);
    Shot(L"settings.png", settings);
    gui::PressButton(settings, IDC_SETTINGS_CANCEL);
    ASSERT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }));

    // A photograph larger than the screen, in a fresh copy: fitted beside
    // the main window, then at 100% with scroll bars, and the view's menu.
    std::wstring large = work_ / L"large.bmp";
    {
        ImgHandle image = ImgLoadW(picture.c_str());
        ASSERT_NE(image, nullptr);
        ASSERT_EQ(ImgResize(image, 3200, 2400), 1);
        ASSERT_EQ(ImgSaveBmpW(large.c_str(), image), 1);
        ImgFree(image);
    }
    const DWORD oldPid = tandrel_.Id();
    gui::PressButton(main_, IDC_CLOSE_FILE);
    gui::AnswerMessageBox(tandrel_.Id(), IDNO);  // the edits above are not kept
    EXPECT_EQ(tandrel_.WaitForExit(15000), 0u);
    tandrelkit::FreshCopy fresh = tandrelkit::WaitForFreshCopy(oldPid);
    ASSERT_NE(fresh.main, nullptr);
    ASSERT_TRUE(gui::ClickAndWait(fresh.main, IDC_SIZE_NONE));
    ASSERT_TRUE(gui::ClickAndWait(fresh.main, IDC_WATERMARK_ON));
    ASSERT_TRUE(gui::DropFiles(fresh.main, {large}));
    view = gui::WaitForWindowPrefix(fresh.process.Id(), kDialogClass, L"3200px × 2400px (", 20000);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(gui::SaveShot(L"view-fitted.png", nullptr, 400));
    gui::PostKey(view, 'Z');
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::WindowText(view) == L"3200px × 2400px (100%)"; }));
    POINT at = {200, 150};
    ClientToScreen(view, &at);
    PostMessageW(view, WM_CONTEXTMENU, WPARAM(view), MAKELPARAM(at.x, at.y));
    HWND menu = gui::WaitForWindow(fresh.process.Id(), L"#32768", nullptr, 5000);
    ASSERT_NE(menu, nullptr);
    ASSERT_TRUE(gui::SaveShot(L"view-menu.png", view, 400));
    PostMessageW(menu, WM_KEYDOWN, VK_ESCAPE, 0);

    // Leave without saving.
    ASSERT_TRUE(gui::WaitUntil([&] { return !IsWindowVisible(menu); }));
    ASSERT_TRUE(gui::ClickAndWait(fresh.main, IDC_EXIT));
    EXPECT_EQ(fresh.process.WaitForExit(15000), 0u);
}

}  // namespace
