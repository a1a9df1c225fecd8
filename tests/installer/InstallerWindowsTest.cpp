#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <cstring>
#include <string>

#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"
#include "ui/BoxReporter.h"
#include "ui/MainWindow.h"
#include "ui/ProgressDialog.h"

namespace {

const wchar_t kTitle[] = L"タンドレル セットアップ";

class InstallerWindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_installer.instance = GetModuleHandleA(nullptr);
        g_installer.programIcon = LoadIconA(g_installer.instance, MAKEINTRESOURCEA(IDI_MIVO));
        ASSERT_NE(g_installer.programIcon, nullptr);
        std::strcpy(g_setupInfo.title, testfiles::ToAnsi(kTitle).c_str());
    }
    void TearDown() override {
        if (dialog_) {
            DestroyWindow(dialog_);
        }
        if (main_) {
            DestroyWindow(main_);
        }
    }
    // Lets the windows paint before they are looked at.
    static void Pump() {
        MSG message;
        for (int round = 0; round < 10; ++round) {
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            Sleep(20);
        }
    }

    HWND main_ = nullptr;
    HWND dialog_ = nullptr;
};

std::wstring ClassName(HWND window) {
    wchar_t name[64] = {};
    GetClassNameW(window, name, 64);
    return name;
}

}  // namespace

TEST_F(InstallerWindowsTest, MainWindowStandsMinimisedWithTheSetupTitle) {
    main_ = CreateMainWindow();
    ASSERT_NE(main_, nullptr);
    Pump();
    EXPECT_EQ(ClassName(main_), L"MIVO_MainWnd");
    EXPECT_EQ(gui::WindowText(main_), kTitle);
    EXPECT_TRUE(IsWindowVisible(main_));
    EXPECT_TRUE(IsIconic(main_));
    LONG_PTR style = GetWindowLongPtrW(main_, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU), WS_CAPTION | WS_SYSMENU);
    EXPECT_EQ(GetWindowLongPtrW(main_, GWL_EXSTYLE) & ~WS_EX_WINDOWEDGE, 0);
    EXPECT_EQ(GetWindow(main_, GW_OWNER), nullptr);
    EXPECT_EQ(GetClassLongPtrW(main_, GCL_STYLE), static_cast<ULONG_PTR>(CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE));
    EXPECT_EQ(reinterpret_cast<HICON>(GetClassLongPtrW(main_, GCLP_HICON)), g_installer.programIcon);
    EXPECT_EQ(GetMenu(main_), nullptr);
    gui::SaveShot(L"mivo_main_window.png");

    // A second install run in this process finds the class registered.
    HWND second = CreateMainWindow();
    EXPECT_NE(second, nullptr);
    if (second) {
        DestroyWindow(second);
    }
}

