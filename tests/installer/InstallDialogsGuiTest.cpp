// The document and options dialogs of a real install: Mivo.exe copied as
// Setup.exe beside a Setup.inf (and a document), started without arguments
// and driven as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <ostream>
#include <string>

#include "InstallTestKit.h"
#include "resources/resource.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

const wchar_t kTitle[] = L"テスト製品";
const wchar_t kDocumentCaption[] = L"テスト製品 (1/2)";
const wchar_t kOptionsCaptionAfterDocument[] = L"テスト製品 (2/2)";
// "InstallDir" with a leading backslash: on the Windows directory's drive.
const wchar_t kInstallDir[] = L"C:\\MivoDialogTest";

const DWORD kExitTimeout = 10000;

// A distribution folder with its Setup.inf.
struct Distribution : installkit::Distribution {
    explicit Distribution(const std::wstring& inf) {
        EXPECT_TRUE(Ready());
        EXPECT_TRUE(Put(L"Setup.inf", testfiles::ToAnsi(inf)));
    }
};

std::wstring Inf(const std::wstring& installKeys, const std::wstring& otherSections = L"") {
    return L"[Install]\r\nTitle=" + std::wstring(kTitle) + L"\r\n" + installKeys + otherSections;
}

// What ends an install without changing anything: Cancel, then Yes.
void CancelInstall(gui::Process& mivo, HWND dialog) {
    gui::PressButton(dialog, IDCANCEL);
    gui::MessageBoxContent question = gui::AnswerMessageBox(mivo.Id(), IDYES);
    EXPECT_EQ(question.text, L"インストールを中止します。よろしいですか？");
    EXPECT_EQ(mivo.WaitForExit(kExitTimeout), 0u);
}

// --- The author's document --------------------------------------------------

struct DocumentCase {
    const char* name;
    std::string content;
    std::string shown;  // what the edit must hold
};
void PrintTo(const DocumentCase& c, std::ostream* os) {
    *os << c.name;
}

std::string Repeat(const std::string& unit, size_t bytes) {
    std::string text;
    while (text.size() < bytes) {
        text += unit;
    }
    text.resize(bytes);
    return text;
}

class DocumentShown : public testing::TestWithParam<DocumentCase> {};

TEST_P(DocumentShown, HoldsTheFirst32768BytesUnderTheStepOneCaption) {
    const DocumentCase& c = GetParam();
    Distribution dist(Inf(L"TextFile=readme.txt\r\n"));
    ASSERT_TRUE(testfiles::WriteFileBytes(dist / L"readme.txt", c.content));
    gui::Process mivo = dist.Start();
    ASSERT_TRUE(mivo.Started());

    HWND dialog = gui::WaitForWindow(mivo.Id(), L"#32770", kDocumentCaption);
    ASSERT_NE(dialog, nullptr);
    std::wstring shown = gui::ControlText(dialog, IDC_DOCUMENT_TEXT);
    std::wstring expected = testfiles::FromAnsi(c.shown);
    EXPECT_EQ(shown.size(), expected.size());
    EXPECT_TRUE(shown == expected);
    if (std::string(c.name) == "japanese") {
        gui::SaveShot(L"mivo-document-101.png", dialog);
    }
    CancelInstall(mivo, dialog);
}

const std::string kJapaneseDocument = testfiles::ToAnsi(
    L"テスト製品 ご使用の前に\r\n"
    L"========================\r\n"
    L"\r\n"
    L"このソフトウェアはフリーソフトです。\r\n"
    L"  1. 表計算ソフト「表」の能力を試すためのものです。\r\n"
    L"  2. 不具合はサポート窓口（support@example.jp）までどうぞ。\r\n");

// 32,767 ASCII bytes and then a double-byte character: the limit falls
// between its two bytes.
const std::string kCutCharacter = Repeat("abcdefg\r\n", 32767) + testfiles::ToAnsi(L"表示");

INSTANTIATE_TEST_SUITE_P(
    Documents,
    DocumentShown,
    testing::Values(DocumentCase{"japanese", kJapaneseDocument, kJapaneseDocument},
                    DocumentCase{"exactly_the_limit", Repeat("0123456789\r\n", 32768), Repeat("0123456789\r\n", 32768)},
                    DocumentCase{"forty_thousand_bytes", Repeat("line of text\r\n", 40000),
                                 Repeat("line of text\r\n", 32768)},
                    DocumentCase{"character_across_the_limit", kCutCharacter, Repeat("abcdefg\r\n", 32767)},
                    DocumentCase{"empty", "", ""}),
    [](const testing::TestParamInfo<DocumentCase>& tested) { return std::string(tested.param.name); });

