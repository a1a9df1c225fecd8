#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "InstallTestKit.h"
#include "ReportRecorder.h"
#include "ShiftJisText.h"
#include "engine/InstallerState_win.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/SetupInfo_win.h"
#include "support/TestFiles.h"
#include "ui/Messages.h"

namespace {

using installkit::WindowsDir;

const char kInstallDir[] = "C:\\Inst\\Dir";
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kRememberKey[] = "Software\\MivoTests\\Remember";

std::string RegistryValue(HKEY root, const char* key, const char* name) {
    char buffer[256] = {};
    QueryRegString(root, key, name, buffer, sizeof buffer);
    return buffer;
}

// A folder as the installer writes it: without a trailing backslash (which
// Wine's shell gives for some folders), except for a drive root.
std::string WithoutTrailingBackslash(std::string folder) {
    if (folder.size() > 3 && folder.back() == '\\') {
        folder.pop_back();
    }
    return folder;
}

std::string Ansi(const std::wstring& path) {
    return testfiles::ToAnsi(path);
}

// The names in a directory, as the ANSI installer sees them.
std::vector<std::string> Entries(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) {
            names.push_back(found.cFileName);
        }
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

class PathsTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_installer.instance = GetModuleHandleA(nullptr);
        SetMessageModule(g_installer.instance);
        std::strcpy(g_installer.installDir, kInstallDir);
        std::strcpy(g_installer.setupFilePath, "C:\\dist\\Setup.inf");
        std::strcpy(g_installer.ownDir, "C:\\dist\\");
        g_setupInfo = SetupInfo();
    }
    // What resolving reports where it should report nothing.
    void TearDown() override { EXPECT_TRUE(silent_.Boxes().empty()) << testfiles::ToUtf8(silent_.One().text); }

    installkit::ReportRecorder silent_;
};

}  // namespace

TEST_F(PathsTest, ResolvesMacrosDrivePathsAndRelativeEntries) {
    ASSERT_TRUE(SetEnvironmentVariableA("MIVO_TEST_DIR", "D:\\" SO "\\" HYO));
    char systemDir[MAX_PATH] = {};
    GetSystemDirectoryA(systemDir, MAX_PATH);
    char documents[MAX_PATH] = {};
    char templates[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, documents, CSIDL_PERSONAL, FALSE));
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, templates, CSIDL_TEMPLATES, FALSE));
    std::string commonFiles = RegistryValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir");
    ASSERT_FALSE(commonFiles.empty());
    char windirVariable[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("windir", windirVariable, MAX_PATH), 0u);
    char programFilesVariable[MAX_PATH] = {};
    ASSERT_NE(GetEnvironmentVariableA("ProgramFiles", programFilesVariable, MAX_PATH), 0u);

    struct Case {
        const char* entry;
        std::string path;  // empty: cannot be resolved
    } cases[] = {
        {"%WINDIR%\\Fonts\\a.ttf", WindowsDir() + "\\Fonts\\a.ttf"},
        {"%SYSTEMDIR%\\a.dll", std::string(systemDir) + "\\a.dll"},
        {"%MYDOCUMENTS%\\a.txt", WithoutTrailingBackslash(documents) + "\\a.txt"},
        {"%TEMPLATES%\\a.dot", WithoutTrailingBackslash(templates) + "\\a.dot"},
        {"%COMMONPROG%\\Acme\\a.dll", commonFiles + "\\Acme\\a.dll"},
        // Macro names are case-sensitive; other spellings are environment variables.
        {"%windir%\\a", std::string(windirVariable) + "\\a"},
        {"%ProgramFiles%\\Acme", std::string(programFilesVariable) + "\\Acme"},
        {"%MIVO_TEST_DIR%\\a", "D:\\" SO "\\" HYO "\\a"},
        {"%WINDIR%", WindowsDir()},
        {"%WINDIR", ""},
        {"%NOSUCHVAR%\\a", ""},
        {"%%\\a", ""},
        {"", ""},
        {"D:\\a.exe", "D:\\a.exe"},
        {"D:", "D:"},
        {"a.exe", "C:\\Inst\\Dir\\a.exe"},
        {"sub\\a.exe", "C:\\Inst\\Dir\\sub\\a.exe"},
        {"\\a.exe", "C:\\Inst\\Dir\\\\a.exe"},
        {"\\\\server\\share\\a.exe", "C:\\Inst\\Dir\\\\\\server\\share\\a.exe"},
        {SO "\\" HYO ".exe", "C:\\Inst\\Dir\\" SO "\\" HYO ".exe"},
        {"%WINDIR%\\" HYO "\\" SO, WindowsDir() + "\\" HYO "\\" SO},
    };
    for (const Case& c : cases) {
        char output[kPathCapacity];
        std::strcpy(output, "stale");
        EXPECT_EQ(ResolvePath(output, c.entry), !c.path.empty()) << c.entry;
        EXPECT_EQ(std::string(output), c.path) << c.entry;
    }
    SetEnvironmentVariableA("MIVO_TEST_DIR", nullptr);
}

