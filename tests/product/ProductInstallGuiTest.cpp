// The product as a user gets it: the distribution folder that the build
// makes, installed with its Setup.exe, Tandrel used from the install
// directory, and everything removed again through the uninstall entry that
// Windows shows. Every dialog and box is answered as a user would.
#include <gtest/gtest.h>

#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

#include "../photo/TestPictures.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

const std::wstring kVersion = TANDREL_VERSION;
const std::wstring kInstallTitle = L"Tandrel ver." + kVersion + L" セットアップ";
const std::wstring kUninstallTitle = L"Tandrel ver." + kVersion + L" アンインストール";
const std::wstring kMainTitle = L"Tandrel ver." + kVersion;
const wchar_t kDialogClass[] = L"#32770";
const wchar_t kEntryKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tandrel";
const wchar_t kInstallDirKey[] = L"SOFTWARE\\Tandrel";
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

std::wstring WindowsDir() {
    wchar_t dir[MAX_PATH] = {};
    GetWindowsDirectoryW(dir, MAX_PATH);
    return dir;
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// A string value, or "<absent>".
std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
        return L"<absent>";
    }
    return value;
}

bool RegKeyExists(HKEY root, const std::wstring& path) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

std::wstring ProgramFilesDir() {
    return RegText(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir");
}

std::vector<std::wstring> FilesIn(const std::wstring& dir, const wchar_t* pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\" + pattern).c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    return names;
}

bool CopyFolder(const std::wstring& from, const std::wstring& to) {
    if (!CreateDirectoryW(to.c_str(), nullptr)) {
        return false;
    }
    for (const std::wstring& name : FilesIn(from, L"*")) {
        if (!CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), TRUE)) {
            return false;
        }
    }
    return true;
}

struct Shortcut {
    bool loaded = false;
    std::wstring target;
    std::wstring arguments;
};

// Reads a shortcut file back through the shell's own link object.
Shortcut ReadShortcut(const std::wstring& path) {
    Shortcut shortcut;
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link)))) {
        return shortcut;
    }
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(path.c_str(), STGM_READ))) {
            wchar_t text[MAX_PATH] = {};
            link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
            shortcut.target = text;
            text[0] = L'\0';
            link->GetArguments(text, MAX_PATH);
            shortcut.arguments = text;
            shortcut.loaded = true;
        }
        file->Release();
    }
    link->Release();
    return shortcut;
}

struct TitledWindowQuery {
    std::wstring title;
    const wchar_t* boxText;  // null: a dialog that is no message box
    DWORD exceptPid;
    HWND found;
};

BOOL CALLBACK FindTitledWindow(HWND window, LPARAM param) {
    auto* query = reinterpret_cast<TitledWindowQuery*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == query->exceptPid || !IsWindowVisible(window)) {
        return TRUE;
    }
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (lstrcmpW(className, kDialogClass) != 0 || gui::WindowText(window) != query->title) {
        return TRUE;
    }
    // Other dialogs have unnamed statics too, so a box is known by its text.
    if (query->boxText ? gui::ReadMessageBox(window).text != query->boxText : gui::IsMessageBox(window)) {
        return TRUE;
    }
    query->found = window;
    return FALSE;
}

// A dialog titled `title`, or a message box titled `title` that says
// `boxText`, of any process but `exceptPid`: the installer starts programs
// and hands over to copies of itself whose process ids the test never learns.
HWND WaitForTitledWindow(const std::wstring& title, const wchar_t* boxText, DWORD exceptPid, DWORD timeoutMs) {
    TitledWindowQuery query = {title, boxText, exceptPid, nullptr};
    gui::WaitUntil(
        [&] {
            EnumWindows(FindTitledWindow, reinterpret_cast<LPARAM>(&query));
            return query.found != nullptr;
        },
        timeoutMs);
    return query.found;
}

std::wstring ProcessImageOf(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) {
        return L"";
    }
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(process, 0, path, &size);
    CloseHandle(process);
    return path;
}

bool ProcessNamedRuns(const wchar_t* exeName) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return false;
    }
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
        if (lstrcmpiW(entry.szExeFile, exeName) == 0) {
            found = true;
            break;
        }
    }
    CloseHandle(snapshot);
    return found;
}

const wchar_t kSessionManagerKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingValue[] = L"PendingFileRenameOperations";

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