TEST(DocumentDialog, MissingDocumentIsReportedWithItsFullPathAndEndsTheInstaller) {
    Distribution dist(Inf(L"TextFile=docs\\missing.txt\r\n"));
    gui::Process mivo = dist.Start();
    ASSERT_TRUE(mivo.Started());
    gui::MessageBoxContent box = gui::AnswerMessageBox(mivo.Id(), IDOK);
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, dist.Dir() + L"\\docs\\missing.txt の読込に失敗しました。");
    EXPECT_EQ(mivo.WaitForExit(kExitTimeout), 0u);
}

TEST(DocumentDialog, NextLeadsToTheOptionsAsStepTwo) {
    Distribution dist(Inf(L"TextFile=readme.txt\r\n"));
    ASSERT_TRUE(testfiles::WriteFileBytes(dist / L"readme.txt", "Read me.\r\n"));
    gui::Process mivo = dist.Start();
    HWND document = gui::WaitForWindow(mivo.Id(), L"#32770", kDocumentCaption);
    ASSERT_NE(document, nullptr);
    gui::PressButton(document, IDOK);
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kOptionsCaptionAfterDocument);
    ASSERT_NE(options, nullptr);
    EXPECT_FALSE(IsWindow(document));
    CancelInstall(mivo, options);
}

TEST(DocumentDialog, WithoutTextFileTheOptionsComeFirstAndUnnumbered) {
    Distribution dist(Inf(L""));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    CancelInstall(mivo, options);
}

// --- Cancelling ---------------------------------------------------------------

struct CancelCase {
    const char* name;
    bool documentDialog;  // else the options dialog (with directory)
    bool closeBox;        // else the Cancel button
};
void PrintTo(const CancelCase& c, std::ostream* os) {
    *os << c.name;
}

class CancelQuestion : public testing::TestWithParam<CancelCase> {};

void AskToCancel(HWND dialog, bool closeBox) {
    if (closeBox) {
        PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else {
        gui::PressButton(dialog, IDCANCEL);
    }
}

TEST_P(CancelQuestion, NoKeepsTheDialogAndYesEndsWithNothingOnDisk) {
    const CancelCase& c = GetParam();
    Distribution dist(Inf(L"TextFile=readme.txt\r\nInstallDir=\\MivoDialogTest\r\n",
                          L"[Files]\r\nItem1=readme.txt\r\n[Group]\r\nValue=1\r\nItem1=Read me,readme.txt\r\n"));
    ASSERT_TRUE(testfiles::WriteFileBytes(dist / L"readme.txt", "Read me.\r\n"));
    gui::Process mivo = dist.Start();
    HWND dialog = gui::WaitForWindow(mivo.Id(), L"#32770", kDocumentCaption);
    ASSERT_NE(dialog, nullptr);
    if (!c.documentDialog) {
        gui::PressButton(dialog, IDOK);
        dialog = gui::WaitForWindow(mivo.Id(), L"#32770", kOptionsCaptionAfterDocument);
        ASSERT_NE(dialog, nullptr);
    }
    std::wstring caption = gui::WindowText(dialog);

    AskToCancel(dialog, c.closeBox);
    gui::MessageBoxContent question = gui::AnswerMessageBox(mivo.Id(), IDNO);
    EXPECT_EQ(question.caption, kTitle);
    EXPECT_EQ(question.text, L"インストールを中止します。よろしいですか？");
    ASSERT_TRUE(gui::Sync(dialog));
    EXPECT_TRUE(IsWindowVisible(dialog));
    EXPECT_EQ(gui::WindowText(dialog), caption);
    EXPECT_TRUE(mivo.Running());

    AskToCancel(dialog, c.closeBox);
    gui::AnswerMessageBox(mivo.Id(), IDYES);
    EXPECT_EQ(mivo.WaitForExit(kExitTimeout), 0u);
    EXPECT_FALSE(testfiles::DirExists(kInstallDir));
    EXPECT_TRUE(testfiles::FileExists(dist.Setup()));
    EXPECT_TRUE(testfiles::FileExists(dist / L"readme.txt"));
}

INSTANTIATE_TEST_SUITE_P(Dialogs,
                         CancelQuestion,
                         testing::Values(CancelCase{"document_cancel_button", true, false},
                                         CancelCase{"document_close_box", true, true},
                                         CancelCase{"options_cancel_button", false, false},
                                         CancelCase{"options_close_box", false, true}),
                         [](const testing::TestParamInfo<CancelCase>& tested) {
                             return std::string(tested.param.name);
                         });

// --- The options ----------------------------------------------------------------

TEST(OptionsDialog, InPlaceInstallHasNoDirectoryControls) {
    Distribution dist(Inf(L"", L"[Group]\r\nValue=1\r\n[Startup]\r\nValue=0\r\n[Desktop]\r\nValue=1\r\n"));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(GetWindowLongW(options, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    EXPECT_EQ(gui::Control(options, IDC_INSTALL_DIR), nullptr);
    EXPECT_EQ(gui::Control(options, IDC_BROWSE_INSTALL_DIR), nullptr);
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_GROUP), BST_CHECKED);
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_STARTUP), BST_UNCHECKED);
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_DESKTOP), BST_CHECKED);
    gui::SaveShot(L"mivo-options-102.png", options);
    CancelInstall(mivo, options);
}