TEST_F(PathsTest, RelativeEntriesFollowTheInstallDirectoryOfTheMoment) {
    char output[kPathCapacity];
    ASSERT_TRUE(ResolvePath(output, "a.exe"));
    EXPECT_STREQ(output, "C:\\Inst\\Dir\\a.exe");
    std::strcpy(g_installer.installDir, "E:\\Chosen");
    ASSERT_TRUE(ResolvePath(output, "a.exe"));
    EXPECT_STREQ(output, "E:\\Chosen\\a.exe");
}

TEST_F(PathsTest, ResultsLongerThan255BytesFailLikeUnresolvableOnes) {
    const size_t prefix = std::strlen(kInstallDir) + 1;
    std::string fits(255 - prefix, 'f');
    char output[kPathCapacity];
    ASSERT_TRUE(ResolvePath(output, fits.c_str()));
    EXPECT_EQ(std::strlen(output), 255u);

    std::string tooLong = fits + "f";
    std::strcpy(output, "stale");
    EXPECT_FALSE(ResolvePath(output, tooLong.c_str()));
    EXPECT_STREQ(output, "");

    std::string rest = "\\" + std::string(255 - WindowsDir().size(), 'r');
    ASSERT_TRUE(ResolvePath(output, ("%WINDIR%" + rest.substr(1)).c_str()));
    EXPECT_FALSE(ResolvePath(output, ("%WINDIR%" + rest).c_str()));
    EXPECT_STREQ(output, "");

    std::string drive = "D:\\" + std::string(253, 'd');
    EXPECT_FALSE(ResolvePath(output, drive.c_str()));
    EXPECT_STREQ(output, "");

    // Variables longer than a path, or that make the result too long.
    std::string huge(300, 'h');
    ASSERT_TRUE(SetEnvironmentVariableA("MIVO_TEST_HUGE", huge.c_str()));
    EXPECT_FALSE(ResolvePath(output, "%MIVO_TEST_HUGE%"));
    EXPECT_STREQ(output, "");
    ASSERT_TRUE(SetEnvironmentVariableA("MIVO_TEST_HUGE", huge.substr(0, 250).c_str()));
    EXPECT_TRUE(ResolvePath(output, "%MIVO_TEST_HUGE%\\abcd"));
    EXPECT_FALSE(ResolvePath(output, "%MIVO_TEST_HUGE%\\abcde"));
    SetEnvironmentVariableA("MIVO_TEST_HUGE", nullptr);
}

TEST_F(PathsTest, SpecialFoldersComeFromTheShell) {
    int folders[] = {kFolderDesktop,   kFolderPrograms,       kFolderPersonal,      kFolderStartup,
                     kFolderTemplates, kFolderCommonPrograms, kFolderCommonStartup, kFolderCommonDesktop};
    for (int csidl : folders) {
        char expected[MAX_PATH] = {};
        ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, expected, csidl, FALSE)) << csidl;
        char output[kPathCapacity];
        EXPECT_TRUE(GetSpecialFolderPath(csidl, output)) << csidl;
        EXPECT_EQ(std::string(output), WithoutTrailingBackslash(expected)) << csidl;
    }
    char output[kPathCapacity] = "stale";
    EXPECT_FALSE(GetSpecialFolderPath(0x7F, output));
    EXPECT_STREQ(output, "");
}

TEST_F(PathsTest, InstallDirectoryFromTheSetupValue) {
    std::string programFiles = RegistryValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
    ASSERT_FALSE(programFiles.empty());
    struct Case {
        const char* value;
        std::string dir;
    } cases[] = {
        {"\\Tools", WindowsDir().substr(0, 2) + "\\Tools"},
        {"Acme", programFiles + "\\Acme"},
        {"Acme\\" SO, programFiles + "\\Acme\\" SO},
        // Never macro-expanded.
        {"%WINDIR%", programFiles + "\\%WINDIR%"},
    };
    for (const Case& c : cases) {
        std::strcpy(g_installer.installDir, kInstallDir);
        EXPECT_TRUE(ResolveInstallDir(silent_, c.value, g_setupInfo.installDirReg)) << c.value;
        EXPECT_EQ(std::string(g_installer.installDir), c.dir) << c.value;
    }
}

