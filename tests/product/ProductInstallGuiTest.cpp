// The product as a user gets it: the distribution folder that the build
// makes, installed with its Setup.exe, Tandrel used from the install
// directory, and everything removed again through the uninstall entry that
// Windows shows. Every dialog and box is answered as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../photo/TestPictures.h"
#include "support/GuiDriver.h"
#include "support/Machine.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using machine::RegText;
using machine::SpecialFolder;
using machine::WindowsDir;

const std::wstring kVersion = TANDREL_VERSION;
const std::wstring kInstallTitle = L"Tandrel ver." + kVersion + L" セットアップ";
const std::wstring kUninstallTitle = L"Tandrel ver." + kVersion + L" アンインストール";
const std::wstring kMainTitle = L"Tandrel ver." + kVersion;
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tandrel";
const wchar_t kInstallDirKey[] = L"SOFTWARE\\BRAMWELT\\Tandrel";
const wchar_t kUninstallerCopy[] = L"$$UnMivo.exe";

// Controls of the installer's dialogs.
const int kDocumentEdit = 1000;
const int kGroupBox = 1001;
const int kStartupBox = 1002;
const int kInstallDirEdit = 1004;
const int kDesktopBox = 1006;
const int kAllUsersBox = 1007;
// Tandrel's main window.
const int kSaveAndExit = 1073;
const int kOutputName = 1002;

bool CopyFolder(const std::wstring& from, const std::wstring& to) {
    if (!CreateDirectoryW(to.c_str(), nullptr)) {
        return false;
    }
    for (const std::wstring& name : testfiles::FilesIn(from, L"*")) {
        if (!CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), TRUE)) {
            return false;
        }
    }
    return true;
}

// A dialog titled `title`, or a message box titled `title` that says
// `boxText`, of any process but the test's: the installer starts programs
// and hands over to copies of itself whose process ids the test never learns.
HWND WaitForTitledWindow(const std::wstring& title, const wchar_t* boxText, DWORD timeoutMs) {
    return gui::WaitForWindowWhere(
        [&](HWND window) {
            if (gui::ProcessOf(window) == GetCurrentProcessId() || gui::ClassOf(window) != kDialogClass ||
                gui::WindowText(window) != title) {
                return false;
            }
            return boxText ? gui::IsMessageBox(window) && gui::ReadMessageBox(window).text == boxText
                           : !gui::IsMessageBox(window);
        },
        timeoutMs);
}

bool UninstallerCopyRuns() {
    return !machine::ProcessesNamed(kUninstallerCopy).empty();
}

// Splits a command line as Windows starts it: a quoted or a bare program,
// then the arguments.
void SplitCommand(const std::wstring& command, std::wstring& program, std::wstring& arguments) {
    size_t end = 0;
    if (!command.empty() && command[0] == L'"') {
        end = command.find(L'"', 1);
        program = command.substr(1, end == std::wstring::npos ? std::wstring::npos : end - 1);
        end = end == std::wstring::npos ? command.size() : end + 1;
    } else {
        end = command.find(L' ');
        program = command.substr(0, end);
        end = end == std::wstring::npos ? command.size() : end;
    }
    size_t start = command.find_first_not_of(L' ', end);
    arguments = start == std::wstring::npos ? L"" : command.substr(start);
}

// A DWORD value, or -1 when it is absent or of another type.
long long RegNumber(HKEY root, const std::wstring& key, const wchar_t* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
        return -1;
    }
    return value;
}

