// The install dialogs and the pop-up help note in process: what they read
// back into the setup record, how the note measures and closes, the network
// refusal of the folder browser, the document's font and cut.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"
#include "ui/DocumentDialog.h"
#include "ui/Messages.h"
#include "ui/OptionsDialog.h"
#include "ui/PopupHelp.h"

namespace {

const char kTitle[] = "Options under test";
const wchar_t kTitleW[] = L"Options under test";

// Fresh process-wide records for each test, as a run of the installer has.
class DialogTest : public testing::Test {
protected:
    void SetUp() override {
        g_installer = InstallerState();
        g_setupInfo = SetupInfo();
        g_installer.instance = GetModuleHandleW(nullptr);
        g_installer.programIcon = LoadIconA(g_installer.instance, MAKEINTRESOURCEA(IDI_MIVO));
        g_installer.runMode = RunMode::Admin;
        SetMessageModule(g_installer.instance);
        std::strcpy(g_setupInfo.title, kTitle);
    }
};

void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

// The options dialog's input as an install run gives it, from the records.
OptionsDialogData OptionsFromTheRecords() {
    OptionsDialogData data;
    data.title = g_setupInfo.title;
    data.afterDocument = g_setupInfo.textFile[0] != '\0';
    data.asksInstallDir = g_setupInfo.transferMode != TransferMode::InPlace;
    data.options = OfferedInstallOptions();
    return data;
}

// Runs ShowOptionsDialog on a thread of its own, for the test thread to
// drive the dialog as a user would.
class OptionsRun {
public:
    explicit OptionsRun(bool (*installedIn)(const char* dir) = nullptr)
        : data_(WithInstalledIn(OptionsFromTheRecords(), installedIn)),
          thread_([this] { result_ = ShowOptionsDialog(nullptr, data_); }) {
        // The title, perhaps with more around it.
        dialog_ = gui::WaitForWindowWhere([](HWND window) {
            return gui::ProcessOf(window) == GetCurrentProcessId() && gui::ClassOf(window) == L"#32770" &&
                   gui::WindowText(window).find(kTitleW) != std::wstring::npos;
        });
    }
    ~OptionsRun() {
        if (thread_.joinable()) {
            // Cancelling asks first; Yes ends the dialog.
            gui::BoxAnswerer yes(IDYES);
            if (dialog_ && IsWindow(dialog_)) {
                PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
            }
            thread_.join();
        }
    }
    OptionsRun(const OptionsRun&) = delete;
    OptionsRun& operator=(const OptionsRun&) = delete;

    HWND Dialog() const { return dialog_; }
    // Presses OK and waits for the dialog to end; its result.
    bool PressOk() {
        gui::PressButton(dialog_, IDOK);
        thread_.join();
        return result_;
    }
    // Cancels, confirming, and waits for the dialog to end; its result.
    bool Cancel() {
        gui::BoxAnswerer yes(IDYES);
        PostMessageW(dialog_, WM_COMMAND, IDCANCEL, 0);
        thread_.join();
        return result_;
    }
    // The options after the dialog ended.
    const InstallOptions& Options() const { return data_.options; }

private:
    static OptionsDialogData WithInstalledIn(OptionsDialogData data, bool (*installedIn)(const char* dir)) {
        data.installedIn = installedIn;
        return data;
    }