TEST_F(PathsTest, RememberedInstallDirectoryWins) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kRememberKey);
    std::string reg = std::string("HKEY_CURRENT_USER\\") + kRememberKey;
    std::strcpy(g_setupInfo.installDirReg, reg.c_str());
    std::string programFiles = RegistryValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");

    // No key yet: the setup value applies.
    EXPECT_TRUE(ResolveInstallDir(silent_, "Acme", g_setupInfo.installDirReg));
    EXPECT_EQ(std::string(g_installer.installDir), programFiles + "\\Acme");

    RegKey key;
    ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, kRememberKey, true, key));
    // A key without the value, or with an empty one, changes nothing.
    EXPECT_TRUE(ResolveInstallDir(silent_, "\\Tools", g_setupInfo.installDirReg));
    EXPECT_EQ(std::string(g_installer.installDir), WindowsDir().substr(0, 2) + "\\Tools");
    ASSERT_TRUE(WriteRegString(key.Get(), "InstallDir", ""));
    EXPECT_TRUE(ResolveInstallDir(silent_, "\\Tools", g_setupInfo.installDirReg));
    EXPECT_EQ(std::string(g_installer.installDir), WindowsDir().substr(0, 2) + "\\Tools");

    ASSERT_TRUE(WriteRegString(key.Get(), "InstallDir", "E:\\Apps\\Acme"));
    EXPECT_TRUE(ResolveInstallDir(silent_, "Acme", g_setupInfo.installDirReg));
    EXPECT_STREQ(g_installer.installDir, "E:\\Apps\\Acme");

    // A stored value longer than a path is not taken (nor cut).
    ASSERT_TRUE(WriteRegString(key.Get(), "InstallDir", ("E:\\" + std::string(300, 'x')).c_str()));
    EXPECT_TRUE(ResolveInstallDir(silent_, "Acme", g_setupInfo.installDirReg));
    EXPECT_EQ(std::string(g_installer.installDir), programFiles + "\\Acme");

    key.Reset();
    RegDeleteTreeA(HKEY_CURRENT_USER, kRememberKey);
}

TEST_F(PathsTest, BadRegistryRootsAreReportedAsABadSetupFile) {
    const char* roots[] = {
        "HKEY_CURRENT_USER",  // no backslash
        "HKCU\\Software\\Acme", "hkey_current_user\\Software\\Acme", "HKEY_CLASSES_ROOT\\Software\\Acme",
        "\\Software\\Acme",
    };
    std::wstring expected =
        L"セットアップ情報ファイル（" + testfiles::FromAnsi(g_installer.setupFilePath) + L"）の内容が不正です。";
    for (const char* root : roots) {
        std::strcpy(g_setupInfo.installDirReg, root);
        std::strcpy(g_installer.installDir, kInstallDir);
        installkit::ReportRecorder answer;
        EXPECT_FALSE(ResolveInstallDir(answer, "Acme", g_setupInfo.installDirReg)) << root;
        gui::MessageBoxContent box = answer.One();
        EXPECT_EQ(box.caption, L"Error !") << root;
        EXPECT_EQ(box.text, expected) << root;
        EXPECT_STREQ(g_installer.installDir, kInstallDir) << root;
    }
}

TEST_F(PathsTest, InstallDirectoryTooLongIsABadSetupFile) {
    std::string value(250, 'v');
    installkit::ReportRecorder answer;
    EXPECT_FALSE(ResolveInstallDir(answer, value.c_str(), g_setupInfo.installDirReg));
    EXPECT_EQ(answer.One().caption, L"Error !");
    EXPECT_STREQ(g_installer.installDir, kInstallDir);
}

TEST_F(PathsTest, MissingProgramFilesDirIsMessage9With2101) {
    // The test prefix is ours: take the value away and put it back.
    RegKey key;
    ASSERT_TRUE(OpenRegKey(HKEY_LOCAL_MACHINE, kCurrentVersion, false, key));
    std::string saved = RegistryValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "ProgramFilesDir");
    ASSERT_EQ(RegDeleteValueA(key.Get(), "ProgramFilesDir"), ERROR_SUCCESS);

    installkit::ReportRecorder answer;
    bool resolved = ResolveInstallDir(answer, "Acme", g_setupInfo.installDirReg);
    gui::MessageBoxContent box = answer.One();
    WriteRegString(key.Get(), "ProgramFilesDir", saved.c_str());

    EXPECT_FALSE(resolved);
    EXPECT_EQ(box.caption, L"Error !");
    EXPECT_EQ(box.text, L"レジストリのオープンに失敗しました。\n  (ErrorCode : 2101)");
    EXPECT_STREQ(g_installer.installDir, kInstallDir);
}