// The visible top-level windows of the installer's processes, its copy and
// the program it installs.
std::vector<std::wstring> InstallerWindows() {
    std::vector<std::wstring> found;
    EnumWindows(
        [](HWND window, LPARAM list) -> BOOL {
            if (!IsWindowVisible(window) || gui::ProcessOf(window) == GetCurrentProcessId()) {
                return TRUE;
            }
            std::wstring program = gui::ProgramOf(window);
            std::wstring name = program.substr(program.find_last_of(L'\\') + 1);
            for (const wchar_t* watched : {L"Setup.exe", L"$$UnMivo.exe", L"Tandrel.exe"}) {
                if (lstrcmpiW(name.c_str(), watched) == 0) {
                    reinterpret_cast<std::vector<std::wstring>*>(list)->push_back(program + L": " +
                                                                                  gui::WindowText(window));
                }
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// Runs `program` with `arguments` to its end as a deployment tool does,
// watching all the while that no window of the installer comes up (each one
// seen goes into `windows`). The exit code, or ~0 when it did not end.
DWORD RunUnattended(const std::wstring& program,
                    const std::wstring& arguments,
                    const std::wstring& workDir,
                    std::vector<std::wstring>& windows) {
    gui::Process process = gui::StartProgram(program, arguments, workDir);
    if (!process.Started()) {
        return ~0u;
    }
    for (int i = 0; i < 1200; ++i) {
        for (const std::wstring& window : InstallerWindows()) {
            windows.push_back(window);
        }
        DWORD code = process.WaitForExit(50);
        if (code != ~0u) {
            return code;
        }
    }
    return ~0u;
}

// The log as text, its byte order mark taken off.
std::wstring ReadLog(const std::wstring& path) {
    std::string bytes = testfiles::ReadFileBytes(path);
    if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        bytes.erase(0, 3);
    }
    return testfiles::FromUtf8(bytes);
}

std::wstring TempDir() {
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH + 1, temp);
    return temp;
}

std::wstring Today() {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    wchar_t date[16];
    swprintf(date, 16, L"%04u%02u%02u", now.wYear, now.wMonth, now.wDay);
    return date;
}

class ProductInstall : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        installDir_ = machine::ProgramFilesDir() + L"\\Tandrel";
        group_ = SpecialFolder(CSIDL_COMMON_PROGRAMS) + L"\\Tandrel";
        desktopLink_ = SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + L"\\Tandrel.lnk";
        settingsFile_ = WindowsDir() + L"\\TDR.ini";
        RemoveLeftovers();
        dist_ = testfiles::BinDir() + L"..\\dist\\" TANDREL_DIST_NAME;
        ASSERT_TRUE(testfiles::FileExists(dist_ + L"\\Setup.exe")) << "no distribution; build the dist target";
        // A copy, as a user unpacks the zip somewhere of their own.
        unpacked_ = work_ / L"Tandrel CD";
        ASSERT_TRUE(CopyFolder(dist_, unpacked_));
    }

    void TearDown() override {
        gui::WaitUntil([] { return !UninstallerCopyRuns(); }, 30000);
        RemoveLeftovers();
        // The uninstaller's copy is due for deletion at the next restart; a
        // test prefix never restarts.
        std::wstring copy = WindowsDir() + L"\\" + kUninstallerCopy;
        machine::ForgetPendingOperations(copy);
        DeleteFileW(copy.c_str());
        CoUninitialize();
    }

    // What a failed run may have left, so that every run starts clean.
    void RemoveLeftovers() {
        testfiles::RemoveTree(installDir_);
        testfiles::RemoveTree(deployedDir_);
        testfiles::RemoveTree(group_);
        DeleteFileW(desktopLink_.c_str());
        DeleteFileW(settingsFile_.c_str());
        DeleteFileW((WindowsDir() + L"\\$$UnMivo.inf").c_str());
        machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, kEntryKey);
        machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, kInstallDirKey);
    }

    // Runs Setup.exe through the author's document and the options (with the
    // desktop shortcut chosen) to the completion message, then closes the
    // Tandrel that the installer starts.
    void Install() {
        gui::Process setup = gui::StartProgram(unpacked_ + L"\\Setup.exe", L"", unpacked_);
        ASSERT_TRUE(setup.Started());

        HWND document = gui::WaitForWindow(setup.Id(), kDialogClass, (kInstallTitle + L" (1/2)").c_str());
        ASSERT_NE(document, nullptr);
        std::wstring readme = testfiles::FromAnsi(testfiles::ReadFileBytes(unpacked_ + L"\\Readme.txt"));
        EXPECT_EQ(gui::ControlText(document, kDocumentEdit), readme);
        EXPECT_NE(readme.find(L"Tandrel ver." + kVersion), std::wstring::npos);
        gui::SaveShot(L"mivo-document.png", document, 300);
        gui::PressButton(document, IDOK);

        HWND options = gui::WaitForWindow(setup.Id(), kDialogClass, (kInstallTitle + L" (2/2)").c_str());
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(gui::ControlText(options, kInstallDirEdit), installDir_);
        EXPECT_EQ(gui::CheckState(options, kGroupBox), BST_CHECKED);
        EXPECT_FALSE(gui::IsControlEnabled(options, kStartupBox));
        EXPECT_TRUE(gui::IsControlEnabled(options, kDesktopBox));
        EXPECT_EQ(gui::CheckState(options, kDesktopBox), BST_UNCHECKED);
        EXPECT_EQ(gui::CheckState(options, kAllUsersBox), BST_CHECKED);
        ASSERT_TRUE(gui::ClickAndWait(options, kDesktopBox));
        EXPECT_EQ(gui::CheckState(options, kDesktopBox), BST_CHECKED);
        gui::SaveShot(L"mivo-options.png", options, 300);
        gui::PressButton(options, IDOK);

        const std::wstring completion = L"Tandrel ver." + kVersion + L" のインストールが完了しました。";
        HWND done = WaitForTitledWindow(kInstallTitle, completion.c_str(), 30000);
        ASSERT_NE(done, nullptr);
        gui::SaveShot(L"mivo-complete.png", done, 300);
        gui::PressButton(done, IDOK);

        // The installed program starts once the message is answered.
        HWND started = WaitForTitledWindow(kMainTitle, nullptr, 15000);
        ASSERT_NE(started, nullptr);
        EXPECT_EQ(gui::ProgramOf(started), installDir_ + L"\\Tandrel.exe");
        EXPECT_EQ(setup.WaitForExit(15000), 0u);
        PostMessageW(started, WM_CLOSE, 0, 0);
        EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(started); }, 10000));
    }

    void ExpectInstalled() {
        for (const wchar_t* name : {L"Tandrel.exe", L"Setup.exe", L"Setup.inf", L"Readme.txt"}) {
            EXPECT_TRUE(testfiles::FileExists(installDir_ + L"\\" + name)) << testfiles::ToUtf8(name);
        }
        EXPECT_EQ(testfiles::ReadFileBytes(installDir_ + L"\\Tandrel.exe"),
                  testfiles::ReadFileBytes(dist_ + L"\\Tandrel.exe"));
        // Tandrel opens its help beside itself.
        EXPECT_EQ(testfiles::ReadFileBytes(installDir_ + L"\\help\\index.html"),
                  testfiles::ReadFileBytes(dist_ + L"\\index.html"));
        for (const std::wstring& picture : testfiles::FilesIn(dist_, L"*.png")) {
            EXPECT_TRUE(testfiles::FileExists(installDir_ + L"\\help\\images\\" + picture))
                << testfiles::ToUtf8(picture);
        }
        // The help pictures went into the help folder, not beside Tandrel.
        EXPECT_TRUE(testfiles::FilesIn(installDir_, L"*.png").empty());
        EXPECT_TRUE(testfiles::FileExists(settingsFile_));

        // The installed setup file installs nothing more: it only uninstalls.
        wchar_t installDirKey[256] = {};
        GetPrivateProfileStringW(L"Install", L"InstallDir", L"<absent>", installDirKey, 256,
                                 (installDir_ + L"\\Setup.inf").c_str());
        EXPECT_EQ(std::wstring(installDirKey), L"");

        struct LinkCase {
            std::wstring file;
            std::wstring target;
            std::wstring arguments;
        } links[] = {
            {group_ + L"\\Tandrel.lnk", installDir_ + L"\\Tandrel.exe", L""},
            {group_ + L"\\Tandrel ヘルプ.lnk", installDir_ + L"\\help\\index.html", L""},
            {group_ + L"\\Tandrel のアンインストール.lnk", installDir_ + L"\\Setup.exe", L"/r"},
            {desktopLink_, installDir_ + L"\\Tandrel.exe", L""},
        };
        for (const LinkCase& link : links) {
            testfiles::Shortcut shortcut = testfiles::ReadShortcut(link.file);
            EXPECT_TRUE(shortcut.loaded) << testfiles::ToUtf8(link.file);
            EXPECT_EQ(shortcut.target, link.target) << testfiles::ToUtf8(link.file);
            EXPECT_EQ(shortcut.arguments, link.arguments) << testfiles::ToUtf8(link.file);
        }
        EXPECT_EQ(testfiles::FilesIn(group_, L"*").size(), 3u);

        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayName"), L"Tandrel ver." + kVersion);
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"UninstallString"),
                  L"\"" + installDir_ + L"\\Setup.exe\" /r");
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayIcon"), installDir_ + L"\\Tandrel.exe,0");
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"Publisher"), L"BRAMWELT");
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayVersion"), kVersion);
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kInstallDirKey, L"InstallDir"), installDir_);
    }

    // Opens `picture` in the installed Tandrel and saves it beside itself.
    std::wstring UseTandrel(const std::wstring& picture, const std::wstring& expectedName) {
        gui::Process tandrel = gui::StartProgram(installDir_ + L"\\Tandrel.exe", L"\"" + picture + L"\"", work_.Path());
        EXPECT_TRUE(tandrel.Started());
        HWND main = gui::WaitForWindow(tandrel.Id(), kDialogClass, kMainTitle.c_str());
        EXPECT_NE(main, nullptr);
        if (!main) {
            return L"";
        }
        EXPECT_TRUE(gui::WaitUntil([&] { return gui::ControlText(main, kOutputName) == expectedName; }));
        gui::PressButton(main, kSaveAndExit);
        EXPECT_EQ(tandrel.WaitForExit(15000), 0u);
        return picture.substr(0, picture.find_last_of(L'\\') + 1) + expectedName + L".bmp";
    }

    // Starts what the uninstall entry names, as the system's list of programs
    // does, confirms, and waits for the copy that finishes the removal.
    void UninstallThroughTheEntry() {
        std::wstring command = RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"UninstallString");
        std::wstring program, arguments;
        SplitCommand(command, program, arguments);
        gui::Process start = gui::StartProgram(program, arguments, work_.Path());
        ASSERT_TRUE(start.Started()) << testfiles::ToUtf8(command);

        HWND confirm = WaitForTitledWindow(kUninstallTitle, L"アンインストールを開始します。よろしいですか？", 15000);
        ASSERT_NE(confirm, nullptr);
        gui::SaveShot(L"mivo-uninstall-confirm.png", confirm, 300);
        gui::PressButton(confirm, IDYES);
        EXPECT_EQ(start.WaitForExit(15000), 1u);

        HWND done = WaitForTitledWindow(kUninstallTitle, L"アンインストールが完了しました。", 60000);
        ASSERT_NE(done, nullptr);
        gui::PressButton(done, IDOK);
        EXPECT_TRUE(gui::WaitUntil([] { return !UninstallerCopyRuns(); }, 30000));
    }

    // `settingsStay`: the user had a "TDR.ini" before the install, which the
    // install therefore did not write, and the uninstall leaves.
    void ExpectRemoved(bool settingsStay = false) {
        EXPECT_FALSE(testfiles::DirExists(installDir_));
        EXPECT_FALSE(testfiles::DirExists(group_));
        EXPECT_FALSE(testfiles::FileExists(desktopLink_));
        EXPECT_FALSE(machine::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
        EXPECT_FALSE(machine::KeyExists(HKEY_LOCAL_MACHINE, kInstallDirKey));
        EXPECT_EQ(testfiles::FileExists(settingsFile_), settingsStay);
        EXPECT_FALSE(testfiles::FileExists(WindowsDir() + L"\\$$UnMivo.inf"));
        // The copy that did the removal goes at the next start of Windows.
        EXPECT_TRUE(machine::DeletionPendingFor(WindowsDir() + L"\\" + kUninstallerCopy));
    }

    testfiles::ScratchDir work_{L"product"};
    std::wstring dist_, unpacked_, installDir_, group_, desktopLink_, settingsFile_;
    // Where the unattended tests install: blanks and Japanese, as "/DIR=" takes them.
    std::wstring deployedDir_ = machine::ProgramFilesDir() + L"\\Tandrel 配備";
};

