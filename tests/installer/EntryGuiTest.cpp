// The entry of Mivo.exe, started as Setup.exe beside its setup information
// file: the setup-file lookup, the role chosen by the argument, the boxes and
// the exit codes.
#include <gtest/gtest.h>

#include <string>

#include "InstallTestKit.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace {

using testfiles::ToAnsi;

const wchar_t kMissingText1[] = L"セットアップ情報ファイル（";
const wchar_t kMissingText2[] = L"）がディスク上に存在しないか，または内容が不正です。";
const wchar_t kInvalidText2[] = L"）の内容が不正です。";
const wchar_t kFatalText[] = L"エラーが発生しました。強制終了します。";
const wchar_t kConfirmUninstallText[] = L"アンインストールを開始します。よろしいですか？";
const wchar_t kConfirmPerUserText[] =
    L"現在ログオン中のユーザ個別のショートカットおよび設定内容を削除します。よろしいですか？";

// What one run showed: its one box and its exit code.
struct Outcome {
    gui::MessageBoxContent box;
    DWORD exitCode = gui::Process::kStillRunning;
};

class EntryTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dist_.Ready()); }

    void WriteSetup(const std::wstring& name, const std::wstring& text) { ASSERT_TRUE(dist_.Put(name, ToAnsi(text))); }

    // Starts the Setup.exe of `dist` with `arguments`, from the folder around
    // the distribution (the setup file is looked for beside the program, not
    // in the current directory), answers its first box (a question with No,
    // anything else with OK) and waits for the end.
    Outcome RunIn(const installkit::Distribution& dist, const std::wstring& arguments, bool expectBox = true) {
        Outcome outcome;
        gui::Process mivo = gui::StartProgram(dist.Setup(), arguments, dist.Scratch().Path());
        EXPECT_TRUE(mivo.Started());
        if (expectBox) {
            HWND box = gui::WaitForMessageBox(mivo.Id(), 10000);
            EXPECT_TRUE(box) << "no box for " << testfiles::ToUtf8(arguments);
            if (box) {
                outcome.box = gui::ReadMessageBox(box);
                gui::PressButton(box, outcome.box.yesNo ? IDNO : IDOK);
            }
        }
        outcome.exitCode = mivo.WaitForExit(10000);
        return outcome;
    }
    Outcome Run(const std::wstring& arguments, bool expectBox = true) { return RunIn(dist_, arguments, expectBox); }

    installkit::Distribution dist_;
};

}  // namespace