TEST(OptionsDialog, AbsentValueKeysDisableTheirBoxes) {
    Distribution dist(Inf(L"InstallDir=\\MivoDialogTest\r\n"));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    for (int id : {IDC_OPTION_GROUP, IDC_OPTION_STARTUP, IDC_OPTION_DESKTOP, IDC_OPTION_ALL_USERS}) {
        EXPECT_FALSE(gui::IsControlEnabled(options, id)) << id;
        EXPECT_EQ(gui::CheckState(options, id), BST_UNCHECKED) << id;
    }
    EXPECT_EQ(gui::ControlText(options, IDC_INSTALL_DIR), kInstallDir);
    EXPECT_TRUE(GetWindowLongW(options, GWL_EXSTYLE) & WS_EX_CONTEXTHELP);
    CancelInstall(mivo, options);
}

struct AllUsersCase {
    const char* name;
    const wchar_t* value;
    int shown;
    int afterOneClick;
    int afterTwoClicks;
};
void PrintTo(const AllUsersCase& c, std::ostream* os) {
    *os << c.name;
}

class AllUsersBox : public testing::TestWithParam<AllUsersCase> {};

// Wine runs the user as an administrator, so "AllUsers" is read.
TEST_P(AllUsersBox, ShowsTheValueAndClicksToggleOnlyTwoStates) {
    const AllUsersCase& c = GetParam();
    Distribution dist(Inf(L"InstallDir=\\MivoDialogTest\r\nAllUsers=" + std::wstring(c.value) + L"\r\n"));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    EXPECT_TRUE(gui::IsControlEnabled(options, IDC_OPTION_ALL_USERS));
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_ALL_USERS), c.shown);
    ASSERT_TRUE(gui::ClickAndWait(options, IDC_OPTION_ALL_USERS));
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_ALL_USERS), c.afterOneClick);
    ASSERT_TRUE(gui::ClickAndWait(options, IDC_OPTION_ALL_USERS));
    EXPECT_EQ(gui::CheckState(options, IDC_OPTION_ALL_USERS), c.afterTwoClicks);
    if (c.shown == BST_INDETERMINATE) {
        gui::SaveShot(L"mivo-options-103.png", options);
    }
    CancelInstall(mivo, options);
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    AllUsersBox,
    testing::Values(AllUsersCase{"unchecked", L"0", BST_UNCHECKED, BST_CHECKED, BST_UNCHECKED},
                    AllUsersCase{"checked", L"1", BST_CHECKED, BST_UNCHECKED, BST_CHECKED},
                    AllUsersCase{"two_is_fixed", L"2", BST_INDETERMINATE, BST_INDETERMINATE, BST_INDETERMINATE},
                    AllUsersCase{"seven_is_fixed", L"7", BST_INDETERMINATE, BST_INDETERMINATE, BST_INDETERMINATE}),
    [](const testing::TestParamInfo<AllUsersCase>& tested) { return std::string(tested.param.name); });

struct RefusedDirCase {
    const char* name;
    const wchar_t* typed;
    const wchar_t* message;
};
void PrintTo(const RefusedDirCase& c, std::ostream* os) {
    *os << c.name;
}

class RefusedDirectory : public testing::TestWithParam<RefusedDirCase> {};

