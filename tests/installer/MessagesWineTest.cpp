// The message table, the error text with its code line, the message boxes and
// the install-directory check, in process (code page 932).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "InstallTestKit.h"
#include "ReportRecorder.h"
#include "engine/AdminCheck_win.h"
#include "engine/AnsiText_win.h"
#include "engine/Entry_win.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "support/BoxAnswerer.h"
#include "support/TestFiles.h"
#include "ui/BoxReporter.h"
#include "ui/Messages.h"

namespace {

using installkit::MessageText;
using testfiles::ToAnsi;

// True when `text` is whole code page 932 text: no lone lead byte anywhere.
bool IsWholeAnsiText(const std::string& text) {
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0 ||
           text.empty();
}

class MessagesTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_setupInfo = SetupInfo();
        g_installer = InstallerState();
        std::strcpy(g_setupInfo.title, ToAnsi(L"アクメ セットアップ").c_str());
    }
};

}  // namespace

TEST_F(MessagesTest, TheTableHoldsIds1To31Without14) {
    for (int id = 1; id <= 31; ++id) {
        if (id == 14) {
            EXPECT_EQ(MessageText(id), L"");
        } else {
            EXPECT_NE(MessageText(id), L"") << id;
        }
    }
    EXPECT_EQ(MessageText(MSG_BAD_DIR_CHARS),
              L"ディレクトリ名に以下の記号は使用できません。\n \\ / : , ; \"\" < > | * ?");
    EXPECT_EQ(MessageText(MSG_COPY_FAILED), L"ファイルのコピーに失敗しました。\n%s");
    EXPECT_EQ(MessageText(MSG_PROTECTED_INSTALL_DIR),
              L"%s はシステムが使用するフォルダのため，インストール先には指定できません。");
    EXPECT_EQ(MessageText(MSG_UNINSTALL_COMPLETE_RESTART),
              L"アンインストールが完了しました。\n\n作業ファイルを完全に削除するために，Windowsを再起動することをお勧め"
              L"します。\n今すぐ再起動しますか？");
    EXPECT_EQ(MessageText(MSG_SETUP_FILE_MISSING),
              L"セットアップ情報ファイル（%s）がディスク上に存在しないか，または内容が不正です。");
}

TEST_F(MessagesTest, ErrorTextAddsTheCodeLineAndNeverOverflows) {
    const std::string readFailed = ToAnsi(L"%s の読込に失敗しました。");
    const std::string suffix = ToAnsi(L" の読込に失敗しました。");
    struct Case {
        std::string format;
        const char* argument;
        int code;
        std::string expected;
    } cases[] = {
        {"plain", nullptr, 0, "plain"},
        {"plain", nullptr, 2232, "plain\n  (ErrorCode : 2232)"},
        {"plain", nullptr, -5, "plain\n  (ErrorCode : -5)"},
        {readFailed, "C:\\a.txt", 2302, "C:\\a.txt" + suffix + "\n  (ErrorCode : 2302)"},
        // The argument is text, never a format of its own.
        {readFailed, "100%s%d", 0, "100%s%d" + suffix},
    };
    for (const Case& c : cases) {
        char out[kMessageCapacity];
        FormatErrorText(out, c.format.c_str(), c.argument, c.code);
        EXPECT_EQ(std::string(out), c.expected) << c.format;
    }

    const std::string codeLine = "\n  (ErrorCode : 2147483647)";
    for (const std::wstring& piece : {std::wstring(L"x"), std::wstring(L"表"), std::wstring(L"aソ")}) {
        std::wstring longArgument;
        while (longArgument.size() < 400) {
            longArgument += piece;
        }
        std::string argument = ToAnsi(longArgument);
        char out[kMessageCapacity + 16];
        std::memset(out, '#', sizeof(out));
        FormatErrorText(out, readFailed.c_str(), argument.c_str(), 2147483647);
        std::string text(out);
        EXPECT_LE(text.size(), kMessageCapacity - 1);
        EXPECT_EQ(out[kMessageCapacity], '#') << "wrote past the buffer";
        // The cut falls in the argument: the rest of the message and the code
        // line stay, and no double-byte character is split.
        ASSERT_GT(text.size(), suffix.size() + codeLine.size());
        EXPECT_EQ(text.substr(text.size() - codeLine.size()), codeLine);
        EXPECT_EQ(text.substr(text.size() - codeLine.size() - suffix.size(), suffix.size()), suffix);
        std::string cutArgument = text.substr(0, text.size() - codeLine.size() - suffix.size());
        EXPECT_EQ(cutArgument, argument.substr(0, cutArgument.size()));
        EXPECT_GE(cutArgument.size() + suffix.size() + codeLine.size(), kMessageCapacity - 2);
        EXPECT_TRUE(IsWholeAnsiText(cutArgument));
    }
}