TEST_F(PathsTest, FileExistsFindsFilesAndDirectoriesWithTheirTimes) {
    testfiles::ScratchDir work;
    std::string file = Ansi(work / L"a.txt");
    ASSERT_TRUE(testfiles::WriteFileBytes(work / L"a.txt", "x"));
    HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE);
    FILETIME stamp = {0x12345600, 0x01D00000};
    ASSERT_TRUE(SetFileTime(handle, nullptr, nullptr, &stamp));
    CloseHandle(handle);

    FILETIME lastWrite = {};
    EXPECT_TRUE(FileExists(file.c_str(), &lastWrite));
    EXPECT_EQ(CompareFileTime(&lastWrite, &stamp), 0);
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_TRUE(FileExists(Ansi(work.Path()).c_str()));
    EXPECT_FALSE(FileExists((Ansi(work.Path()) + "\\missing.txt").c_str()));
}

TEST_F(PathsTest, SourcesAreTakenFlatFromTheOwnDirectory) {
    char output[kPathCapacity];
    ASSERT_TRUE(SourcePathFor(output, g_installer.ownDir, "bin\\x.dll"));
    EXPECT_STREQ(output, "C:\\dist\\x.dll");
    ASSERT_TRUE(SourcePathFor(output, g_installer.ownDir, "bin\\" SO ".dll"));
    EXPECT_STREQ(output, "C:\\dist\\" SO ".dll");
    std::string name(250, 'n');
    EXPECT_FALSE(SourcePathFor(output, g_installer.ownDir, name.c_str()));
    EXPECT_STREQ(output, "");
}

TEST_F(PathsTest, CopyCreatesTheMissingDestinationDirectories) {
    testfiles::ScratchDir work;
    ASSERT_TRUE(testfiles::WriteFileBytes(work / L"x.dll", "payload"));
    std::string source = Ansi(work / L"x.dll");
    std::string root = Ansi(work.Path());

    std::string destination = root + "\\inst\\bin\\x.dll";
    EXPECT_TRUE(CopyFileCreatingDirs(source.c_str(), destination.c_str()));
    EXPECT_EQ(testfiles::ReadFileBytes(testfiles::FromAnsi(destination)), "payload");

    // Overwrites an existing file.
    ASSERT_TRUE(testfiles::WriteFileBytes(work / L"x.dll", "second"));
    EXPECT_TRUE(CopyFileCreatingDirs(source.c_str(), destination.c_str()));
    EXPECT_EQ(testfiles::ReadFileBytes(testfiles::FromAnsi(destination)), "second");

    // Levels with trail-byte backslashes are created whole, nothing else.
    std::string japanese = root + "\\jp\\" SO "\\" HYO "\\x.dll";
    EXPECT_TRUE(CopyFileCreatingDirs(source.c_str(), japanese.c_str()));
    EXPECT_EQ(Entries(root + "\\jp"), std::vector<std::string>{SO});
    EXPECT_EQ(Entries(root + "\\jp\\" SO), std::vector<std::string>{HYO});

    // A missing source fails on both tries.
    EXPECT_FALSE(CopyFileCreatingDirs((root + "\\missing.dll").c_str(), (root + "\\out\\m.dll").c_str()));
}

TEST_F(PathsTest, CopyIntoADriveRootIsNotRetried) {
    testfiles::ScratchDir work;
    ASSERT_TRUE(testfiles::WriteFileBytes(work / L"x.dll", "payload"));
    std::string source = Ansi(work / L"x.dll");
    // A drive that does not exist: the first copy fails, and a root has no
    // directory to create.
    DWORD drives = GetLogicalDrives();
    char letter = 'Z';
    while (letter > 'D' && (drives & (1u << (letter - 'A')))) {
        --letter;
    }
    ASSERT_FALSE(drives & (1u << (letter - 'A')));
    std::string destination = std::string(1, letter) + ":\\x.dll";
    EXPECT_FALSE(CopyFileCreatingDirs(source.c_str(), destination.c_str()));
}

TEST_F(PathsTest, DirectoryTreeCreatesEveryLevel) {
    testfiles::ScratchDir work;
    std::string root = Ansi(work.Path());
    std::string deep = root + "\\a\\b\\c";
    CreateDirectoryTree(deep.c_str());
    EXPECT_TRUE(testfiles::DirExists(testfiles::FromAnsi(deep)));
    // Existing levels are fine.
    CreateDirectoryTree((deep + "\\d").c_str());
    EXPECT_TRUE(testfiles::DirExists(testfiles::FromAnsi(deep + "\\d")));
}
