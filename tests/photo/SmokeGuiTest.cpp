#include <gtest/gtest.h>

#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

TEST(TandrelStart, MainWindowOpensWithItsCaptionAndClosesWithExitCodeZero) {
    testfiles::ScratchDir work;
    gui::Process tandrel = gui::StartProgram(testfiles::BinDir() + L"Tandrel.exe", L"", work.Path());
    ASSERT_TRUE(tandrel.Started());
    HWND main = gui::WaitForWindow(tandrel.Id(), L"#32770", L"Tandrel ver.2.01");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(gui::ControlText(main, 1073), L"保存して終了");
    gui::SaveShot(L"tandrel-main-empty.png", main);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(tandrel.WaitForExit(10000), 0u);
}