TEST_F(MessagesTest, BoundedCopiesNeverSplitACharacter) {
    std::string text = ToAnsi(L"a表示");  // 1 + 2 + 2 bytes
    struct Case {
        size_t capacity;
        size_t length;
        bool whole;
    } cases[] = {{1, 0, false}, {2, 1, false}, {3, 1, false}, {4, 3, false}, {5, 3, false}, {6, 5, true}};
    for (const Case& c : cases) {
        char buffer[8];
        std::memset(buffer, '#', sizeof(buffer));
        EXPECT_EQ(CopyAnsiBounded(buffer, c.capacity, text.c_str()), c.whole) << c.capacity;
        EXPECT_EQ(std::string(buffer), text.substr(0, c.length)) << c.capacity;
        EXPECT_EQ(buffer[c.capacity], '#') << c.capacity;
    }
    char joined[5] = "ab";
    EXPECT_FALSE(AppendAnsiBounded(joined, sizeof(joined), ToAnsi(L"cソ").c_str()));
    EXPECT_EQ(std::string(joined), "abc");
    std::string partial = "ab" + std::string(1, '\x95');
    DropPartialTrailingCharacter(&partial[0]);
    EXPECT_STREQ(partial.c_str(), "ab");
    std::string whole = ToAnsi(L"ab表");
    DropPartialTrailingCharacter(&whole[0]);
    EXPECT_EQ(std::string(whole.c_str()), ToAnsi(L"ab表"));
}

TEST_F(MessagesTest, ErrorBoxesHaveTheirOwnCaptionAndTheCodeLine) {
    {
        gui::BoxAnswerer answer(IDOK);
        ShowError(nullptr, MSG_OUT_OF_MEMORY, 0);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.caption, L"Error !");
        EXPECT_EQ(box.text, L"メモリの確保に失敗しました。");
    }
    {
        gui::BoxAnswerer answer(IDOK);
        ShowError(nullptr, MSG_REGISTRY_DELETE_FAILED, 2232);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.text,
                  L"レジストリキーの削除に失敗しました。\n該当するキーが実際にレジストリに存在するかどうかを確認して下"
                  L"さい。\n  (ErrorCode : 2232)");
    }
    {
        std::strcpy(g_installer.setupFilePath, ToAnsi(L"C:\\配布\\Setup.inf").c_str());
        gui::BoxAnswerer answer(IDOK);
        BoxReporter boxes(nullptr);
        ReportSetupFileError(boxes, MSG_SETUP_FILE_INVALID);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.caption, L"Error !");
        EXPECT_EQ(box.text, L"セットアップ情報ファイル（C:\\配布\\Setup.inf）の内容が不正です。");
    }
    {
        gui::BoxAnswerer answer(IDOK);
        ShowErrorText(nullptr, MSG_START_FAILED, 5, "app.exe");
        EXPECT_EQ(answer.FinishOne().text, L"app.exe の起動に失敗しました。\n  (ErrorCode : 5)");
    }
}

TEST_F(MessagesTest, OtherBoxKindsUseTheSetupTitle) {
    struct Case {
        MessageKind kind;
        int answer;
        int expected;
        bool yesNo;
    } cases[] = {
        {MessageKind::Information, IDOK, IDOK, false},
        {MessageKind::Warning, IDOK, IDOK, false},
        {MessageKind::Question, IDNO, IDNO, true},
        {MessageKind::RestartQuestion, IDYES, IDYES, true},
    };
    for (const Case& c : cases) {
        gui::BoxAnswerer answer(c.answer);
        EXPECT_EQ(ShowMessage(nullptr, c.kind, MSG_INSTALL_COMPLETE), c.expected);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.caption, L"アクメ セットアップ");
        EXPECT_EQ(box.text, L"インストールが完了しました。");
        EXPECT_EQ(box.yesNo, c.yesNo);
    }
}