    OptionsDialogData data_;
    bool result_ = false;
    std::thread thread_;
    HWND dialog_ = nullptr;
};

// --- What OK reads back ----------------------------------------------------------

struct ReadBackCase {
    const char* name;
    int group, startup, desktop, allUsers;  // in the setup file
    std::vector<int> clicks;                // boxes the user clicks
    int groupOut, startupOut, desktopOut, allUsersOut;
};
void PrintTo(const ReadBackCase& c, std::ostream* os) {
    *os << c.name;
}

class OptionsReadBack : public DialogTest, public testing::WithParamInterface<ReadBackCase> {};

TEST_P(OptionsReadBack, OkStoresTheBoxesAndAllUsersFollowsItsClicks) {
    const ReadBackCase& c = GetParam();
    g_setupInfo.groupValue = c.group;
    g_setupInfo.startupValue = c.startup;
    g_setupInfo.desktopValue = c.desktop;
    g_setupInfo.allUsers = c.allUsers;
    OptionsRun run;
    ASSERT_NE(run.Dialog(), nullptr);
    for (int id : c.clicks) {
        ASSERT_TRUE(gui::ClickAndWait(run.Dialog(), id));
    }
    EXPECT_TRUE(run.PressOk());
    EXPECT_EQ(run.Options().group, c.groupOut);
    EXPECT_EQ(run.Options().startup, c.startupOut);
    EXPECT_EQ(run.Options().desktop, c.desktopOut);
    EXPECT_EQ(run.Options().allUsers, c.allUsersOut);
}

INSTANTIATE_TEST_SUITE_P(
    Values,
    OptionsReadBack,
    testing::Values(
        // Absent keys: disabled boxes count as unchecked, so no shortcuts.
        ReadBackCase{"all_absent", -1, -1, -1, -1, {}, 0, 0, 0, -1},
        ReadBackCase{"as_offered", 1, 0, 1, 0, {}, 1, 0, 1, 0},
        ReadBackCase{"user_turns_each_over",
                     1,
                     0,
                     1,
                     0,
                     {IDC_OPTION_GROUP, IDC_OPTION_STARTUP, IDC_OPTION_DESKTOP, IDC_OPTION_ALL_USERS},
                     0,
                     1,
                     0,
                     1},
        ReadBackCase{"clicks_on_disabled_boxes_do_nothing",
                     -1,
                     -1,
                     -1,
                     -1,
                     {IDC_OPTION_GROUP, IDC_OPTION_ALL_USERS},
                     0,
                     0,
                     0,
                     -1},
        ReadBackCase{"all_users_checked_twice_clicked",
                     0,
                     0,
                     0,
                     1,
                     {IDC_OPTION_ALL_USERS, IDC_OPTION_ALL_USERS},
                     0,
                     0,
                     0,
                     1},
        ReadBackCase{"all_users_fixed_at_two", 0, 0, 0, 2, {IDC_OPTION_ALL_USERS}, 0, 0, 0, 2},
        // Any other offered value shows as checked.
        ReadBackCase{"value_two_is_checked", 2, -1, -1, -1, {}, 1, 0, 0, -1}),
    [](const testing::TestParamInfo<ReadBackCase>& tested) { return std::string(tested.param.name); });

TEST_F(DialogTest, InPlaceOptionsLeaveTheInstallDirectoryAlone) {
    g_setupInfo.transferMode = TransferMode::InPlace;
    std::strcpy(g_installer.installDir, "C:\\Dist");
    OptionsRun run;
    ASSERT_NE(run.Dialog(), nullptr);
    EXPECT_EQ(gui::Control(run.Dialog(), IDC_INSTALL_DIR), nullptr);
    EXPECT_TRUE(run.PressOk());
    EXPECT_STREQ(run.Options().installDir, "C:\\Dist");
}

TEST_F(DialogTest, OkTakesTheTypedDirectory) {
    g_setupInfo.transferMode = TransferMode::Copy;
    std::strcpy(g_installer.installDir, "C:\\Program Files\\Old");
    OptionsRun run;
    ASSERT_NE(run.Dialog(), nullptr);
    EXPECT_EQ(gui::ControlText(run.Dialog(), IDC_INSTALL_DIR), L"C:\\Program Files\\Old");
    gui::SetControlText(run.Dialog(), IDC_INSTALL_DIR, L"D:\\アプリ\\表");
    EXPECT_TRUE(run.PressOk());
    EXPECT_EQ(testfiles::FromAnsi(run.Options().installDir), L"D:\\アプリ\\表");
}

// Where the product is installed already: a folder that holds files.
std::wstring g_installedFolder;
bool InstalledInUsedFolder(const char* dir) {
    return testfiles::FromAnsi(dir) == g_installedFolder;
}

TEST_F(DialogTest, TheCaptionSaysWhenTheDirectoryHoldsTheProductAlready) {
    testfiles::ScratchDir scratch;
    const std::wstring used = scratch / L"used";
    g_installedFolder = used;
    testfiles::MakeParentDirs(used + L"\\Tool.exe");
    ASSERT_TRUE(testfiles::WriteFileBytes(used + L"\\Tool.exe", "MZ"));
    g_setupInfo.transferMode = TransferMode::Copy;
    std::strcpy(g_installer.installDir, testfiles::ToAnsi(used).c_str());
    std::strcpy(g_setupInfo.textFile, "Readme.txt");
    OptionsRun run(InstalledInUsedFolder);
    ASSERT_NE(run.Dialog(), nullptr);
    const std::wstring update = L"［更新］" + std::wstring(kTitleW) + L" (2/2)";
    EXPECT_EQ(gui::WindowText(run.Dialog()), update);
    gui::SaveShot(L"mivo_options_update.png", run.Dialog(), 100);
    // The caption follows the directory as it is typed.
    gui::SetControlText(run.Dialog(), IDC_INSTALL_DIR, L"C:\\Program Files\\Elsewhere");
    ASSERT_TRUE(gui::Sync(run.Dialog()));
    EXPECT_EQ(gui::WindowText(run.Dialog()), std::wstring(kTitleW) + L" (2/2)");
    gui::SetControlText(run.Dialog(), IDC_INSTALL_DIR, used);
    ASSERT_TRUE(gui::Sync(run.Dialog()));
    EXPECT_EQ(gui::WindowText(run.Dialog()), update);
    // An update goes among the files there without asking about them.
    gui::BoxAnswerer no(IDNO);
    EXPECT_TRUE(run.PressOk());
    EXPECT_EQ(no.Finish().size(), 0u);
    EXPECT_EQ(testfiles::FromAnsi(run.Options().installDir), used);
}

// A directory longer than the install directory holds is refused rather than
// cut into the name of another directory.
TEST_F(DialogTest, OverlongDirectoryIsRefusedNotCut) {
    g_setupInfo.transferMode = TransferMode::Move;
    std::strcpy(g_installer.installDir, "C:\\Short");
    OptionsRun run;
    ASSERT_NE(run.Dialog(), nullptr);
    std::wstring overlong = L"C:\\" + std::wstring(300, L'd');
    gui::SetControlText(run.Dialog(), IDC_INSTALL_DIR, overlong);
    gui::PressButton(run.Dialog(), IDOK);
    gui::MessageBoxContent box = gui::AnswerMessageBox(GetCurrentProcessId(), IDOK);
    EXPECT_EQ(box.text, L"インストール先ディレクトリを指定して下さい。");
    ASSERT_TRUE(gui::Sync(run.Dialog()));
    EXPECT_TRUE(IsWindowVisible(run.Dialog()));
    // Typing stops at 255 bytes.
    EXPECT_EQ(SendMessageW(gui::Control(run.Dialog(), IDC_INSTALL_DIR), EM_GETLIMITTEXT, 0, 0), 255);
    // Cancelled, the dialog hands back the options as they came.
    EXPECT_FALSE(run.Cancel());
    EXPECT_STREQ(run.Options().installDir, "C:\\Short");
}

// --- Help asked for through the caption's "?" button ---------------------------------

HWND FindNote() {
    return FindWindowA(kPopupHelpClass, nullptr);
}

struct HelpCase {
    const char* name;
    int control;
    bool shown;
};
void PrintTo(const HelpCase& c, std::ostream* os) {
    *os << c.name;
}

class HelpRequest : public DialogTest, public testing::WithParamInterface<HelpCase> {};

// The "?" button followed by a click sends WM_HELP for the clicked control.
TEST_P(HelpRequest, ShowsANoteOnlyForEnabledControlsWithText) {
    const HelpCase& c = GetParam();
    g_setupInfo.transferMode = TransferMode::Copy;
    g_setupInfo.groupValue = 1;
    g_setupInfo.desktopValue = -1;
    g_setupInfo.startupValue = 0;
    std::strcpy(g_setupInfo.groupInfo, "group help");
    std::strcpy(g_setupInfo.desktopInfo, "desktop help");
    OptionsRun run;
    ASSERT_NE(run.Dialog(), nullptr);
    HWND control = gui::Control(run.Dialog(), c.control);
    ASSERT_NE(control, nullptr);
    HELPINFO help = {};
    help.cbSize = sizeof(help);
    help.iContextType = HELPINFO_WINDOW;
    help.iCtrlId = c.control;
    help.hItemHandle = control;
    SendMessageW(run.Dialog(), WM_HELP, 0, reinterpret_cast<LPARAM>(&help));
    HWND note = FindNote();
    EXPECT_EQ(note != nullptr, c.shown);
    if (note) {
        SendMessageW(note, WM_KEYUP, VK_ESCAPE, 0);
        EXPECT_FALSE(IsWindow(note));
    }
}

INSTANTIATE_TEST_SUITE_P(Controls,
                         HelpRequest,
                         testing::Values(HelpCase{"enabled_with_info", IDC_OPTION_GROUP, true},
                                         HelpCase{"disabled_with_info", IDC_OPTION_DESKTOP, false},
                                         HelpCase{"enabled_without_info", IDC_OPTION_STARTUP, false},
                                         HelpCase{"directory", IDC_INSTALL_DIR, true},
                                         HelpCase{"browse", IDC_BROWSE_INSTALL_DIR, true},
                                         HelpCase{"frame", IDC_OPTIONS_FRAME, false},
                                         HelpCase{"ok", IDOK, true}),
                         [](const testing::TestParamInfo<HelpCase>& tested) { return std::string(tested.param.name); });

// --- The note itself ---------------------------------------------------------------

// A top-level window with one button, whose WM_GETFONT answers `font`: what a
// dialog and its control are to the note.
class NoteHost {
public:
    explicit NoteHost(HFONT font) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = HostProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"NoteHostForTest";
        RegisterClassW(&windowClass);
        font_ = font;
        window_ = CreateWindowExW(0, L"NoteHostForTest", L"host", WS_POPUP | WS_VISIBLE, 100, 100, 400, 300, nullptr,
                                  nullptr, GetModuleHandleW(nullptr), nullptr);
        control_ = CreateWindowExW(0, L"Button", L"box", WS_CHILD | WS_VISIBLE, 20, 30, 150, 16, window_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_OPTION_GROUP)),
                                   GetModuleHandleW(nullptr), nullptr);
        SetForegroundWindow(window_);
        PumpMessages();
    }
    ~NoteHost() {
        DestroyWindow(window_);
        PumpMessages();
    }
    NoteHost(const NoteHost&) = delete;
    NoteHost& operator=(const NoteHost&) = delete;

    HWND Window() const { return window_; }
    HWND Control() const { return control_; }

