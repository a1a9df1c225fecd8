#include <gtest/gtest.h>

#include "support/GuiDriver.h"
#include "support/TestFiles.h"

TEST(MivoStart, UnknownArgumentShowsTheFatalErrorAndExitsZero) {
    testfiles::ScratchDir work;
    std::wstring setup = work / L"Setup.exe";
    ASSERT_TRUE(testfiles::CopyTo(testfiles::BinDir() + L"Mivo.exe", setup));
    ASSERT_TRUE(testfiles::WriteFileBytes(work / L"Setup.inf", "[Install]\r\nTitle=Test\r\n"));

    gui::Process mivo = gui::StartProgram(setup, L"/x", work.Path());
    ASSERT_TRUE(mivo.Started());
    gui::MessageBoxContent box = gui::AnswerMessageBox(mivo.Id(), IDOK);
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, L"エラーが発生しました。強制終了します。");
    EXPECT_EQ(mivo.WaitForExit(10000), 0u);
}