// The file operations the system does at its next start: pairs of a source
// and a target, an empty target meaning deletion.
std::vector<std::wstring> PendingFileOperations() {
    std::vector<std::wstring> texts;
    DWORD size = 0;
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS) {
        return texts;
    }
    std::vector<wchar_t> data(size / sizeof(wchar_t) + 2, L'\0');
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManagerKey, kPendingValue, RRF_RT_REG_MULTI_SZ, nullptr, data.data(),
                     &size) != ERROR_SUCCESS) {
        return texts;
    }
    // Empty targets are empty strings inside the list, so walk by count.
    size_t count = size / sizeof(wchar_t);
    for (size_t at = 0; at < count;) {
        std::wstring text(data.data() + at);
        texts.push_back(text);
        at += text.size() + 1;
    }
    while (!texts.empty() && texts.back().empty() && texts.size() % 2 == 1) {
        texts.pop_back();
    }
    return texts;
}

std::wstring PendingSourceOf(const std::wstring& path) {
    return Lower(L"\\??\\" + path);
}

bool DeletionPendingFor(const std::wstring& path) {
    std::vector<std::wstring> texts = PendingFileOperations();
    for (size_t i = 0; i + 1 < texts.size(); i += 2) {
        if (Lower(texts[i]) == PendingSourceOf(path) && texts[i + 1].empty()) {
            return true;
        }
    }
    return false;
}

// Takes the operations on `path` out again: a test prefix never restarts, and
// other tests look for their own entries.
void ForgetPendingOperations(const std::wstring& path) {
    std::vector<std::wstring> texts = PendingFileOperations();
    std::wstring kept;
    for (size_t i = 0; i + 1 < texts.size(); i += 2) {
        if (Lower(texts[i]) != PendingSourceOf(path)) {
            kept += texts[i] + L'\0' + texts[i + 1] + L'\0';
        }
    }
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kSessionManagerKey, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS) {
        return;
    }
    if (kept.empty()) {
        RegDeleteValueW(key, kPendingValue);
    } else {
        kept += L'\0';
        RegSetValueExW(key, kPendingValue, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                       static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
    }
    RegCloseKey(key);
}