private:
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_GETFONT) {
            return reinterpret_cast<LRESULT>(font_);
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static HFONT font_;
    HWND window_ = nullptr;
    HWND control_ = nullptr;
};
HFONT NoteHost::font_ = nullptr;

// A font of the dialog face whose lines are exactly `lineHeight` pixels,
// or null when the face has no such size.
HFONT FontWithLineHeight(int lineHeight) {
    HDC screen = GetDC(nullptr);
    HFONT found = nullptr;
    for (int height = -lineHeight; height <= -6 && !found; ++height) {
        HFONT font = CreateFontW(height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                 CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, FF_DONTCARE, L"IPAPGothic");
        HGDIOBJ old = SelectObject(screen, font);
        TEXTMETRICW metrics = {};
        GetTextMetricsW(screen, &metrics);
        SelectObject(screen, old);
        if (metrics.tmHeight == lineHeight) {
            found = font;
        } else {
            DeleteObject(font);
        }
    }
    ReleaseDC(nullptr, screen);
    return found;
}

// Pixel width of `text` in `font`.
int TextWidth(HFONT font, const std::wstring& text) {
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    SIZE size = {};
    GetTextExtentPoint32W(screen, text.c_str(), static_cast<int>(text.size()), &size);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    return size.cx;
}

// The longest run of `unit` that fits in the note's line.
std::wstring FillLine(HFONT font, const std::wstring& unit) {
    std::wstring line;
    while (TextWidth(font, line + unit) <= kNoteWrapWidth) {
        line += unit;
    }
    return line;
}

