// "閉じる" and "保存して閉じる" end this copy of Tandrel and start a fresh
// one: the fresh copy must begin with the choices this copy leaves in
// TDR.ini, however long this copy takes to save the picture.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <string>

#include "TandrelTestKit.h"
#include "TestPictures.h"
#include "resources/resource.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace {

class FreshCopyGui : public tandrelkit::TandrelGui, public ::testing::WithParamInterface<int> {};

TEST_P(FreshCopyGui, StartsWithTheChoicesThisCopyLeaves) {
    const int button = GetParam();
    // Large enough that saving it as PNG takes this copy a while.
    std::wstring input = work_ / L"large.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(input, testpictures::MakePicture(2000, 1500, testpictures::PositionColour)));
    Start(L"\"" + input + L"\"");
    // Larger than the screen: the view's title gives the scale after the size.
    ASSERT_NE(gui::WaitForWindowPrefix(tandrel_.Id(), tandrelkit::kDialogClass,
                                       tandrelkit::ViewTitle(2000, 1500).c_str(), 20000),
              nullptr);
    ASSERT_TRUE(WaitForPictureOpened());

    // Choices that leave the picture alone: the watermark text (its box is
    // off) and the effect size.
    gui::SetControlText(main_, IDC_WATERMARK_TEXT, L"見本の透かし");
    gui::SendToControl(main_, IDC_EFFECT_SIZE, TBM_SETPOS, TRUE, 33);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(main_, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, 33),
                        reinterpret_cast<LPARAM>(GetDlgItem(main_, IDC_EFFECT_SIZE)), SMTO_ABORTIFHUNG, 5000, &ignored);
    ASSERT_EQ(gui::ControlText(main_, IDC_EFFECT_SIZE_LABEL), L"サイズ:33");
    gui::SendToControl(main_, IDC_OUTPUT_FORMAT, CB_SETCURSEL, 2);  // png

    DWORD oldPid = tandrel_.Id();
    PostMessageW(main_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    EXPECT_EQ(tandrel_.WaitForExit(60000), 0u);
    EXPECT_EQ(testfiles::FileExists(work_ / L"large_tdr.png"), button == IDC_SAVE_AND_CLOSE);

    tandrelkit::FreshCopy fresh = tandrelkit::WaitForFreshCopy(oldPid);
    ASSERT_NE(fresh.main, nullptr);
    EXPECT_EQ(gui::ControlText(fresh.main, IDC_INPUT_PATH), L"");
    EXPECT_EQ(gui::ControlText(fresh.main, IDC_WATERMARK_TEXT), L"見本の透かし");
    EXPECT_EQ(gui::ControlText(fresh.main, IDC_EFFECT_SIZE_LABEL), L"サイズ:33");
    PostMessageW(fresh.main, WM_CLOSE, 0, 0);
    EXPECT_EQ(fresh.process.WaitForExit(15000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Buttons,
                         FreshCopyGui,
                         ::testing::Values(IDC_CLOSE_FILE, IDC_SAVE_AND_CLOSE),
                         [](const ::testing::TestParamInfo<int>& tested) {
                             return tested.param == IDC_CLOSE_FILE ? std::string("close_file")
                                                                   : std::string("save_and_close");
                         });

}  // namespace