TEST_F(MessagesTest, ConfirmationQuestions) {
    struct Case {
        RunMode mode;
        int32_t notAdmin;
        int answer;
        bool result;
        const wchar_t* caption;
        const wchar_t* text;
    } cases[] = {
        {RunMode::Admin, 0, IDYES, true, L"アクメ セットアップ", L"アンインストールを開始します。よろしいですか？"},
        {RunMode::Win9x, 0, IDNO, false, L"アクメ セットアップ", L"アンインストールを開始します。よろしいですか？"},
        {RunMode::PerUser, 1, IDYES, true, L"アクメ セットアップ",
         L"現在ログオン中のユーザ個別のショートカットおよび設定内容を削除します。よろしいですか？"},
        // Not allowed for this user: the refusal, never the question.
        {RunMode::PerUser, 0, IDOK, false, L"Error !",
         L"管理者権限のユーザがログオンした状態で実行して下さい。\n処理を中止します。"},
    };
    for (const Case& c : cases) {
        g_installer.runMode = c.mode;
        g_setupInfo.notAdmin = c.notAdmin;
        installkit::ReportRecorder answer([&](const gui::MessageBoxContent&) { return c.answer; });
        EXPECT_EQ(ConfirmUninstall(answer), c.result);
        gui::MessageBoxContent box = answer.One();
        EXPECT_EQ(box.caption, c.caption);
        EXPECT_EQ(box.text, c.text);
    }
    for (int button : {IDYES, IDNO}) {
        gui::BoxAnswerer answer(button);
        EXPECT_EQ(ConfirmCancelInstall(nullptr), button == IDYES);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.text, L"インストールを中止します。よろしいですか？");
        EXPECT_TRUE(box.yesNo);
    }
}

TEST_F(MessagesTest, InstallDirectoryCheck) {
    struct Case {
        std::wstring dir;
        int message;
    } cases[] = {
        {L"", MSG_SPECIFY_INSTALL_DIR},
        {L"C:\\", MSG_SPECIFY_INSTALL_DIR},
        {L"C:\\Program Files\\App\\", MSG_SPECIFY_INSTALL_DIR},
        {L"C:\\Program Files\\App", 0},
        {L"C:\\a;b", MSG_BAD_DIR_CHARS},
        {L"C:\\a/b", MSG_BAD_DIR_CHARS},
        {L"C:\\a:b", MSG_BAD_DIR_CHARS},
        {L"C:\\a,b", MSG_BAD_DIR_CHARS},
        {L"C:\\a\"b", MSG_BAD_DIR_CHARS},
        {L"C:\\a<b", MSG_BAD_DIR_CHARS},
        {L"C:\\a>b", MSG_BAD_DIR_CHARS},
        {L"C:\\a|b", MSG_BAD_DIR_CHARS},
        {L"C:\\a\\b", 0},
        // Trail bytes equal to "\" (表, ソ) or "|" (ポ is 0x83 0x7C) are part
        // of their characters: not a trailing backslash, not a forbidden bar.
        {L"C:\\表", 0},
        {L"C:\\ソフト\\表", 0},
        {L"C:\\ポート", 0},
        {L"C:\\アプリ;", MSG_BAD_DIR_CHARS},
        // A drive alone, its root and what is no full path.
        {L"C:", MSG_SPECIFY_INSTALL_DIR},
        {L"E:", MSG_SPECIFY_INSTALL_DIR},
        {L"C:/", MSG_SPECIFY_INSTALL_DIR},
        {L"|:|", MSG_SPECIFY_INSTALL_DIR},
        {L"|:|x", MSG_SPECIFY_INSTALL_DIR},
        {L"|:|x|", MSG_SPECIFY_INSTALL_DIR},
        {L"Tandrel", MSG_SPECIFY_INSTALL_DIR},
        {L"C:Tandrel", MSG_SPECIFY_INSTALL_DIR},
        {L"\\Tandrel", MSG_SPECIFY_INSTALL_DIR},
        {L"\\\\server\\share", MSG_SPECIFY_INSTALL_DIR},
        {L"C:\\Tandrel*", MSG_BAD_DIR_CHARS},
        {L"C:\\Tandrel?", MSG_BAD_DIR_CHARS},
        {L"C:\\Tan\tdrel", MSG_BAD_DIR_CHARS},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckInstallDir(ToAnsi(c.dir).c_str()), c.message) << testfiles::ToUtf8(c.dir);
    }
    EXPECT_EQ(ToAnsi(L"ポ"), "\x83\x7C");
    EXPECT_EQ(ToAnsi(L"表"), "\x95\x5C");
}

