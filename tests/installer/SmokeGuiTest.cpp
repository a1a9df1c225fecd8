#include <gtest/gtest.h>

#include "InstallTestKit.h"
#include "support/GuiDriver.h"

TEST(MivoStart, UnknownArgumentShowsTheFatalErrorAndExitsZero) {
    installkit::Distribution dist;
    ASSERT_TRUE(dist.Ready());
    ASSERT_TRUE(dist.Put(L"Setup.inf", "[Install]\r\nTitle=Test\r\n"));

    gui::Process mivo = dist.Start(L"/x");
    ASSERT_TRUE(mivo.Started());
    gui::MessageBoxContent box = gui::AnswerMessageBox(mivo.Id(), IDOK);
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, L"エラーが発生しました。強制終了します。");
    EXPECT_EQ(mivo.WaitForExit(10000), 0u);
}