TEST_F(ProductInstall, InstalledUsedAndUninstalledLeavingOnlyTheUsersPictures) {
    Install();
    ASSERT_FALSE(HasFatalFailure());
    ExpectInstalled();

    // The user's own folder, outside the install directory.
    std::wstring photos = work_ / L"写真";
    ASSERT_TRUE(CreateDirectoryW(photos.c_str(), nullptr));
    std::wstring picture = photos + L"\\harbour.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(picture, testpictures::MakePicture(96, 64, testpictures::PositionColour)));
    std::string original = testfiles::ReadFileBytes(picture);
    std::wstring saved = UseTandrel(picture, L"harbour_tdr");
    testpictures::Picture output;
    ASSERT_TRUE(testpictures::ReadBmp(saved, &output));
    EXPECT_EQ(output.width, 96);
    std::string savedBytes = testfiles::ReadFileBytes(saved);

    UninstallThroughTheEntry();
    ASSERT_FALSE(HasFatalFailure());
    ExpectRemoved();
    EXPECT_EQ(testfiles::ReadFileBytes(picture), original);
    EXPECT_EQ(testfiles::ReadFileBytes(saved), savedBytes);
}

TEST_F(ProductInstall, SettingsTheUserAlreadyHadAreKeptByTheInstallAndStayAfterTheUninstall) {
    const std::string kOwnSettings = "[SETTINGS]\r\nSAVE_SETTINGS=1\r\nOUTPUT_FILE_BASE=_web\r\nZOOMSIZESMALL=222\r\n";
    ASSERT_TRUE(testfiles::WriteFileBytes(settingsFile_, kOwnSettings));
    Install();
    ASSERT_FALSE(HasFatalFailure());
    // The Tandrel the installer started has read the user's settings.
    wchar_t suffix[64] = {};
    GetPrivateProfileStringW(L"SETTINGS", L"OUTPUT_FILE_BASE", L"", suffix, 64, settingsFile_.c_str());
    EXPECT_EQ(std::wstring(suffix), L"_web");
    EXPECT_EQ(GetPrivateProfileIntW(L"SETTINGS", L"ZOOMSIZESMALL", 0, settingsFile_.c_str()), 222u);

    std::wstring picture = work_ / L"pier.bmp";
    ASSERT_TRUE(testpictures::WriteBmp(picture, testpictures::MakePicture(40, 30, testpictures::PositionColour)));
    std::wstring saved = UseTandrel(picture, L"pier_web");
    EXPECT_TRUE(testfiles::FileExists(saved));

    UninstallThroughTheEntry();
    ASSERT_FALSE(HasFatalFailure());
    ExpectRemoved(true);
    EXPECT_TRUE(testfiles::FileExists(saved));
    GetPrivateProfileStringW(L"SETTINGS", L"OUTPUT_FILE_BASE", L"", suffix, 64, settingsFile_.c_str());
    EXPECT_EQ(std::wstring(suffix), L"_web");
    DeleteFileW(settingsFile_.c_str());
}