TEST_F(MessagesTest, TheSystemsFoldersOfThisMachineAreNoInstallDirectoryUnderAnyName) {
    const std::string windows = installkit::WindowsDir();
    const std::string programFiles = installkit::ProgramFilesDir();
    char shortName[MAX_PATH] = {};
    ASSERT_GT(GetShortPathNameA(programFiles.c_str(), shortName, MAX_PATH), 0u);
    ASSERT_NE(std::string(shortName), programFiles);
    char profile[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    const std::string profiles = std::string(profile).substr(0, std::string(profile).find_last_of('\\'));
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    const std::string afterDrive = windows.substr(2);  // "\windows"
    struct Case {
        std::string dir;
        int message;
    } cases[] = {
        {windows, MSG_PROTECTED_INSTALL_DIR},
        {windows + "\\system32", MSG_PROTECTED_INSTALL_DIR},
        {windows + "\\Tandrel", MSG_PROTECTED_INSTALL_DIR},
        {programFiles, MSG_PROTECTED_INSTALL_DIR},
        {shortName, MSG_PROTECTED_INSTALL_DIR},
        {programFiles + "\\Common Files", MSG_PROTECTED_INSTALL_DIR},
        {profile, MSG_PROTECTED_INSTALL_DIR},
        {profiles + "\\SomeoneElse", MSG_PROTECTED_INSTALL_DIR},
        {"\\\\localhost\\" + windows.substr(0, 1) + "$" + afterDrive, MSG_PROTECTED_INSTALL_DIR},
        {"\\\\" + std::string(computer) + "\\" + windows.substr(0, 1) + "$" + afterDrive + "\\inf",
         MSG_PROTECTED_INSTALL_DIR},
        {"\\\\?\\" + windows, MSG_BAD_DIR_CHARS},
        {programFiles + "\\Tandrel", 0},
        {std::string(shortName) + "\\Tandrel", 0},
        {std::string(profile) + "\\Tandrel", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckInstallDir(c.dir.c_str()), c.message) << c.dir;
    }
    gui::BoxAnswerer answer(IDOK);
    EXPECT_FALSE(ValidateInstallDir(nullptr, programFiles.c_str()));
    gui::MessageBoxContent box = answer.FinishOne();
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, testfiles::FromAnsi(programFiles) +
                            L" はシステムが使用するフォルダのため，インストール先には指定できません。");
}

// The program's reporter: each notice as the table words it, the refused
// target on a line of its own, the setup file's own text in place of a
// message, the restart offer as a question; and while files are copied the
// progress dialog owns the boxes, showing the file.
TEST_F(MessagesTest, BoxReporterShowsNoticesAndQuestionsAndLetsTheProgressDialogOwnBoxes) {
    g_installer.instance = GetModuleHandleA(nullptr);
    SetMessageModule(g_installer.instance);
    std::strcpy(g_installer.setupFilePath, "C:\\dist\\Setup.inf");
    BoxReporter boxes(nullptr);
    {
        gui::BoxAnswerer answer(IDOK);
        Notice refusal{Severity::Error, MSG_SETUP_FILE_INVALID};
        refusal.argument = g_installer.setupFilePath;
        refusal.detail = "HKEY_CURRENT_USER\\Software";
        boxes.Notify(refusal);
        Notice complete{Severity::Information, MSG_INSTALL_COMPLETE};
        complete.text = "Done, thank you";
        boxes.Notify(complete);
        boxes.Warning(MSG_INSTALL_DIR_DELETE_FAILED);
        std::vector<gui::MessageBoxContent> shown = answer.Finish();
        ASSERT_EQ(shown.size(), 3u);
        EXPECT_EQ(shown[0].caption, L"Error !");
        EXPECT_EQ(shown[0].text,
                  L"セットアップ情報ファイル（C:\\dist\\Setup.inf）の内容が不正です。\nHKEY_CURRENT_USER\\Software");
        EXPECT_EQ(shown[1].caption, L"アクメ セットアップ");
        EXPECT_EQ(shown[1].text, L"Done, thank you");
        EXPECT_EQ(shown[2].text, MessageText(MSG_INSTALL_DIR_DELETE_FAILED));
        EXPECT_FALSE(shown[2].yesNo);
    }
    for (int button : {IDYES, IDNO}) {
        gui::BoxAnswerer answer(button);
        EXPECT_EQ(boxes.Ask({MSG_UNINSTALL_COMPLETE_RESTART, QuestionStyle::Restart}), button == IDYES);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.text, MessageText(MSG_UNINSTALL_COMPLETE_RESTART));
        EXPECT_TRUE(box.yesNo);
    }
    {
        gui::BoxAnswerer answer(IDOK);
        boxes.BeginCopying({1, 10});
        boxes.Copying("C:\\dist\\a.txt", "C:\\App\\a.txt");
        boxes.Error(MSG_COPY_FAILED, 0, "C:\\dist\\a.txt");
        boxes.EndCopying();
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.text, L"ファイルのコピーに失敗しました。\nC:\\dist\\a.txt");
        EXPECT_EQ(box.ownerTitle, L"アクメ セットアップ");
        EXPECT_NE(std::find(box.ownerControls.begin(), box.ownerControls.end(), IDC_PROGRESS_SOURCE),
                  box.ownerControls.end());
    }
    // A file in use: named, with the program holding it where known, and
    // Retry or Cancel; the copying undone is told in one box.
    for (int button : {IDRETRY, IDCANCEL}) {
        gui::BoxAnswerer answer(button);
        const bool known = button == IDRETRY;
        EXPECT_EQ(boxes.AskRetryInUse("C:\\App\\Tandrel.exe", known ? "Tandrel.exe" : nullptr), button == IDRETRY);
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_TRUE(box.retryCancel);
        EXPECT_EQ(box.caption, L"アクメ セットアップ");
        EXPECT_EQ(box.text, std::wstring(L"C:\\App\\Tandrel.exe は使用中のため，置き換えることができません。\n") +
                                (known ? L"Tandrel.exe が使用中です。\n" : L"") + L"\n" +
                                MessageText(MSG_CLOSE_AND_RETRY));
    }
    {
        gui::BoxAnswerer answer(IDOK);
        Notice undone{Severity::Error, MSG_COPY_FAILED};
        undone.argument = "C:\\dist\\b.txt";
        undone.detailMessageId = MSG_NOTHING_CHANGED;
        boxes.Notify(undone);
        EXPECT_EQ(answer.FinishOne().text,
                  L"ファイルのコピーに失敗しました。\nC:\\dist\\b.txt\nコンピュータには何も変更を加えていません。");
    }
    {
        // Once the copying has ended, the progress dialog is gone.
        gui::BoxAnswerer answer(IDOK);
        boxes.Error(MSG_COPY_FAILED);
        EXPECT_EQ(answer.FinishOne().ownerTitle, L"");
    }
}