const wchar_t kSpecifyDir[] = L"インストール先ディレクトリを指定して下さい。";
const wchar_t kBadSymbols[] = L"ディレクトリ名に以下の記号は使用できません。\n \\ / : , ; \"\" < > | * ?";
const wchar_t kWindowsRefused[] =
    L"C:\\windows\\Tandrel はシステムが使用するフォルダのため，インストール先には指定できません。";

TEST_P(RefusedDirectory, KeepsTheDialogWithTheTextSelectedInTheField) {
    const RefusedDirCase& c = GetParam();
    Distribution dist(Inf(L"InstallDir=\\MivoDialogTest\r\n"));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    gui::SetControlText(options, IDC_INSTALL_DIR, c.typed);
    gui::PressButton(options, IDOK);
    if (c.message == kWindowsRefused) {
        // The one refusal whose text names the folder: it must fit its box.
        gui::SaveShot(L"mivo-protected-install-dir.png", gui::WaitForMessageBox(mivo.Id()), 200);
    }
    gui::MessageBoxContent box = gui::AnswerMessageBox(mivo.Id(), IDOK);
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, c.message);

    ASSERT_TRUE(gui::Sync(options));
    EXPECT_TRUE(IsWindowVisible(options));
    HWND edit = gui::Control(options, IDC_INSTALL_DIR);
    EXPECT_EQ(gui::FocusOf(options), edit);
    DWORD_PTR selection = 0;
    SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), lstrlenW(c.typed));
    EXPECT_EQ(gui::ControlText(options, IDC_INSTALL_DIR), c.typed);
    CancelInstall(mivo, options);
}

TEST(UsedFolder, IsAskedForByNameAndNoKeepsTheDialogWithTheTextSelected) {
    Distribution dist(Inf(L"InstallDir=\\MivoDialogTest\r\n"));
    // Someone's folder: a file of theirs, and no earlier install of this
    // product.
    const std::wstring used = dist.Scratch().Path() + L"\\Used folder";
    ASSERT_TRUE(CreateDirectoryW(used.c_str(), nullptr));
    ASSERT_TRUE(testfiles::WriteFileBytes(used + L"\\letter.txt", "mine"));
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    gui::SetControlText(options, IDC_INSTALL_DIR, used);
    gui::PressButton(options, IDOK);
    // Its text names a folder of any length: it must fit its box.
    gui::SaveShot(L"mivo-used-install-dir.png", gui::WaitForMessageBox(mivo.Id()), 200);
    gui::MessageBoxContent box = gui::AnswerMessageBox(mivo.Id(), IDNO);
    EXPECT_EQ(box.caption, kTitle);
    EXPECT_EQ(box.text, used + L" には既にファイルが存在します。\nこのフォルダにインストールします。よろしいですか？");

    ASSERT_TRUE(gui::Sync(options));
    EXPECT_TRUE(IsWindowVisible(options));
    HWND edit = gui::Control(options, IDC_INSTALL_DIR);
    EXPECT_EQ(gui::FocusOf(options), edit);
    DWORD_PTR selection = 0;
    SendMessageTimeoutW(edit, EM_GETSEL, 0, 0, SMTO_ABORTIFHUNG, 5000, &selection);
    EXPECT_EQ(LOWORD(selection), 0);
    EXPECT_EQ(HIWORD(selection), used.size());
    CancelInstall(mivo, options);
    EXPECT_EQ(testfiles::ReadFileBytes(used + L"\\letter.txt"), "mine");
}

INSTANTIATE_TEST_SUITE_P(Typed,
                         RefusedDirectory,
                         testing::Values(RefusedDirCase{"trailing_backslash", L"C:\\Program Files\\", kSpecifyDir},
                                         RefusedDirCase{"empty", L"", kSpecifyDir},
                                         RefusedDirCase{"semicolon", L"C:\\a;b", kBadSymbols},
                                         RefusedDirCase{"colon_after_drive", L"C:\\a:b", kBadSymbols},
                                         RefusedDirCase{"relative", L"Tandrel", kSpecifyDir},
                                         RefusedDirCase{"bare_drive", L"E:", kSpecifyDir},
                                         RefusedDirCase{"wildcard", L"C:\\Tan*", kBadSymbols},
                                         RefusedDirCase{"in_windows", L"C:\\windows\\Tandrel", kWindowsRefused}),
                         [](const testing::TestParamInfo<RefusedDirCase>& tested) {
                             return std::string(tested.param.name);
                         });

// --- The folder browser ----------------------------------------------------------