TEST_F(EntryTest, WithoutSetupFileMessage1NamesTheIniPath) {
    Outcome run = Run(L"");
    EXPECT_EQ(run.box.caption, L"Error !");
    EXPECT_EQ(run.box.text, kMissingText1 + dist_ / L"Setup.ini" + kMissingText2);
    EXPECT_FALSE(run.box.yesNo);
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(EntryTest, ADirectoryWithBackslashTrailBytesIsSplitAtTheRealSeparator) {
    // 表 and ソ end in the byte of a backslash; a byte-wise split would cut
    // the directory name in half.
    installkit::Distribution japanese(L"表ソ");
    ASSERT_TRUE(japanese.Ready());
    Outcome run = RunIn(japanese, L"");
    EXPECT_EQ(run.box.text, kMissingText1 + japanese / L"Setup.ini" + kMissingText2);
    EXPECT_EQ(run.exitCode, 0u);

    ASSERT_TRUE(japanese.Put(L"Setup.inf", ToAnsi(L"[Install]\r\nTitle=\r\n")));
    run = RunIn(japanese, L"");
    EXPECT_EQ(run.box.text, kMissingText1 + japanese / L"Setup.inf" + kInvalidText2);
}

TEST_F(EntryTest, TheInfFileIsPreferredOverTheIniFile) {
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=\r\n");
    WriteSetup(L"Setup.ini", L"[Install]\r\nTitle=\r\n");
    Outcome run = Run(L"");
    EXPECT_EQ(run.box.caption, L"Error !");
    EXPECT_EQ(run.box.text, kMissingText1 + dist_ / L"Setup.inf" + kInvalidText2);
    EXPECT_EQ(run.exitCode, 0u);

    ASSERT_TRUE(DeleteFileW((dist_ / L"Setup.inf").c_str()));
    run = Run(L"");
    EXPECT_EQ(run.box.text, kMissingText1 + dist_ / L"Setup.ini" + kInvalidText2);
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(EntryTest, UnknownArgumentsEndWithMessage7) {
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\n[Uninstall]\r\nTitle=削除\r\n");
    // Words the installer does not know, a second role, "/d" and "/k" in
    // another case: all unknown, also beside a known role.
    for (const wchar_t* arguments : {L"/x", L"/D", L"/K", L"/r x", L"/u /r", L"-r", L"/dd", L"r", L"/r /VERYSILENT"}) {
        Outcome run = Run(arguments);
        EXPECT_EQ(run.box.caption, L"Error !") << testfiles::ToUtf8(arguments);
        EXPECT_EQ(run.box.text, kFatalText) << testfiles::ToUtf8(arguments);
        EXPECT_EQ(run.exitCode, 0u) << testfiles::ToUtf8(arguments);
    }
}

TEST_F(EntryTest, UninstallSwitchesIgnoreCase) {
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\n[Uninstall]\r\nTitle=削除\r\n");
    struct Case {
        const wchar_t* arguments;
        const wchar_t* question;
    } cases[] = {
        {L"/r", kConfirmUninstallText},
        {L"/R", kConfirmUninstallText},
        {L"/u", kConfirmPerUserText},
        {L"/U", kConfirmPerUserText},
    };
    for (const Case& c : cases) {
        Outcome run = Run(c.arguments);
        EXPECT_EQ(run.box.caption, L"削除") << testfiles::ToUtf8(c.arguments);
        EXPECT_EQ(run.box.text, c.question) << testfiles::ToUtf8(c.arguments);
        EXPECT_TRUE(run.box.yesNo);
        EXPECT_EQ(run.exitCode, 1u) << testfiles::ToUtf8(c.arguments);  // declined
    }
}

TEST_F(EntryTest, InstallProhibitedTurnsEveryOtherStartIntoTheUninstall) {
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\nInstallProhibited=1\r\n[Uninstall]\r\nTitle=削除\r\n");
    // "/u" too goes to the full uninstall, never to the per-user removal.
    for (const wchar_t* arguments : {L"", L"/D", L"/x", L"/u", L"/R"}) {
        Outcome run = Run(arguments);
        EXPECT_EQ(run.box.caption, L"削除") << testfiles::ToUtf8(arguments);
        EXPECT_EQ(run.box.text, kConfirmUninstallText) << testfiles::ToUtf8(arguments);
        EXPECT_EQ(run.exitCode, 1u) << testfiles::ToUtf8(arguments);
    }
}

TEST_F(EntryTest, TheFinalUninstallNeedsItsTitleAndDirectory) {
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\n[Uninstall]\r\nTitle=\r\nDir=C:\\x\r\n");
    Outcome run = Run(L"/k");
    EXPECT_EQ(run.box.caption, L"Error !");
    EXPECT_EQ(run.box.text, kMissingText1 + dist_ / L"Setup.inf" + kInvalidText2);
    EXPECT_EQ(run.exitCode, 0u);

    // "/k" stays the final uninstall even when installing is prohibited.
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\nInstallProhibited=1\r\n[Uninstall]\r\nTitle=削除\r\n");
    run = Run(L"/k");
    EXPECT_EQ(run.box.caption, L"Error !");
    EXPECT_EQ(run.box.text, std::wstring(kFatalText) + L"\n  (ErrorCode : 2001)");
    EXPECT_EQ(run.exitCode, 0u);
}

TEST_F(EntryTest, TheCleanUpRunNeedsNoSetupFile) {
    Outcome run = Run(L"/d", false);
    EXPECT_EQ(run.exitCode, 0u);
}

// An unattended run shows nothing, also when it cannot go on: what a box
// would have said goes to the log, with its number, and the exit code says
// how the run ended.
TEST_F(EntryTest, UnattendedRunsShowNoBoxAndLogWhatStoppedThem) {
    const std::wstring log = dist_.Scratch() / L"run log.txt";
    auto logText = [&] {
        std::string bytes = testfiles::ReadFileBytes(log);
        DeleteFileW(log.c_str());
        return testfiles::FromUtf8(bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? bytes.substr(3) : bytes);
    };

    // No setup file.
    Outcome run = Run(L"/S /LOG=\"" + log + L"\"", false);
    EXPECT_EQ(run.exitCode, 1u);
    std::wstring text = logText();
    EXPECT_NE(text.find(L"ERROR message 1 code 0: " + std::wstring(kMissingText1) + dist_ / L"Setup.ini"),
              std::wstring::npos)
        << testfiles::ToUtf8(text);

    // An unknown switch is message 7, as at the screen.
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=テスト\r\n[Uninstall]\r\nTitle=削除\r\n");
    run = Run(L"/LOG=\"" + log + L"\" /q /S", false);
    EXPECT_EQ(run.exitCode, 1u);
    text = logText();
    EXPECT_NE(text.find(L"ERROR message 7 code 0: " + std::wstring(kFatalText)), std::wstring::npos)
        << testfiles::ToUtf8(text);
    EXPECT_NE(text.find(L"END exit code 1\r\n"), std::wstring::npos) << testfiles::ToUtf8(text);

    // A refused setup file, in a log of its own name: the key's.
    WriteSetup(L"Setup.inf", L"[Install]\r\nTitle=\r\n[Uninstall]\r\nKey=MivoEntryTestKey\r\n");
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    const std::wstring defaultLog = std::wstring(temp) + L"Mivo-MivoEntryTestKey.log";
    DeleteFileW(defaultLog.c_str());
    run = Run(L"/silent", false);
    EXPECT_EQ(run.exitCode, 1u);
    std::string bytes = testfiles::ReadFileBytes(defaultLog);
    EXPECT_EQ(bytes.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_NE(testfiles::FromUtf8(bytes).find(L"ERROR message 2 code 0: " + std::wstring(kMissingText1) +
                                              dist_ / L"Setup.inf" + kInvalidText2),
              std::wstring::npos);
    // Appended, not replaced.
    run = Run(L"/S", false);
    std::wstring twice = testfiles::FromUtf8(testfiles::ReadFileBytes(defaultLog));
    EXPECT_NE(twice.find(L"ERROR message 2"), twice.rfind(L"ERROR message 2"));
    DeleteFileW(defaultLog.c_str());
}
