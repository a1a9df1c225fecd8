// The settings dialog ("ソフト設定") of the real Tandrel.exe, driven as a user
// drives it: sliders moved with the keyboard, boxes clicked, the suffix edited,
// and each way of leaving the dialog; then what the main window and TDR.ini
// show for it.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <ostream>
#include <string>

#include "TandrelTestKit.h"
#include "TestPictures.h"
#include "app/Commands_win.h"
#include "resources/resource.h"
#include "support/FileDrop.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using tandrelkit::kDialogClass;
using tandrelkit::ReadSetting;
using tandrelkit::ReadSettingText;
using tandrelkit::SliderPosition;

// Main window
const int kSmallButton = IDC_SIZE_SMALL;
const int kMiddleButton = IDC_SIZE_MIDDLE;
const int kLargeButton = IDC_SIZE_LARGE;
const int kOutputName = IDC_OUTPUT_NAME;
const int kSettingsButton = IDC_SETTINGS;
// Settings dialog
const int kSuffixEdit = IDC_OUTPUT_FILE_BASE;
const int kMiddleLabel = IDC_MIDDLE_SIZE_LABEL;
const int kSmallLabel = IDC_SMALL_SIZE_LABEL;
const int kLargeLabel = IDC_LARGE_SIZE_LABEL;
const int kSaveSettingsBox = IDC_SAVE_SETTINGS;
const int kKeepSizeBox = IDC_KEEP_SIZE_AFTER_TRIM;
const int kSmallSlider = IDC_SMALL_SIZE;
const int kMiddleSlider = IDC_MIDDLE_SIZE;
const int kLargeSlider = IDC_LARGE_SIZE;
const int kQualitySlider = IDC_JPEG_QUALITY;
const int kQualityLabel = IDC_JPEG_QUALITY_LABEL;
const int kKeepShootingDataBox = IDC_KEEP_SHOOTING_DATA;
const int kApply = IDC_SETTINGS_APPLY;
const int kCancel = IDC_SETTINGS_CANCEL;

// Moves a slider as the keyboard does, one step a press: the slider itself
// moves and reports each step to the dialog. Waits until the last step has
// been handled (a step moves the thumb and reports it in one go).
void MoveSlider(HWND dialog, int id, UINT key, int presses) {
    int target = SliderPosition(dialog, id) + (key == VK_RIGHT ? presses : -presses);
    HWND slider = GetDlgItem(dialog, id);
    for (int i = 0; i < presses; ++i) {
        gui::PostKey(slider, key);
    }
    EXPECT_TRUE(gui::WaitUntil([&] { return SliderPosition(dialog, id) == target; }, 5000)) << id;
    gui::Sync(dialog);
}

struct OwnedTooltipQuery {
    HWND owner;
    HWND found;
};

BOOL CALLBACK FindOwnedTooltip(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<OwnedTooltipQuery*>(param);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, L"tooltips_class32") == 0 && GetWindow(window, GW_OWNER) == query->owner) {
        query->found = window;
        return FALSE;
    }
    return TRUE;
}

// The tooltip window of `owner`, shown or not.
HWND TooltipOf(HWND owner) {
    OwnedTooltipQuery query = {owner, nullptr};
    EnumWindows(FindOwnedTooltip, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

class SettingsDialogGui : public tandrelkit::TandrelGui {
protected:
    // Waits until the dialog has gone and the main window is usable again.
    void ExpectClosed(HWND dialog) {
        EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(dialog); }, 5000));
        EXPECT_TRUE(gui::WaitUntil([&] { return IsWindowEnabled(main_) != FALSE; }, 5000));
        gui::Sync(main_);
    }

    void Shot(const wchar_t* name, HWND window) { gui::SaveShot(name, window, 200); }
};