// The browser: a dialog of the process that is neither the options nor a
// message box.
HWND WaitForBrowser(DWORD pid, HWND options) {
    return gui::WaitForWindowWhere([&](HWND window) {
        return gui::ProcessOf(window) == pid && window != options && gui::ClassOf(window) == L"#32770" &&
               !gui::IsMessageBox(window);
    });
}

struct BrowseCase {
    const char* name;
    bool typeExistingFolder;  // else a folder that does not exist
    int answer;
};
void PrintTo(const BrowseCase& c, std::ostream* os) {
    *os << c.name;
}

class BrowseButton : public testing::TestWithParam<BrowseCase> {};

// Opens the browser from the options, answers it with `answer` and returns
// the directory field's text afterwards.
std::wstring BrowseAndAnswer(DWORD pid, HWND options, int answer, const wchar_t* screenshot) {
    gui::PressButton(options, IDC_BROWSE_INSTALL_DIR);
    HWND browser = WaitForBrowser(pid, options);
    if (!browser || !gui::Sync(browser)) {
        return L"(no browser)";
    }
    if (screenshot) {
        gui::SaveShot(screenshot, browser);
    }
    gui::PressButton(browser, answer);
    gui::WaitUntil([&] { return !IsWindow(browser); });
    gui::Sync(options);
    return gui::ControlText(options, IDC_INSTALL_DIR);
}

TEST_P(BrowseButton, OpensOnTheTypedFolderAndReplacesTheTextOnlyWhenChosen) {
    const BrowseCase& c = GetParam();
    Distribution dist(Inf(L"InstallDir=\\MivoDialogTest\r\n"));
    testfiles::ScratchDir target(L"pick");
    std::wstring typed = c.typeExistingFolder ? target.Path() : std::wstring(L"C:\\MivoNowhere\\Sub");
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    gui::SetControlText(options, IDC_INSTALL_DIR, typed);

    // OK takes the folder the browser opened on, with the product's folder
    // in it; Cancel leaves the field as it was. Wine's browser now and then drops its selection when a shell
    // notification rebuilds part of its tree, and then answers the desktop:
    // a preselection that never happens fails every attempt.
    const std::wstring expected = c.answer == IDOK ? typed + L"\\MivoDialogTest" : typed;
    std::wstring after;
    for (int attempt = 0; attempt < 3; ++attempt) {
        after =
            BrowseAndAnswer(mivo.Id(), options, c.answer, c.answer == IDCANCEL ? L"mivo-browse-folder.png" : nullptr);
        if (after == expected) {
            break;
        }
        gui::SetControlText(options, IDC_INSTALL_DIR, typed);
    }
    EXPECT_EQ(testfiles::ToUtf8(after), testfiles::ToUtf8(expected));
    EXPECT_TRUE(IsWindowVisible(options));
    CancelInstall(mivo, options);
}

INSTANTIATE_TEST_SUITE_P(Answers,
                         BrowseButton,
                         testing::Values(BrowseCase{"chosen", true, IDOK}, BrowseCase{"cancelled", false, IDCANCEL}),
                         [](const testing::TestParamInfo<BrowseCase>& tested) {
                             return std::string(tested.param.name);
                         });

// --- Pop-up help ------------------------------------------------------------------

const wchar_t kGroupInfo[] = L"「テスト製品」のグループを作ります。";

std::wstring HelpInf() {
    return Inf(L"InstallDir=\\MivoDialogTest\r\nAllUsers=0\r\n",
               L"[Group]\r\nValue=1\r\nInfo=" + std::wstring(kGroupInfo) +
                   L"\r\n[Startup]\r\nValue=0\r\n[Desktop]\r\nValue=-1\r\nInfo=never shown\r\n");
}

// Presses and releases `virtualKey` as the keyboard would: through the input
// queue to the window with the focus. The help key becomes a help request
// only on that way; a posted key press never does.
void TypeKey(WORD virtualKey) {
    INPUT keys[2] = {};
    keys[0].type = INPUT_KEYBOARD;
    keys[0].ki.wVk = virtualKey;
    keys[1] = keys[0];
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, keys, sizeof(INPUT));
}

// Makes `control` of the options dialog the focus of the foreground window.
bool FocusControl(HWND dialog, int id) {
    HWND control = gui::Control(dialog, id);
    SetForegroundWindow(dialog);
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE, SMTO_ABORTIFHUNG, 5000,
                        &ignored);
    return gui::WaitUntil([&] { return GetForegroundWindow() == dialog && gui::FocusOf(dialog) == control; }, 5000);
}