// What a deployment tool does: Setup.exe /S /DIR= /LOG= installs with no
// window, the entry holds what the tool and the list of programs read, and
// its "QuietUninstallString" removes everything again, also unseen.
// Updating while Tandrel runs: the installer names Tandrel's file in use,
// キャンセル leaves the installed version as it was, and once Tandrel has
// ended, 再試行 completes the update.
TEST_F(ProductInstall, UpdatingWhileTandrelRunsAsksToEndItAndCancelChangesNothing) {
    Install();
    const std::wstring exe = installDir_ + L"\\Tandrel.exe";
    const std::string readmeOne = testfiles::ReadFileBytes(installDir_ + L"\\Readme.txt");
    // The next version's document.
    const std::string readmeTwo = testfiles::ReadFileBytes(unpacked_ + L"\\Readme.txt") + "\r\n(2)\r\n";
    ASSERT_TRUE(testfiles::WriteFileBytes(unpacked_ + L"\\Readme.txt", readmeTwo));
    const std::wstring inUse = exe + L" は使用中のため，置き換えることができません。";
    const std::wstring complete = L"Tandrel ver." + kVersion + L" のインストールが完了しました。";

    gui::Process tandrel = gui::StartProgram(exe, L"", installDir_);
    HWND main = WaitForTitledWindow(kMainTitle, nullptr, 15000);
    ASSERT_NE(main, nullptr);
    // Through the document and the options, which say that this is an update,
    // to the question about Tandrel.exe.
    auto untilQuestion = [&](gui::Process& setup, bool shots) -> HWND {
        setup = gui::StartProgram(unpacked_ + L"\\Setup.exe", L"", unpacked_);
        HWND document = gui::WaitForWindow(setup.Id(), kDialogClass, (kInstallTitle + L" (1/2)").c_str());
        EXPECT_NE(document, nullptr);
        if (document == nullptr) {
            return nullptr;
        }
        gui::PressButton(document, IDOK);
        HWND options = gui::WaitForWindow(setup.Id(), kDialogClass, (L"［更新］" + kInstallTitle + L" (2/2)").c_str());
        EXPECT_NE(options, nullptr);
        if (options == nullptr) {
            return nullptr;
        }
        if (shots) {
            gui::SaveShot(L"mivo-options-update.png", options, 300);
        }
        gui::PressButton(options, IDOK);
        HWND box = gui::WaitForMessageBox(setup.Id(), 30000);
        EXPECT_NE(box, nullptr);
        if (box != nullptr && shots) {
            gui::SaveShot(L"mivo-file-in-use.png", box, 300);
        }
        return box;
    };
    {
        gui::Process setup;
        HWND box = untilQuestion(setup, true);
        ASSERT_NE(box, nullptr);
        gui::MessageBoxContent question = gui::ReadMessageBox(box);
        EXPECT_EQ(question.text.compare(0, inUse.size(), inUse), 0) << testfiles::ToUtf8(question.text);
        EXPECT_TRUE(question.retryCancel);
        gui::PressButton(box, IDCANCEL);
        EXPECT_TRUE(gui::WaitUntil([box] { return !IsWindow(box); }));
        EXPECT_EQ(gui::AnswerMessageBox(setup.Id(), IDOK).text,
                  L"インストールを中止しました。\nコンピュータには何も変更を加えていません。");
        EXPECT_EQ(setup.WaitForExit(15000), 0u);
        EXPECT_EQ(testfiles::ReadFileBytes(installDir_ + L"\\Readme.txt"), readmeOne);
        EXPECT_TRUE(IsWindow(main));
    }
    {
        gui::Process setup;
        HWND box = untilQuestion(setup, false);
        ASSERT_NE(box, nullptr);
        PostMessageW(main, WM_CLOSE, 0, 0);
        EXPECT_NE(tandrel.WaitForExit(15000), ~0u) << "Tandrel did not end";
        gui::PressButton(box, IDRETRY);
        HWND done = WaitForTitledWindow(kInstallTitle, complete.c_str(), 30000);
        ASSERT_NE(done, nullptr);
        gui::PressButton(done, IDOK);
        // The updated Tandrel starts at the end, as after the first install.
        HWND started = WaitForTitledWindow(kMainTitle, nullptr, 15000);
        ASSERT_NE(started, nullptr);
        EXPECT_EQ(setup.WaitForExit(15000), 0u);
        PostMessageW(started, WM_CLOSE, 0, 0);
        EXPECT_TRUE(gui::WaitUntil([&] { return !IsWindow(started); }, 10000));
    }
    EXPECT_EQ(testfiles::ReadFileBytes(installDir_ + L"\\Readme.txt"), readmeTwo);
    EXPECT_EQ(testfiles::ReadFileBytes(exe), testfiles::ReadFileBytes(dist_ + L"\\Tandrel.exe"));
    EXPECT_FALSE(testfiles::PathExists(installDir_ + L"\\$$MivoKept"));
}