TEST_F(SettingsDialogGui, OpensCentredOverADisabledMainWindowWithTheStoredChoicesAndTips) {
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(IsWindowEnabled(main_));

    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, (desktop.right - (rect.right - rect.left)) / 2);
    EXPECT_EQ(rect.top, (desktop.bottom - (rect.bottom - rect.top)) / 2);

    EXPECT_EQ(gui::ControlText(dialog, kSmallLabel), L"小:160px");
    EXPECT_EQ(gui::ControlText(dialog, kMiddleLabel), L"中:320px");
    EXPECT_EQ(gui::ControlText(dialog, kLargeLabel), L"大:500px");
    for (int id : {kSmallSlider, kMiddleSlider, kLargeSlider}) {
        EXPECT_EQ(gui::SendToControl(dialog, id, TBM_GETRANGEMIN), 1) << id;
        EXPECT_EQ(gui::SendToControl(dialog, id, TBM_GETRANGEMAX), 2000) << id;
    }
    EXPECT_EQ(SliderPosition(dialog, kSmallSlider), 160);
    EXPECT_EQ(SliderPosition(dialog, kMiddleSlider), 320);
    EXPECT_EQ(SliderPosition(dialog, kLargeSlider), 500);
    EXPECT_EQ(gui::ControlText(dialog, kSuffixEdit), L"_tdr");
    EXPECT_EQ(gui::CheckState(dialog, kSaveSettingsBox), BST_CHECKED);
    EXPECT_EQ(gui::CheckState(dialog, kKeepSizeBox), BST_UNCHECKED);
    EXPECT_EQ(gui::SendToControl(dialog, kQualitySlider, TBM_GETRANGEMIN), 1);
    EXPECT_EQ(gui::SendToControl(dialog, kQualitySlider, TBM_GETRANGEMAX), 100);
    EXPECT_EQ(SliderPosition(dialog, kQualitySlider), 95);
    EXPECT_EQ(gui::ControlText(dialog, kQualityLabel), L"画質:95");
    EXPECT_EQ(gui::ControlText(dialog, kKeepShootingDataBox), L"撮影情報（位置情報を除く）を残す");
    EXPECT_EQ(gui::CheckState(dialog, kKeepShootingDataBox), BST_UNCHECKED) << "nothing is written unless asked";
    EXPECT_EQ(gui::ControlText(dialog, kApply), L"適用");
    EXPECT_EQ(gui::ControlText(dialog, kCancel), L"キャンセル");

    // One tip for each of the dialog's ten controls in the shared table.
    HWND tips = TooltipOf(dialog);
    ASSERT_NE(tips, nullptr);
    DWORD_PTR tools = 0;
    SendMessageTimeoutW(tips, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &tools);
    EXPECT_EQ(tools, 10u);

    // The controls added later sit where the group had room: inside it,
    // below the trim box and above the suffix, so no control moved.
    auto box = [&](int id) {
        RECT r = {};
        GetWindowRect(GetDlgItem(dialog, id), &r);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
        return r;
    };
    RECT trim = box(kKeepSizeBox), quality = box(kQualitySlider), keep = box(kKeepShootingDataBox),
         suffix = box(kSuffixEdit);
    EXPECT_GE(quality.top, trim.bottom);
    EXPECT_GE(keep.top, quality.bottom);
    EXPECT_LE(keep.bottom, suffix.top);

    Shot(L"tandrel-settings.png", dialog);
    gui::PressButton(dialog, kCancel);
    ExpectClosed(dialog);
    CloseMain();
}

TEST_F(SettingsDialogGui, SmallSizeMovedTo200AndAppliedRenamesTheMainWindowButton) {
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    MoveSlider(dialog, kSmallSlider, VK_RIGHT, 40);
    EXPECT_EQ(SliderPosition(dialog, kSmallSlider), 200);
    EXPECT_EQ(gui::ControlText(dialog, kSmallLabel), L"小:200px");
    // Nothing reaches the main window before Apply.
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(160px)");

    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(200px)");
    EXPECT_EQ(gui::ControlText(main_, kMiddleButton), L"中(320px)");
    EXPECT_EQ(gui::ControlText(main_, kLargeButton), L"大(500px)");

    // The next opening starts from the applied value.
    dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SliderPosition(dialog, kSmallSlider), 200);
    EXPECT_EQ(gui::ControlText(dialog, kSmallLabel), L"小:200px");
    gui::PressButton(dialog, kCancel);
    ExpectClosed(dialog);

    CloseMain();
    EXPECT_EQ(ReadSetting(L"ZOOMSIZESMALL"), 200);
}

// Every way out of the dialog enables the main window again; only Apply and
// Enter keep the pending changes. The trim box acts at once in every case.
struct LeaveCase {
    const char* name;
    void (*leave)(HWND dialog);
    bool applies;
};

const LeaveCase kLeaveCases[] = {
    {"apply_button", [](HWND dialog) { gui::PressButton(dialog, kApply); }, true},
    {"enter_key", [](HWND dialog) { gui::PostKeyToFocus(dialog, VK_RETURN); }, true},
    {"cancel_button", [](HWND dialog) { gui::PressButton(dialog, kCancel); }, false},
    {"escape_key", [](HWND dialog) { gui::PostKeyToFocus(dialog, VK_ESCAPE); }, false},
    {"title_bar_close", [](HWND dialog) { PostMessageW(dialog, WM_CLOSE, 0, 0); }, false},
};