class NoteTest : public DialogTest {
protected:
    void SetUp() override {
        DialogTest::SetUp();
        font_ = FontWithLineHeight(12);
        if (!font_) {
            GTEST_SKIP() << "no 12-pixel dialog font";
        }
        host_ = std::make_unique<NoteHost>(font_);
    }
    void TearDown() override {
        host_.reset();
        if (font_) {
            DeleteObject(font_);
        }
    }
    // Shows the note for the group box with `info` as its text; its rectangle.
    HWND Show(const std::wstring& info) {
        std::string ansi = testfiles::ToAnsi(info);
        std::strncpy(g_setupInfo.groupInfo, ansi.c_str(), sizeof(g_setupInfo.groupInfo) - 1);
        ShowPopupHelp(host_->Control(), IDC_OPTION_GROUP);
        PumpMessages();
        return FindNote();
    }

    HFONT font_ = nullptr;
    std::unique_ptr<NoteHost> host_;
};

TEST_F(NoteTest, SitsBelowTheControlAndGrowsByLines) {
    std::wstring line = FillLine(font_, L"あ");
    struct {
        const char* name;
        std::wstring text;
        int height;
    } cases[] = {
        {"one_line", L"短い説明です。", 24},
        {"exactly_one_line", line, 24},
        {"three_lines_by_characters", line + line + L"あ", 48},
    };
    RECT controlRect = {};
    GetWindowRect(host_->Control(), &controlRect);
    for (const auto& c : cases) {
        HWND note = Show(c.text);
        ASSERT_NE(note, nullptr) << c.name;
        RECT rect = {};
        GetWindowRect(note, &rect);
        EXPECT_EQ(rect.left, controlRect.left + 10) << c.name;
        EXPECT_EQ(rect.top, controlRect.bottom + 3) << c.name;
        EXPECT_EQ(rect.right - rect.left, 270) << c.name;
        EXPECT_EQ(rect.bottom - rect.top, c.height) << c.name;
        DestroyWindow(note);
        PumpMessages();
    }
}

