// "閉じる" and "保存して閉じる" end this copy of Tandrel and start a fresh
// one: the fresh copy must begin with the choices this copy leaves in
// TDR.ini, however long this copy takes to save the picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "TestPictures.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace {

const wchar_t kMainTitle[] = L"Tandrel ver.2.01";
const wchar_t kDialogClass[] = L"#32770";

std::wstring SettingsPath() {
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return std::wstring(dir) + L"\\TDR.ini";
}

struct MainQuery {
    DWORD exceptPid;
    HWND found;
};

// A main window of Tandrel in a process other than `exceptPid` and this one.
BOOL CALLBACK FindMain(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<MainQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    wchar_t className[16] = {};
    GetClassNameW(window, className, 16);
    if (pid != query->exceptPid && pid != GetCurrentProcessId() && IsWindowVisible(window) &&
        lstrcmpW(className, kDialogClass) == 0 && gui::WindowText(window) == kMainTitle) {
        query->found = window;
        return FALSE;
    }
    return TRUE;
}

HWND WaitForOtherMain(DWORD exceptPid) {
    MainQuery query = {exceptPid, nullptr};
    gui::WaitUntil([&] {
        query.found = nullptr;
        EnumWindows(FindMain, reinterpret_cast<LPARAM>(&query));
        return query.found != nullptr;
    });
    return query.found;
}

class FreshCopyGui : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { DeleteFileW(SettingsPath().c_str()); }
    void TearDown() override { DeleteFileW(SettingsPath().c_str()); }
    testfiles::ScratchDir work_{L"fresh"};
};

TEST_P(FreshCopyGui, StartsWithTheChoicesThisCopyLeaves) {
    const int button = GetParam();
    // Large enough that saving it as PNG takes this copy a while.
    std::wstring input = work_ / L"large.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(input, testpictures::MakePicture(2000, 1500, testpictures::PositionColour)));
    gui::Process tandrel = gui::StartProgram(testfiles::BinDir() + L"Tandrel.exe", L"\"" + input + L"\"", work_.Path());
    ASSERT_TRUE(tandrel.Started());
    HWND main = gui::WaitForWindow(tandrel.Id(), kDialogClass, kMainTitle);
    ASSERT_NE(main, nullptr);
    ASSERT_NE(gui::WaitForWindow(tandrel.Id(), kDialogClass, L"2000px × 1500px", 20000), nullptr);

    // Choices that leave the picture alone: the watermark text (its box is
    // off) and the effect size.
    gui::SetControlText(main, 1034, L"見本の透かし");
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(GetDlgItem(main, 1041), TBM_SETPOS, TRUE, 33, SMTO_ABORTIFHUNG, 5000, &ignored);
    SendMessageTimeoutW(main, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 33),
                        reinterpret_cast<LPARAM>(GetDlgItem(main, 1041)), SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_EQ(gui::ControlText(main, 1047), L"サイズ:33");
    SendMessageTimeoutW(GetDlgItem(main, 1069), CB_SETCURSEL, 2, 0, SMTO_ABORTIFHUNG, 5000, &ignored);  // png

    DWORD oldPid = tandrel.Id();
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_EQ(tandrel.WaitForExit(60000), 0u);
    EXPECT_EQ(testfiles::FileExists(work_ / L"large_tdr.png"), button == 1062);

    HWND fresh = WaitForOtherMain(oldPid);
    ASSERT_NE(fresh, nullptr);
    DWORD freshPid = 0;
    GetWindowThreadProcessId(fresh, &freshPid);
    gui::Process copy(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION | PROCESS_TERMINATE, FALSE, freshPid),
                      freshPid);
    EXPECT_EQ(gui::ControlText(fresh, 1004), L"");
    EXPECT_EQ(gui::ControlText(fresh, 1034), L"見本の透かし");
    EXPECT_EQ(gui::ControlText(fresh, 1047), L"サイズ:33");
    PostMessageW(fresh, WM_CLOSE, 0, 0);
    EXPECT_EQ(copy.WaitForExit(15000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Buttons,
                         FreshCopyGui,
                         ::testing::Values(1068, 1062),
                         [](const ::testing::TestParamInfo<int>& info) {
                             return info.param == 1068 ? std::string("close_file") : std::string("save_and_close");
                         });

}  // namespace