TEST_F(InstallerWindowsTest, ProgressDialogNamesSourceAndDestination) {
    main_ = CreateMainWindow();
    ASSERT_NE(main_, nullptr);
    dialog_ = CreateCopyProgressDialog(main_);
    ASSERT_NE(dialog_, nullptr);
    EXPECT_EQ(gui::WindowText(dialog_), kTitle);
    EXPECT_TRUE(IsWindowVisible(dialog_));
    EXPECT_EQ(GetWindow(dialog_, GW_OWNER), main_);
    LONG_PTR style = GetWindowLongPtrW(dialog_, GWL_STYLE);
    EXPECT_TRUE(style & WS_CAPTION);
    EXPECT_FALSE(style & WS_SYSMENU) << "no close button while files are copied";

    // Before the first file both lines are empty.
    EXPECT_EQ(gui::ControlText(dialog_, IDC_PROGRESS_SOURCE), L"");
    EXPECT_EQ(gui::ControlText(dialog_, IDC_PROGRESS_DESTINATION), L"");
    EXPECT_EQ(gui::ControlText(dialog_, -1), L"");

    // As the copy loop does: plain ANSI calls straight into the statics.
    std::string source = testfiles::ToAnsi(L"D:\\配布\\ソフト & ツール.exe");
    std::string destination = testfiles::ToAnsi(
        L"C:\\Program Files\\タンドレル\\とても長いディレクトリ名のサブフォルダ\\ソフト & ツール.exe");
    SetWindowTextA(GetDlgItem(dialog_, IDC_PROGRESS_SOURCE), source.c_str());
    SetWindowTextA(GetDlgItem(dialog_, IDC_PROGRESS_DESTINATION), destination.c_str());
    EXPECT_EQ(gui::ControlText(dialog_, IDC_PROGRESS_SOURCE), testfiles::FromAnsi(source));
    EXPECT_EQ(gui::ControlText(dialog_, IDC_PROGRESS_DESTINATION), testfiles::FromAnsi(destination));
    ShowCopyPosition(dialog_, kProgressRange * 3 / 5);
    Pump();
    gui::SaveShot(L"mivo_copy_progress.png", dialog_, 200);

    // The whole dialog lies on the screen.
    RECT frame;
    GetWindowRect(dialog_, &frame);
    EXPECT_GE(frame.left, 0);
    EXPECT_GE(frame.top, 0);
    EXPECT_LE(frame.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(frame.bottom, GetSystemMetrics(SM_CYSCREEN));
}

namespace {

// The reporter an install at the screen uses, with its dialog in reach and
// a clock the test moves, so that the pace does not hang on the machine's.
class ShownProgress : public BoxReporter {
public:
    using BoxReporter::BoxReporter;
    HWND Dialog() const { return ProgressDialog(); }
    // Past the pace of the progress dialog's paints (50 ms).
    void NextPaint() { nowMs_ += 100; }

protected:
    uint32_t Now() const override { return nowMs_; }

private:
    uint32_t nowMs_ = 1000;
};

}  // namespace

TEST_F(InstallerWindowsTest, TheProgressBarFollowsTheCopyingAndCancelAsksFirst) {
    main_ = CreateMainWindow();
    ASSERT_NE(main_, nullptr);
    {
        // A copy over before the delay shows no window at all.
        ShownProgress quick(main_);
        quick.BeginCopying({3, 3000});
        quick.Copying("D:\\dist\\a.txt", "C:\\App\\a.txt");
        EXPECT_TRUE(quick.CopyProgress(3, 3000));
        EXPECT_EQ(quick.Dialog(), nullptr);
        quick.EndCopying();
    }
    ShownProgress boxes(main_, 0);
    boxes.BeginCopying({3, 3000});
    boxes.Copying("D:\\dist\\a.txt", "C:\\App\\a.txt");
    EXPECT_TRUE(boxes.CopyProgress(0, 0));
    HWND dialog = boxes.Dialog();
    ASSERT_NE(dialog, nullptr);
    HWND bar = GetDlgItem(dialog, IDC_PROGRESS_BAR);
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(ClassName(bar), L"msctls_progress32");
    EXPECT_EQ(SendMessageW(bar, PBM_GETRANGE, FALSE, 0), kProgressRange);
    EXPECT_EQ(gui::ControlText(dialog, IDCANCEL), L"キャンセル");
    EXPECT_TRUE(gui::IsControlEnabled(dialog, IDCANCEL));
    // Bar and button lie inside the dialog, below the texts.
    RECT client, barRect, buttonRect, destinationRect;
    GetClientRect(dialog, &client);
    GetWindowRect(bar, &barRect);
    GetWindowRect(GetDlgItem(dialog, IDCANCEL), &buttonRect);
    GetWindowRect(GetDlgItem(dialog, IDC_PROGRESS_DESTINATION), &destinationRect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&barRect), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&buttonRect), 2);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&destinationRect), 2);
    EXPECT_GE(barRect.top, destinationRect.bottom);
    EXPECT_GE(buttonRect.top, barRect.bottom);
    EXPECT_LE(buttonRect.bottom, client.bottom);
    EXPECT_LE(buttonRect.right, client.right);

    EXPECT_EQ(gui::ControlText(dialog, IDC_PROGRESS_SOURCE), L"D:\\dist\\a.txt");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), 0);
    // Within the pace nothing is repainted.
    boxes.Copying("D:\\dist\\b.txt", "C:\\App\\b.txt");
    EXPECT_TRUE(boxes.CopyProgress(1, 1000));
    EXPECT_EQ(gui::ControlText(dialog, IDC_PROGRESS_SOURCE), L"D:\\dist\\a.txt");
    boxes.NextPaint();
    EXPECT_TRUE(boxes.CopyProgress(1, 1500));
    EXPECT_EQ(gui::ControlText(dialog, IDC_PROGRESS_DESTINATION), L"C:\\App\\b.txt");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), ProgressPosition({3, 3000}, 1, 1500));
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(dialog, IDCANCEL)));
    gui::SaveShot(L"mivo_copy_progress_bar.png", dialog, 200);
    // The last file is always shown, and the bar reaches its end.
    boxes.Copying("D:\\dist\\c.txt", "C:\\App\\c.txt");
    EXPECT_TRUE(boxes.CopyProgress(3, 3000));
    EXPECT_EQ(gui::ControlText(dialog, IDC_PROGRESS_SOURCE), L"D:\\dist\\c.txt");
    EXPECT_EQ(SendMessageW(bar, PBM_GETPOS, 0, 0), kProgressRange);

    // キャンセル asks first; No goes on, Yes stops the copying.
    for (int answer : {IDNO, IDYES}) {
        gui::BoxAnswerer confirm(answer);
        gui::PressButton(dialog, IDCANCEL);
        boxes.NextPaint();
        EXPECT_EQ(boxes.CopyProgress(3, 3000), answer == IDNO);
        gui::MessageBoxContent box = confirm.FinishOne();
        EXPECT_EQ(box.text, L"インストールを中止します。よろしいですか？");
        EXPECT_EQ(box.ownerTitle, kTitle);
    }
    EXPECT_FALSE(gui::IsControlEnabled(dialog, IDCANCEL));
    boxes.EndCopying();
    EXPECT_FALSE(IsWindow(dialog));
}