// Words too long to share a line with their neighbours wrap sooner than a
// cut at any character would: the note makes room for every drawn line
// instead of cutting the last ones off.
TEST_F(NoteTest, MakesRoomForLinesThatWordWrappingAdds) {
    std::wstring word = FillLine(font_, L"w");
    word.resize(word.size() * 3 / 5);  // two words do not fit on one line
    HWND note = Show(word + L" " + word + L" " + word);
    ASSERT_NE(note, nullptr);
    RECT rect = {};
    GetWindowRect(note, &rect);
    EXPECT_EQ(rect.bottom - rect.top, 48);  // three drawn lines, though two by characters
}

TEST_F(NoteTest, TallerFontGetsTallerLines) {
    HFONT tall = FontWithLineHeight(16);
    if (!tall) {
        GTEST_SKIP() << "no 16-pixel dialog font";
    }
    NoteHost tallHost(tall);
    std::strcpy(g_setupInfo.groupInfo, "one line");
    ShowPopupHelp(tallHost.Control(), IDC_OPTION_GROUP);
    PumpMessages();
    HWND note = FindNote();
    ASSERT_NE(note, nullptr);
    RECT rect = {};
    GetWindowRect(note, &rect);
    EXPECT_EQ(rect.bottom - rect.top, 4 + 16 + 8);
    DestroyWindow(note);
    PumpMessages();
    DeleteObject(tall);
}

TEST_F(NoteTest, NothingForAnEmptyTextOrAControlWithoutHelp) {
    EXPECT_EQ(Show(L""), nullptr);
    std::strcpy(g_setupInfo.groupInfo, "text");
    ShowPopupHelp(host_->Control(), 1003);
    ShowPopupHelp(host_->Control(), 0);
    PumpMessages();
    EXPECT_EQ(FindNote(), nullptr);
}

TEST_F(NoteTest, ASecondRequestReplacesTheNote) {
    HWND first = Show(L"first");
    ASSERT_NE(first, nullptr);
    HWND second = Show(L"second");
    ASSERT_NE(second, nullptr);
    EXPECT_FALSE(IsWindow(first));
    DestroyWindow(second);
    PumpMessages();
}

struct CloseCase {
    const char* name;
    UINT message;
    WPARAM wParam;
    bool closes;
};
void PrintTo(const CloseCase& c, std::ostream* os) {
    *os << c.name;
}

class NoteClosing : public NoteTest, public testing::WithParamInterface<CloseCase> {};