void PrintTo(const LeaveCase& c, std::ostream* os) {
    *os << c.name;
}

class SettingsDialogLeave : public SettingsDialogGui, public testing::WithParamInterface<LeaveCase> {};

TEST_P(SettingsDialogLeave, KeepsPendingChangesOnlyWhenApplyingButTheTrimBoxAlways) {
    const LeaveCase& c = GetParam();
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    MoveSlider(dialog, kSmallSlider, VK_RIGHT, 40);
    MoveSlider(dialog, kMiddleSlider, VK_LEFT, 20);
    MoveSlider(dialog, kLargeSlider, VK_RIGHT, 5);
    EXPECT_EQ(gui::ControlText(dialog, kMiddleLabel), L"中:300px");
    EXPECT_EQ(gui::ControlText(dialog, kLargeLabel), L"大:505px");
    ASSERT_TRUE(gui::ClickAndWait(dialog, kKeepSizeBox));
    EXPECT_EQ(gui::CheckState(dialog, kKeepSizeBox), BST_CHECKED);
    gui::SetControlText(dialog, kSuffixEdit, L"_web");
    MoveSlider(dialog, kQualitySlider, VK_LEFT, 15);
    EXPECT_EQ(gui::ControlText(dialog, kQualityLabel), L"画質:80");
    ASSERT_TRUE(gui::ClickAndWait(dialog, kKeepShootingDataBox));
    gui::Sync(dialog);

    c.leave(dialog);
    ExpectClosed(dialog);
    if (c.applies) {
        EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(200px)");
        EXPECT_EQ(gui::ControlText(main_, kMiddleButton), L"中(300px)");
        EXPECT_EQ(gui::ControlText(main_, kLargeButton), L"大(505px)");
    } else {
        EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(160px)");
        EXPECT_EQ(gui::ControlText(main_, kMiddleButton), L"中(320px)");
        EXPECT_EQ(gui::ControlText(main_, kLargeButton), L"大(500px)");
    }

    // Reopened: the sliders and the suffix show the record, the trim box its
    // new state whatever the way out was.
    dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SliderPosition(dialog, kSmallSlider), c.applies ? 200 : 160);
    EXPECT_EQ(gui::ControlText(dialog, kMiddleLabel), c.applies ? L"中:300px" : L"中:320px");
    EXPECT_EQ(gui::ControlText(dialog, kSuffixEdit), c.applies ? L"_web" : L"_tdr");
    EXPECT_EQ(gui::CheckState(dialog, kKeepSizeBox), BST_CHECKED);
    EXPECT_EQ(SliderPosition(dialog, kQualitySlider), c.applies ? 80 : 95);
    EXPECT_EQ(gui::CheckState(dialog, kKeepShootingDataBox), c.applies ? BST_CHECKED : BST_UNCHECKED);
    gui::PressButton(dialog, kCancel);
    ExpectClosed(dialog);

    CloseMain();
    EXPECT_EQ(ReadSetting(L"TRIMSAVESIZE"), 1);
    EXPECT_EQ(ReadSetting(L"JPEG_QUALITY"), c.applies ? 80 : 95);
    EXPECT_EQ(ReadSetting(L"KEEP_SHOOTING_DATA"), c.applies ? 1 : 0);
    EXPECT_EQ(ReadSetting(L"ZOOMSIZESMALL"), c.applies ? 200 : 160);
    EXPECT_EQ(ReadSetting(L"ZOOMSIZELARGE"), c.applies ? 505 : 500);
    EXPECT_EQ(ReadSettingText(L"OUTPUT_FILE_BASE"), c.applies ? L"_web" : L"_tdr");
}

INSTANTIATE_TEST_SUITE_P(Ways,
                         SettingsDialogLeave,
                         testing::ValuesIn(kLeaveCases),
                         [](const testing::TestParamInfo<LeaveCase>& tested) { return tested.param.name; });

TEST_F(SettingsDialogGui, SizesBeyondTheSlidersReadAsTheirDefaults) {
    WriteSettings("ZOOMSIZESMALL=5000\r\nZOOMSIZELARGE=2500\r\n");
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(SliderPosition(dialog, kSmallSlider), 160);
    EXPECT_EQ(gui::ControlText(dialog, kSmallLabel), L"小:160px");
    EXPECT_EQ(SliderPosition(dialog, kLargeSlider), 500);
    // Only the large slider moves: one step down.
    MoveSlider(dialog, kLargeSlider, VK_LEFT, 1);
    EXPECT_EQ(gui::ControlText(dialog, kLargeLabel), L"大:499px");
    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(160px)");
    EXPECT_EQ(gui::ControlText(main_, kLargeButton), L"大(499px)");
    CloseMain();
    EXPECT_EQ(ReadSetting(L"ZOOMSIZESMALL"), 160);
    EXPECT_EQ(ReadSetting(L"ZOOMSIZELARGE"), 499);
}