TEST_F(MessagesTest, ValidateInstallDirShowsTheRefusal) {
    {
        gui::BoxAnswerer answer(IDOK);
        EXPECT_FALSE(ValidateInstallDir(nullptr, "C:\\"));
        gui::MessageBoxContent box = answer.FinishOne();
        EXPECT_EQ(box.caption, L"Error !");
        EXPECT_EQ(box.text, L"インストール先ディレクトリを指定して下さい。");
    }
    {
        gui::BoxAnswerer answer(IDOK);
        EXPECT_FALSE(ValidateInstallDir(nullptr, "C:\\a<b"));
        EXPECT_EQ(answer.FinishOne().text, L"ディレクトリ名に以下の記号は使用できません。\n \\ / : , ; \"\" < > | * ?");
    }
    {
        gui::BoxAnswerer answer(IDOK);
        EXPECT_TRUE(ValidateInstallDir(nullptr, "C:\\Program Files\\App"));
        EXPECT_EQ(answer.FinishOne().text, L"");
    }
}

TEST(AdminCheck, WineRunsTheUserAsAnAdministrator) {
    EXPECT_TRUE(IsUserAdministrator());
    EXPECT_EQ(DetectRunMode(), RunMode::Admin);
    // An impersonating thread is judged by its own token, here a copy of the
    // same user's.
    ASSERT_TRUE(ImpersonateSelf(SecurityImpersonation));
    HANDLE token = nullptr;
    EXPECT_TRUE(OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, FALSE, &token));
    if (token) {
        CloseHandle(token);
    }
    EXPECT_TRUE(IsUserAdministrator());
    RevertToSelf();
}

TEST(AdminCheck, ADenyOnlyAdministratorsGroupStillCounts) {
    HANDLE process = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &process));
    SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    ASSERT_TRUE(AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                         0, 0, 0, &administrators));
    SID_AND_ATTRIBUTES disable = {administrators, 0};
    HANDLE restricted = nullptr;
    BOOL made = CreateRestrictedToken(process, 0, 1, &disable, 0, nullptr, 0, nullptr, &restricted);
    HANDLE impersonation = nullptr;
    if (made) {
        made = DuplicateToken(restricted, SecurityImpersonation, &impersonation);
    }
    if (!made) {
        FreeSid(administrators);
        CloseHandle(process);
        GTEST_SKIP() << "restricted tokens are not available here";
    }
    ASSERT_TRUE(SetThreadToken(nullptr, impersonation));
    // The group is now deny-only: a check of enabled membership says no, the
    // installer's check of membership says yes.
    BOOL enabledMember = TRUE;
    CheckTokenMembership(nullptr, administrators, &enabledMember);
    bool admin = IsUserAdministrator();
    RevertToSelf();
    EXPECT_FALSE(enabledMember);
    EXPECT_TRUE(admin);
    CloseHandle(impersonation);
    CloseHandle(restricted);
    FreeSid(administrators);
    CloseHandle(process);
}