TEST_P(NoteClosing, ClosesOnClicksAndKeysOtherThanTheHelpKeys) {
    const CloseCase& c = GetParam();
    HWND note = Show(L"help text");
    ASSERT_NE(note, nullptr);
    PostMessageW(note, c.message, c.wParam, 0);
    PumpMessages();
    EXPECT_EQ(!IsWindow(note), c.closes);
    if (IsWindow(note)) {
        DestroyWindow(note);
        PumpMessages();
    }
}

INSTANTIATE_TEST_SUITE_P(Events,
                         NoteClosing,
                         testing::Values(CloseCase{"f1_released", WM_KEYUP, VK_F1, false},
                                         CloseCase{"shift_released", WM_KEYUP, VK_SHIFT, false},
                                         CloseCase{"ctrl_released", WM_KEYUP, VK_CONTROL, false},
                                         CloseCase{"f1_pressed", WM_KEYDOWN, VK_F1, false},
                                         CloseCase{"escape_released", WM_KEYUP, VK_ESCAPE, true},
                                         CloseCase{"letter_released", WM_KEYUP, 'A', true},
                                         CloseCase{"left_click", WM_LBUTTONUP, 0, true},
                                         CloseCase{"right_click", WM_RBUTTONUP, 0, true},
                                         CloseCase{"mouse_move", WM_MOUSEMOVE, 0, false}),
                         [](const testing::TestParamInfo<CloseCase>& tested) {
                             return std::string(tested.param.name);
                         });

TEST_F(NoteTest, ClosesWhenTheFocusMovesAway) {
    HWND note = Show(L"help text");
    ASSERT_NE(note, nullptr);
    EXPECT_EQ(GetFocus(), note);
    SetFocus(host_->Window());
    PumpMessages();
    EXPECT_FALSE(IsWindow(note));
}

// --- The folder browser's network refusal -------------------------------------------

// A browser that answers from a script: each call takes the next answer
// (empty = cancelled) and records the folder it was opened on.
struct ScriptedBrowser {
    static std::vector<std::string> answers;
    static std::vector<std::string> openedOn;
    static std::vector<std::string> titles;
    static size_t refusalsDue;

    static bool Browse(HWND, char (&path)[kBrowsePathCapacity], const char* title) {
        openedOn.push_back(path);
        titles.push_back(title);
        if (openedOn.size() > answers.size() || answers[openedOn.size() - 1].empty()) {
            return false;
        }
        const std::string& answer = answers[openedOn.size() - 1];
        std::strcpy(path, answer.c_str());
        if (answer.rfind("\\\\", 0) == 0) {
            ++refusalsDue;
        }
        return true;
    }
};
std::vector<std::string> ScriptedBrowser::answers;
std::vector<std::string> ScriptedBrowser::openedOn;
std::vector<std::string> ScriptedBrowser::titles;
size_t ScriptedBrowser::refusalsDue;

struct BrowseCase {
    const char* name;
    std::vector<std::string> answers;
    bool chosen;
    std::string dirAfter;
    std::vector<std::string> openedOn;
};
void PrintTo(const BrowseCase& c, std::ostream* os) {
    *os << c.name;
}

class NetworkRefusal : public DialogTest, public testing::WithParamInterface<BrowseCase> {};