// Line height of the options dialogs' font, "ＭＳ Ｐゴシック" 9 point, as the
// note measures it (never below 12 pixels).
int DialogLineHeight() {
    HDC screen = GetDC(nullptr);
    HFONT font = CreateFontW(-MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72), 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                             DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE,
                             L"ＭＳ Ｐゴシック");
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    DeleteObject(font);
    ReleaseDC(nullptr, screen);
    return metrics.tmHeight > 12 ? metrics.tmHeight : 12;
}

HWND WaitForNote(DWORD pid, DWORD timeoutMs = 5000) {
    return gui::WaitForWindow(pid, L"MIVO_POPHELP", nullptr, timeoutMs);
}

TEST(PopupHelp, F1OnACheckBoxShowsItsInfoBelowItUntilEscape) {
    Distribution dist(HelpInf());
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    HWND box = gui::Control(options, IDC_OPTION_GROUP);

    ASSERT_TRUE(FocusControl(options, IDC_OPTION_GROUP));
    TypeKey(VK_F1);
    HWND note = WaitForNote(mivo.Id());
    ASSERT_NE(note, nullptr);
    RECT boxRect = {};
    RECT noteRect = {};
    GetWindowRect(box, &boxRect);
    GetWindowRect(note, &noteRect);
    EXPECT_EQ(noteRect.right - noteRect.left, 270);
    EXPECT_EQ(noteRect.left, boxRect.left + 10);
    EXPECT_EQ(noteRect.top, boxRect.bottom + 3);
    // One line: 24 pixels with a 12-pixel font, more with a taller one.
    EXPECT_EQ(noteRect.bottom - noteRect.top, 12 + DialogLineHeight());
    gui::SaveShot(L"mivo-popup-help.png");

    // Pressing and releasing F1 again (on the note, which has the focus)
    // keeps it.
    TypeKey(VK_F1);
    ASSERT_TRUE(gui::Sync(options));
    ASSERT_TRUE(gui::Sync(note));
    EXPECT_TRUE(IsWindow(note) && IsWindowVisible(note));

    TypeKey(VK_ESCAPE);
    EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(note); }, 5000));
    ASSERT_TRUE(gui::Sync(options));
    EXPECT_TRUE(IsWindowVisible(options));
    CancelInstall(mivo, options);
}

struct NoHelpCase {
    const char* name;
    int control;
};
void PrintTo(const NoHelpCase& c, std::ostream* os) {
    *os << c.name;
}

class NoHelp : public testing::TestWithParam<NoHelpCase> {};

TEST_P(NoHelp, ShowsNoNote) {
    Distribution dist(HelpInf());
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    ASSERT_TRUE(FocusControl(options, GetParam().control));
    TypeKey(VK_F1);
    ASSERT_TRUE(gui::Sync(options));
    EXPECT_EQ(WaitForNote(mivo.Id(), 500), nullptr);
    CancelInstall(mivo, options);
}

INSTANTIATE_TEST_SUITE_P(Controls,
                         NoHelp,
                         testing::Values(NoHelpCase{"box_without_info", IDC_OPTION_STARTUP}),
                         [](const testing::TestParamInfo<NoHelpCase>& tested) {
                             return std::string(tested.param.name);
                         });

TEST(PopupHelp, MessageHelpForTheDirectoryAndAllUsers) {
    Distribution dist(HelpInf());
    gui::Process mivo = dist.Start();
    HWND options = gui::WaitForWindow(mivo.Id(), L"#32770", kTitle);
    ASSERT_NE(options, nullptr);
    for (int id : {IDC_INSTALL_DIR, IDC_BROWSE_INSTALL_DIR, IDC_OPTION_ALL_USERS, IDOK, IDCANCEL}) {
        ASSERT_TRUE(FocusControl(options, id)) << id;
        TypeKey(VK_F1);
        HWND note = WaitForNote(mivo.Id());
        ASSERT_NE(note, nullptr) << id;
        if (id == IDC_OPTION_ALL_USERS) {
            // Message 25 is long enough for a second line.
            RECT noteRect = {};
            GetWindowRect(note, &noteRect);
            EXPECT_GE(noteRect.bottom - noteRect.top, 36);
            gui::SaveShot(L"mivo-popup-help-all-users.png");
        }
        TypeKey('A');
        EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(note); }, 5000)) << id;
    }
    CancelInstall(mivo, options);
}

}  // namespace