TEST_F(ProductInstall, UnattendedInstallAndQuietUninstallShowNoWindowAndLogEveryStep) {
    // A Tandrel that an earlier test closed may take a moment to end; only
    // one started by this install may count below.
    ASSERT_TRUE(gui::WaitUntil([] { return machine::ProcessesNamed(L"Tandrel.exe").empty(); }, 10000));
    const std::wstring log = work_ / L"配備 ログ.log";
    std::vector<std::wstring> windows;
    DWORD code = RunUnattended(unpacked_ + L"\\Setup.exe", L"/S /DIR=\"" + deployedDir_ + L"\" /LOG=\"" + log + L"\"",
                               unpacked_, windows);
    EXPECT_EQ(code, 0u) << testfiles::ToUtf8(ReadLog(log));
    EXPECT_TRUE(windows.empty()) << testfiles::ToUtf8(windows.empty() ? L"" : windows.front());
    // Nothing was started for a user who is not there.
    EXPECT_TRUE(machine::ProcessesNamed(L"Tandrel.exe").empty());

    // Every file of the distribution is installed, and the log names each copy.
    std::wstring text = ReadLog(log);
    std::vector<std::wstring> installed = {L"Tandrel.exe", L"Setup.exe", L"Setup.inf", L"Readme.txt",
                                           L"help\\index.html"};
    for (const std::wstring& picture : testfiles::FilesIn(dist_, L"*.png")) {
        installed.push_back(L"help\\images\\" + picture);
    }
    long long bytes = 0;
    for (const std::wstring& name : installed) {
        std::wstring path = deployedDir_ + L"\\" + name;
        EXPECT_TRUE(testfiles::FileExists(path)) << testfiles::ToUtf8(name);
        EXPECT_NE(text.find(L"COPY " + unpacked_ + L"\\"), std::wstring::npos);
        EXPECT_NE(text.find(L" -> " + path + L"\r\n"), std::wstring::npos) << testfiles::ToUtf8(name);
        // The size is counted as the files are copied; the installed setup
        // file gains the install's record afterwards.
        const std::wstring counted = name == L"Setup.inf" ? unpacked_ + L"\\" + name : path;
        bytes += static_cast<long long>(testfiles::ReadFileBytes(counted).size());
    }
    EXPECT_NE(text.find(L" -> " + settingsFile_ + L"\r\n"), std::wstring::npos);
    bytes += static_cast<long long>(testfiles::ReadFileBytes(settingsFile_).size());
    // The completion the user would have read, with its message number.
    EXPECT_NE(text.find(L"INFO message 10 code 0: Tandrel ver." + kVersion + L" のインストールが完了しました。"),
              std::wstring::npos);
    EXPECT_NE(text.find(L"SHORTCUT " + group_ + L"\\Tandrel.lnk"), std::wstring::npos);
    EXPECT_NE(text.find(L"END exit code 0"), std::wstring::npos);
    // The boxes as the setup file checks them: the group yes, the desktop no.
    EXPECT_EQ(testfiles::FilesIn(group_, L"*").size(), 3u);
    EXPECT_FALSE(testfiles::FileExists(desktopLink_));
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kInstallDirKey, L"InstallDir"), deployedDir_);

    // The entry.
    const std::wstring setup = L"\"" + deployedDir_ + L"\\Setup.exe\"";
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayName"), L"Tandrel ver." + kVersion);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"UninstallString"), setup + L" /r");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"QuietUninstallString"), setup + L" /r /S");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"InstallLocation"), deployedDir_);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayIcon"), deployedDir_ + L"\\Tandrel.exe,0");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"Publisher"), L"BRAMWELT");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"HelpLink"), deployedDir_ + L"\\help\\index.html");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"URLInfoAbout"), L"<absent>");
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayVersion"), kVersion);
    EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"InstallDate"), Today());
    unsigned major = 0, minor = 0;
    ASSERT_EQ(swscanf(kVersion.c_str(), L"%u.%u", &major, &minor), 2);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kEntryKey, L"VersionMajor"), major);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kEntryKey, L"VersionMinor"), minor);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kEntryKey, L"EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kEntryKey, L"NoModify"), 1);
    EXPECT_EQ(RegNumber(HKEY_LOCAL_MACHINE, kEntryKey, L"NoRepair"), 1);

    // The quiet uninstall, as the tool reads it from the entry; it ends only
    // when the whole removal has.
    std::wstring program, arguments;
    SplitCommand(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"QuietUninstallString"), program, arguments);
    windows.clear();
    code = RunUnattended(program, arguments, work_.Path(), windows);
    std::wstring uninstallLog = ReadLog(TempDir() + L"Mivo-Tandrel.log");
    EXPECT_TRUE(code == 0u || code == 3010u) << code << testfiles::ToUtf8(uninstallLog);
    EXPECT_TRUE(windows.empty()) << testfiles::ToUtf8(windows.empty() ? L"" : windows.front());
    // Everything but the setup program that "/r" ran from is gone already.
    EXPECT_FALSE(machine::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
    EXPECT_FALSE(machine::KeyExists(HKEY_LOCAL_MACHINE, kInstallDirKey));
    EXPECT_FALSE(testfiles::DirExists(group_));
    EXPECT_FALSE(testfiles::FileExists(settingsFile_));
    EXPECT_FALSE(testfiles::FileExists(WindowsDir() + L"\\$$UnMivo.inf"));
    EXPECT_NE(uninstallLog.find(L"REMOVED " + deployedDir_ + L"\\Tandrel.exe"), std::wstring::npos);
    // The setup program the uninstall ran from goes once that has ended.
    EXPECT_TRUE(gui::WaitUntil([&] { return !testfiles::DirExists(deployedDir_); }, 30000))
        << testfiles::ToUtf8(ReadLog(TempDir() + L"Mivo-Tandrel.log"));
    EXPECT_TRUE(gui::WaitUntil([] { return !UninstallerCopyRuns(); }, 30000));
    EXPECT_NE(ReadLog(TempDir() + L"Mivo-Tandrel.log").find(L"REMOVED " + deployedDir_ + L"\r\n"), std::wstring::npos);
    for (const std::wstring& window : InstallerWindows()) {
        ADD_FAILURE() << testfiles::ToUtf8(window);
    }
    DeleteFileW((TempDir() + L"Mivo-Tandrel.log").c_str());
}