TEST_P(NetworkRefusal, BrowsesAgainFromTheRefusedFolderUntilALocalOneOrCancel) {
    const BrowseCase& c = GetParam();
    ScriptedBrowser::answers = c.answers;
    ScriptedBrowser::openedOn.clear();
    ScriptedBrowser::titles.clear();
    ScriptedBrowser::refusalsDue = 0;
    char dir[kBrowsePathCapacity] = "C:\\Start";
    gui::BoxAnswerer answer(IDOK);
    EXPECT_EQ(ChooseLocalFolder(nullptr, dir, ScriptedBrowser::Browse), c.chosen);
    std::vector<gui::MessageBoxContent> boxes = answer.Finish();
    EXPECT_STREQ(dir, c.dirAfter.c_str());
    EXPECT_EQ(ScriptedBrowser::openedOn, c.openedOn);
    for (const std::string& title : ScriptedBrowser::titles) {
        EXPECT_EQ(testfiles::FromAnsi(title), L"インストール先ディレクトリを指定して下さい。");
    }
    // A refusal after every network folder.
    EXPECT_EQ(boxes.size(), ScriptedBrowser::refusalsDue);
    for (const gui::MessageBoxContent& box : boxes) {
        EXPECT_EQ(box.caption, L"Error !");
        EXPECT_EQ(box.text, L"ネットワーク上のフォルダは指定できません。");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers,
                         NetworkRefusal,
                         testing::Values(BrowseCase{"local_at_once", {"D:\\Apps"}, true, "D:\\Apps", {"C:\\Start"}},
                                         BrowseCase{"cancelled", {""}, false, "C:\\Start", {"C:\\Start"}},
                                         BrowseCase{"network_then_local",
                                                    {"\\\\server\\share\\apps", "E:\\Apps"},
                                                    true,
                                                    "E:\\Apps",
                                                    {"C:\\Start", "\\\\server\\share\\apps"}},
                                         BrowseCase{"network_twice_then_cancelled",
                                                    {"\\\\server\\share", "\\\\other\\x", ""},
                                                    false,
                                                    "C:\\Start",
                                                    {"C:\\Start", "\\\\server\\share", "\\\\other\\x"}}),
                         [](const testing::TestParamInfo<BrowseCase>& tested) {
                             return std::string(tested.param.name);
                         });

// --- The document ------------------------------------------------------------------------

TEST(DocumentCut, EndsOnAWholeCharacter) {
    struct {
        const char* name;
        std::string text;
        size_t length;
        size_t whole;
    } cases[] = {
        {"ascii", "abcdef", 4, 4},
        {"double_byte_complete", "a\x95\x5C", 3, 3},
        {"lead_byte_cut_off", "ab\x95\x5C", 3, 2},
        // 0x83 0x83 is one character, then 0x83 alone: its trail byte would
        // look like a lead byte to a scan from the end.
        {"trail_byte_equal_to_a_lead_byte", "\x83\x83\x83\x83", 3, 2},
        {"only_a_lead_byte", "\x88\x9F", 1, 0},
        {"empty", "", 0, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WholeCharacterLength(c.text.c_str(), c.length), c.whole) << c.name;
    }
}

TEST_F(DialogTest, DocumentIsShownInTheFixedPitchSiblingOfTheDialogFont) {
    testfiles::ScratchDir dist(L"doc");
    ASSERT_TRUE(testfiles::WriteFileBytes(dist / L"readme.txt", "columns  1  2\r\n"));
    std::string dir = testfiles::ToAnsi(dist.Path()) + "\\";
    std::strcpy(g_installer.ownDir, dir.c_str());
    std::strcpy(g_setupInfo.textFile, "readme.txt");

    bool result = false;
    std::thread run([&] { result = ShowDocumentDialog(nullptr); });
    HWND dialog = gui::WaitForWindow(GetCurrentProcessId(), L"#32770", L"Options under test (1/2)");
    ASSERT_NE(dialog, nullptr);
    HWND edit = gui::Control(dialog, IDC_DOCUMENT_TEXT);
    auto font = reinterpret_cast<HFONT>(SendMessageW(edit, WM_GETFONT, 0, 0));
    LOGFONTA logFont = {};
    ASSERT_NE(GetObjectA(font, sizeof(logFont), &logFont), 0);
    EXPECT_STREQ(logFont.lfFaceName, kDocumentFontFace);
    EXPECT_EQ(testfiles::FromAnsi(logFont.lfFaceName), L"ＭＳ ゴシック");
    HDC screen = GetDC(nullptr);
    HGDIOBJ old = SelectObject(screen, font);
    TEXTMETRICW metrics = {};
    GetTextMetricsW(screen, &metrics);
    SelectObject(screen, old);
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(metrics.tmPitchAndFamily & TMPF_FIXED_PITCH, 0) << "the font has variable pitch";
    // Nothing of the document is selected: "Next" has the focus.
    EXPECT_EQ(gui::FocusOf(dialog), gui::Control(dialog, IDOK));

    gui::PressButton(dialog, IDOK);
    run.join();
    EXPECT_TRUE(result);
}

TEST_F(DialogTest, NoTextFileShowsNothingAndGoesOn) {
    g_setupInfo.textFile[0] = '\0';
    EXPECT_TRUE(ShowDocumentDialog(nullptr));
}

}  // namespace