void Shot(const wchar_t* name, HWND window) {
    gui::Sync(window);
    Sleep(300);
    gui::SaveScreenshot(gui::ScreenshotDir() + L"\\" + name, window);
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

class ProductInstall : public ::testing::Test {
protected:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        installDir_ = ProgramFilesDir() + L"\\Tandrel";
        group_ = SpecialFolder(CSIDL_PROGRAMS) + L"\\Tandrel";
        desktopLink_ = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\Tandrel.lnk";
        settingsFile_ = WindowsDir() + L"\\TDR.ini";
        RemoveLeftovers();
        dist_ = testfiles::BinDir() + L"..\\dist\\" TANDREL_DIST_NAME;
        ASSERT_TRUE(testfiles::FileExists(dist_ + L"\\Setup.exe")) << "no distribution; build the dist target";
        // A copy, as a user unpacks the zip somewhere of their own.
        unpacked_ = work_ / L"Tandrel CD";
        ASSERT_TRUE(CopyFolder(dist_, unpacked_));
    }

    void TearDown() override {
        gui::WaitUntil([] { return !ProcessNamedRuns(kUninstallerCopy); }, 30000);
        RemoveLeftovers();
        // The uninstaller's copy is due for deletion at the next restart; a
        // test prefix never restarts.
        std::wstring copy = WindowsDir() + L"\\" + kUninstallerCopy;
        ForgetPendingOperations(copy);
        DeleteFileW(copy.c_str());
        CoUninitialize();
    }

    // What a failed run may have left, so that every run starts clean.
    void RemoveLeftovers() {
        testfiles::RemoveTree(installDir_);
        testfiles::RemoveTree(group_);
        DeleteFileW(desktopLink_.c_str());
        DeleteFileW(settingsFile_.c_str());
        DeleteFileW((WindowsDir() + L"\\$$UnMivo.inf").c_str());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kEntryKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kEntryKey);
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, kInstallDirKey);
        RegDeleteKeyW(HKEY_LOCAL_MACHINE, kInstallDirKey);
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
        Shot(L"mivo-document.png", document);
        gui::PressButton(document, IDOK);

        HWND options = gui::WaitForWindow(setup.Id(), kDialogClass, (kInstallTitle + L" (2/2)").c_str());
        ASSERT_NE(options, nullptr);
        EXPECT_EQ(gui::ControlText(options, kInstallDirEdit), installDir_);
        EXPECT_EQ(gui::CheckState(options, kGroupBox), BST_CHECKED);
        EXPECT_FALSE(gui::IsControlEnabled(options, kStartupBox));
        EXPECT_TRUE(gui::IsControlEnabled(options, kDesktopBox));
        EXPECT_EQ(gui::CheckState(options, kDesktopBox), BST_UNCHECKED);
        EXPECT_EQ(gui::CheckState(options, kAllUsersBox), BST_UNCHECKED);
        ASSERT_TRUE(gui::ClickAndWait(options, kDesktopBox));
        EXPECT_EQ(gui::CheckState(options, kDesktopBox), BST_CHECKED);
        Shot(L"mivo-options.png", options);
        gui::PressButton(options, IDOK);

        const std::wstring completion = L"Tandrel ver." + kVersion + L" のインストールが完了しました。";
        HWND done = WaitForTitledWindow(kInstallTitle, completion.c_str(), GetCurrentProcessId(), 30000);
        ASSERT_NE(done, nullptr);
        Shot(L"mivo-complete.png", done);
        gui::PressButton(done, IDOK);

        // The installed program starts once the message is answered.
        HWND started = WaitForTitledWindow(kMainTitle, nullptr, GetCurrentProcessId(), 15000);
        ASSERT_NE(started, nullptr);
        EXPECT_EQ(ProcessImageOf(started), installDir_ + L"\\Tandrel.exe");
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
        for (const std::wstring& picture : FilesIn(dist_, L"*.png")) {
            EXPECT_TRUE(testfiles::FileExists(installDir_ + L"\\help\\images\\" + picture))
                << testfiles::ToUtf8(picture);
        }
        // The help pictures went into the help folder, not beside Tandrel.
        EXPECT_TRUE(FilesIn(installDir_, L"*.png").empty());
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
            Shortcut shortcut = ReadShortcut(link.file);
            EXPECT_TRUE(shortcut.loaded) << testfiles::ToUtf8(link.file);
            EXPECT_EQ(shortcut.target, link.target) << testfiles::ToUtf8(link.file);
            EXPECT_EQ(shortcut.arguments, link.arguments) << testfiles::ToUtf8(link.file);
        }
        EXPECT_EQ(FilesIn(group_, L"*").size(), 3u);

        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayName"), L"Tandrel ver." + kVersion);
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"UninstallString"),
                  L"\"" + installDir_ + L"\\Setup.exe\" /r");
        EXPECT_EQ(RegText(HKEY_LOCAL_MACHINE, kEntryKey, L"DisplayIcon"), installDir_ + L"\\Tandrel.exe");
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

        HWND confirm = WaitForTitledWindow(kUninstallTitle, L"アンインストールを開始します。よろしいですか？",
                                           GetCurrentProcessId(), 15000);
        ASSERT_NE(confirm, nullptr);
        Shot(L"mivo-uninstall-confirm.png", confirm);
        gui::PressButton(confirm, IDYES);
        EXPECT_EQ(start.WaitForExit(15000), 1u);

        HWND done =
            WaitForTitledWindow(kUninstallTitle, L"アンインストールが完了しました。", GetCurrentProcessId(), 60000);
        ASSERT_NE(done, nullptr);
        gui::PressButton(done, IDOK);
        EXPECT_TRUE(gui::WaitUntil([] { return !ProcessNamedRuns(kUninstallerCopy); }, 30000));
    }

    void ExpectRemoved() {
        EXPECT_FALSE(testfiles::DirExists(installDir_));
        EXPECT_FALSE(testfiles::DirExists(group_));
        EXPECT_FALSE(testfiles::FileExists(desktopLink_));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kEntryKey));
        EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kInstallDirKey));
        EXPECT_FALSE(testfiles::FileExists(settingsFile_));
        EXPECT_FALSE(testfiles::FileExists(WindowsDir() + L"\\$$UnMivo.inf"));
        // The copy that did the removal goes at the next start of Windows.
        EXPECT_TRUE(DeletionPendingFor(WindowsDir() + L"\\" + kUninstallerCopy));
    }

    testfiles::ScratchDir work_{L"product"};
    std::wstring dist_, unpacked_, installDir_, group_, desktopLink_, settingsFile_;
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

TEST_F(ProductInstall, SettingsTheUserAlreadyHadAreKeptByTheInstallAndGoWithTheUninstall) {
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
    ExpectRemoved();
    EXPECT_TRUE(testfiles::FileExists(saved));
}

}  // namespace