TEST_F(SettingsDialogGui, AStoredSuffixLongerThanTheEditIsShownAndAppliedCutTo255Characters) {
    std::string longSuffix(300, 'L');
    WriteSettings("OUTPUT_FILE_BASE=" + longSuffix + "\r\n");
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::ControlText(dialog, kSuffixEdit), std::wstring(255, L'L'));
    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);
    CloseMain();
    EXPECT_EQ(ReadSettingText(L"OUTPUT_FILE_BASE"), std::wstring(255, L'L'));
}

TEST_F(SettingsDialogGui, SavingSwitchedOffWritesOnlyTheFlagAndTheNextStartShowsDefaults) {
    WriteSettings("ZOOMSIZESMALL=222\r\n");
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    ASSERT_TRUE(gui::ClickAndWait(dialog, kSaveSettingsBox));
    EXPECT_EQ(gui::CheckState(dialog, kSaveSettingsBox), BST_UNCHECKED);
    MoveSlider(dialog, kSmallSlider, VK_RIGHT, 3);
    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(225px)");
    CloseMain();
    EXPECT_EQ(ReadSetting(L"SAVE_SETTINGS"), 0);
    EXPECT_EQ(ReadSetting(L"ZOOMSIZESMALL"), 222);  // untouched at exit

    Start();
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(160px)");
    dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::CheckState(dialog, kSaveSettingsBox), BST_UNCHECKED);
    gui::PressButton(dialog, kCancel);
    ExpectClosed(dialog);
    CloseMain();
}

TEST_F(SettingsDialogGui, ANewSizeChangesNoPictureUntilItsButtonIsPressed) {
    WriteSettings("ZOOM=1\r\nCUNDERRIGHT=0\r\n");
    std::wstring input = work_ / L"pier.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(input, testpictures::MakePicture(400, 300, testpictures::PositionColour)));
    Start();
    ASSERT_TRUE(gui::DropFiles(main_, {input}));
    ASSERT_NE(gui::WaitForWindow(tandrel_.Id(), kDialogClass, L"160px × 120px"), nullptr);

    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    MoveSlider(dialog, kSmallSlider, VK_RIGHT, 40);
    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);
    EXPECT_EQ(gui::ControlText(main_, kSmallButton), L"小(200px)");
    // The picture keeps its size...
    EXPECT_NE(gui::WaitForWindow(tandrel_.Id(), kDialogClass, L"160px × 120px", 500), nullptr);
    // ...until the size is chosen again.
    ASSERT_TRUE(gui::ClickAndWait(main_, kSmallButton));
    EXPECT_NE(gui::WaitForWindow(tandrel_.Id(), kDialogClass, L"200px × 150px"), nullptr);
    CloseMain();
}

TEST_F(SettingsDialogGui, AnEmptiedSuffixAppliedBeforeALoadGivesTheLoadedPictureItsOwnName) {
    std::wstring input = work_ / L"harbour.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(input, testpictures::MakePicture(64, 48, testpictures::PositionColour)));
    Start();
    HWND dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    gui::SetControlText(dialog, kSuffixEdit, L"");
    gui::PressButton(dialog, kApply);
    ExpectClosed(dialog);

    ASSERT_TRUE(gui::DropFiles(main_, {input}));
    ASSERT_TRUE(gui::WaitUntil([&] { return gui::ControlText(main_, kOutputName) != L""; }));
    EXPECT_EQ(gui::ControlText(main_, kOutputName), L"harbour");

    // Leaving without saving: the empty suffix is stored for this run only.
    CloseMain();
    EXPECT_EQ(ReadSettingText(L"OUTPUT_FILE_BASE"), L"");
    Start();
    dialog = OpenSettings();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(gui::ControlText(dialog, kSuffixEdit), L"_tdr");
    gui::PressButton(dialog, kCancel);
    ExpectClosed(dialog);
    CloseMain();
}

TEST(SettingsDialog, TheMainWindowIsEnabledAgainWhenTheDialogCannotBeShown) {
    // This test program carries no dialog templates, so the dialog cannot be
    // made: the button still must not leave the main window disabled.
    HWND main = CreateWindowExW(0, L"STATIC", L"main", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(main, nullptr);
    HandleCommand(main, kSettingsButton);
    EXPECT_TRUE(IsWindowEnabled(main));
    DestroyWindow(main);
}

}  // namespace