// A directory the options dialog would refuse fails the unattended run:
// nothing installed, the reason in the log, an exit code that says so.
TEST_F(ProductInstall, UnattendedInstallRefusesADirectoryTheOptionsWouldRefuse) {
    struct Case {
        std::wstring dir;
        const wchar_t* reason;
    } cases[] = {
        {deployedDir_ + L"|x", L"ERROR message 24 code 0: ディレクトリ名に以下の記号は使用できません。"},
        {deployedDir_ + L"\\", L"ERROR message 21 code 0: インストール先ディレクトリを指定して下さい。"},
        {L"Tandrel", L"ERROR message 21 code 0: インストール先ディレクトリを指定して下さい。"},
        {L"\\\\server\\share\\Tandrel", L"ERROR message 22 code 0: ネットワーク上のフォルダは指定できません。"},
    };
    for (const Case& c : cases) {
        const std::wstring log = work_ / L"refused.log";
        DeleteFileW(log.c_str());
        std::vector<std::wstring> windows;
        DWORD code = RunUnattended(unpacked_ + L"\\Setup.exe", L"/LOG=\"" + log + L"\" /DIR=\"" + c.dir + L"\" /SILENT",
                                   unpacked_, windows);
        std::wstring text = ReadLog(log);
        EXPECT_EQ(code, 2u) << testfiles::ToUtf8(c.dir);
        EXPECT_TRUE(windows.empty());
        EXPECT_NE(text.find(c.reason), std::wstring::npos) << testfiles::ToUtf8(text);
        EXPECT_NE(text.find(c.dir), std::wstring::npos) << testfiles::ToUtf8(text);
        EXPECT_FALSE(testfiles::PathExists(deployedDir_));
        EXPECT_FALSE(testfiles::DirExists(installDir_));
        EXPECT_FALSE(testfiles::DirExists(group_));
        EXPECT_FALSE(machine::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
        EXPECT_FALSE(testfiles::FileExists(settingsFile_));
    }
}

}  // namespace
