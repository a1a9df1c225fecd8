// The uninstall's pieces in process under Wine: emptying directories (links
// included), deleting registry trees, the protected directories of this
// machine, deletion at restart both ways, the shutdown privilege, and
// RunUninstall / ContinueUninstall on installed states laid out by hand.
#include <gtest/gtest.h>
#include <shlobj.h>

#include <cstring>
#include <string>

#include "InstallTestKit.h"
#include "ReportRecorder.h"
#include "engine/Deletion_win.h"
#include "engine/InstallerState_win.h"
#include "engine/RestartDeletion_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "support/Machine.h"
#include "support/TestFiles.h"
#include "ui/Messages.h"

using gui::Texts;
using installkit::Exists;
using installkit::MessageText;
using installkit::RegKeyExists;
using testfiles::FromAnsi;
using testfiles::ToAnsi;

namespace {

const char kTestKey[] = "Software\\MivoUninstallTest";

void Write(const std::string& path, const std::string& text = "x", bool readOnly = false) {
    ASSERT_TRUE(installkit::WriteText(path, text)) << path;
    if (readOnly) {
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    }
}

void MakeKey(HKEY root, const std::string& path) {
    ASSERT_TRUE(machine::MakeKey(root, FromAnsi(path))) << path;
}

// An installed state laid out by hand in a scratch directory: the install
// directory App, the uninstaller copy and its setup file beside it, and the
// process-wide state of a "/k" run pointing at them.
class UninstallScene : public ::testing::Test {
protected:
    void SetUp() override {
        root = ToAnsi(scratch.Path());
        app = root + "\\App";
        setupFile = root + "\\$$UnMivo.inf";
        ownPath = root + "\\$$UnMivo.exe";
        CreateDirectoryA(app.c_str(), nullptr);
        Write(ownPath, "MZ");
        g_installer = InstallerState();
        g_setupInfo = SetupInfo();
        SetMessageModule(GetModuleHandleA(nullptr));
        std::strcpy(g_installer.ownPath, ownPath.c_str());
        std::strcpy(g_installer.setupFilePath, setupFile.c_str());
        std::strcpy(g_installer.installDir, app.c_str());
        g_installer.runMode = RunMode::Admin;
    }
    void TearDown() override {
        machine::ForgetPendingOperations(FromAnsi(ownPath));
        machine::DeleteKeyTree(HKEY_CURRENT_USER, FromAnsi(kTestKey));
    }
    bool Load(const std::string& setupText) {
        Write(setupFile, "[Uninstall]\r\nTitle=Acme\r\n" + setupText);
        installkit::ReportRecorder load;
        return LoadSetupInfo(load, SetupLoadMode::Uninstall) == 1;
    }

    testfiles::ScratchDir scratch{L"mu"};
    std::string root, app, setupFile, ownPath;
};

}  // namespace

TEST_F(UninstallScene, EmptyingADirectoryKeepsSubdirectoriesUnlessRecursiveAndClearsReadOnly) {
    const std::string dir = root + "\\d";
    Write(dir + "\\a.txt");
    Write(dir + "\\ro.txt", "x", true);
    Write(dir + "\\sub\\b.txt");
    Write(dir + "\\sub\\deeper\\ro.txt", "x", true);

    EXPECT_TRUE(DeleteDirectoryContents(dir.c_str(), false));
    EXPECT_FALSE(Exists(dir + "\\a.txt"));
    EXPECT_FALSE(Exists(dir + "\\ro.txt"));
    EXPECT_TRUE(Exists(dir + "\\sub\\b.txt"));

    EXPECT_TRUE(DeleteDirectoryContents(dir.c_str(), true));
    EXPECT_FALSE(Exists(dir + "\\sub"));
    EXPECT_TRUE(Exists(dir));
    EXPECT_TRUE(DeleteDirectoryContents((root + "\\missing").c_str(), true));
}

TEST_F(UninstallScene, ALinkIsRemovedButNeverEntered) {
    const std::string outside = root + "\\outside";
    Write(outside + "\\keep.txt");
    Write(outside + "\\deep\\keep.txt", "x", true);
    const std::string dir = root + "\\d";
    Write(dir + "\\a.txt");
    CreateDirectoryA((dir + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(testfiles::MakeDirectoryLink(FromAnsi(dir + "\\link"), FromAnsi(outside)));
    ASSERT_TRUE(testfiles::MakeDirectoryLink(FromAnsi(dir + "\\sub\\link"), FromAnsi(outside)));

    DeleteDirectoryContents(dir.c_str(), true);
    // The link named as the directory itself is left alone as well.
    EXPECT_TRUE(DeleteDirectoryContents((dir + "\\link").c_str(), true));

    EXPECT_FALSE(Exists(dir + "\\a.txt"));
    EXPECT_TRUE(Exists(outside + "\\keep.txt"));
    EXPECT_TRUE(Exists(outside + "\\deep\\keep.txt"));
    testfiles::RemoveDirectoryLink(FromAnsi(dir + "\\link"));
    testfiles::RemoveDirectoryLink(FromAnsi(dir + "\\sub\\link"));
}

TEST_F(UninstallScene, RegistryTreesGoWholeAndMissingKeysAreNoError) {
    const std::string tree = std::string(kTestKey) + "\\Tree";
    // Subkey names beyond 64 characters exist too.
    const std::string longName(100, 'L');
    const std::string subkeys[] = {"\\A\\A1", "\\A\\A2\\deep", "\\B", "\\" + longName + "\\x"};
    for (const std::string& sub : subkeys) {
        MakeKey(HKEY_CURRENT_USER, tree + sub);
    }
    MakeKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Keep");

    EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, tree.c_str()), 0);
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, tree));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Keep"));
    EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, tree.c_str()), 0);
    // An empty path would name the root itself.
    EXPECT_EQ(DeleteRegistryTree(HKEY_CURRENT_USER, ""), kErrorRegistryKeyDelete);
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software"));
}

TEST(UninstallSafety, TheSystemsDirectoriesOfThisMachineAreProtected) {
    const std::string windows = installkit::WindowsDir();
    const std::string programFiles = installkit::ProgramFilesDir();
    char system[MAX_PATH] = {}, shortName[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    GetShortPathNameA(programFiles.c_str(), shortName, MAX_PATH);
    char profile[MAX_PATH] = {};
    GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH);
    const std::string profiles = std::string(profile).substr(0, std::string(profile).find_last_of('\\'));
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    testfiles::ScratchDir scratch;

    struct Case {
        std::string path;
        bool refused;
    } cases[] = {
        {"C:\\", true},
        {"C:", true},
        {windows, true},
        {windows + "\\", true},
        {system, true},
        {programFiles, true},
        {shortName, true},
        {std::string(programFiles) + "\\Common Files", true},
        {profile, true},
        {profiles, true},
        {profiles + "\\SomeoneElse", true},
        {std::string(profile) + "\\Downloads", true},
        {std::string(profile) + "\\Desktop", true},
        {"Acme", true},
        {temp, true},
        {std::string(programFiles) + "\\MivoAcme", false},
        {windows + "\\MivoAcme", true},
        {ToAnsi(scratch.Path()), false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedDeletionTarget(c.path.c_str()), c.refused) << c.path;
    }
}

TEST(UninstallSafety, AProtectedDirectoryIsKnownUnderEverySpelling) {
    const std::string windows = installkit::WindowsDir();
    const std::string longName = windows + "\\MivoLongFolderNameForShortNames";
    CreateDirectoryA(longName.c_str(), nullptr);
    char shortName[MAX_PATH] = {};
    GetShortPathNameA(longName.c_str(), shortName, MAX_PATH);
    char computer[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof computer;
    ASSERT_TRUE(GetComputerNameA(computer, &size));
    const std::string adminShare = windows.substr(0, 1) + "$" + windows.substr(2);  // "C$\windows"
    struct Case {
        std::string path;
        bool refused;
    } cases[] = {
        {shortName, true},
        {"\\\\?\\" + windows + "\\Temp", true},
        {"\\\\?\\" + std::string(shortName), true},
        {"\\\\localhost\\" + adminShare + "\\inf", true},
        {"\\\\" + std::string(computer) + "\\" + adminShare, true},
        {"\\\\?\\UNC\\localhost\\" + adminShare + "\\system32\\drivers", true},
        {"\\\\localhost\\SomeShare\\Acme", true},
    };
    EXPECT_NE(std::string(shortName), longName);
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedDeletionTarget(c.path.c_str()), c.refused) << c.path;
    }
    // What the install's record says it created may go, also inside.
    EXPECT_FALSE(IsProtectedDeletionTarget(shortName, true));
    EXPECT_TRUE(IsProtectedDeletionTarget(windows.c_str(), true));
    RemoveDirectoryA(longName.c_str());
}

TEST_F(UninstallScene, ALinkAboveTheLastComponentIsNeverFollowed) {
    const std::string outside = root + "\\outside";
    Write(outside + "\\sub\\keep.txt");
    const std::string dir = root + "\\d";
    CreateDirectoryA(dir.c_str(), nullptr);
    ASSERT_TRUE(testfiles::MakeDirectoryLink(FromAnsi(dir + "\\link"), FromAnsi(outside)));
    Write(dir + "\\real\\sub\\gone.txt");

    EXPECT_TRUE(IsProtectedDeletionTarget((dir + "\\link\\sub").c_str()));
    EXPECT_TRUE(IsProtectedDeletionTarget((dir + "\\link\\sub\\deeper").c_str()));
    // The link itself is only removed, never entered (DeleteDirectoryContents).
    EXPECT_FALSE(IsProtectedDeletionTarget((dir + "\\link").c_str()));
    EXPECT_FALSE(IsProtectedDeletionTarget((dir + "\\real\\sub").c_str()));

    // In the flow: message 2 naming the entry, once, and the rest goes on.
    const std::string entry = dir + "\\link\\sub";
    ASSERT_TRUE(Load("RebootDlg=0\r\n[RmDir]\r\nItem1=" + entry + ",1\r\nItem2=" + dir + "\\real\\sub,1\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_TRUE(RunUninstall(answers));
    const std::wstring badSetupFile =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    EXPECT_EQ(Texts(answers.Boxes()),
              (std::vector<std::wstring>{badSetupFile + L"\n" + FromAnsi(entry), MessageText(MSG_UNINSTALL_COMPLETE)}));
    EXPECT_TRUE(Exists(outside + "\\sub\\keep.txt"));
    EXPECT_FALSE(Exists(dir + "\\real\\sub"));
    testfiles::RemoveDirectoryLink(FromAnsi(dir + "\\link"));
}

TEST_F(UninstallScene, OnlyAClassWhoseProgramsAreInTheInstallDirectoryIsDeleted) {
    const std::string own = ".mivoruletest";
    const std::string ownClass = "MivoRuleTest.Document";
    const std::string foreignClass = "MivoRuleTest.Foreign";
    MakeKey(HKEY_CLASSES_ROOT, own);
    MakeKey(HKEY_CLASSES_ROOT, ownClass + "\\shell\\open\\command");
    MakeKey(HKEY_CLASSES_ROOT, foreignClass + "\\shell\\open\\command");
    MakeKey(HKEY_CLASSES_ROOT, ownClass + "\\DefaultIcon");
    auto setDefault = [](const std::string& key, const std::string& value) {
        ASSERT_EQ(RegSetValueA(HKEY_CLASSES_ROOT, key.c_str(), REG_SZ, value.c_str(), 0), ERROR_SUCCESS) << key;
    };
    setDefault(own, ownClass);
    setDefault(ownClass + "\\shell\\open\\command", "\"" + app + "\\Main.exe\" \"%1\"");
    setDefault(ownClass + "\\DefaultIcon", "\"" + app + "\\Main.exe\",0");
    setDefault(foreignClass + "\\shell\\open\\command", "\"" + root + "\\Other.exe\" \"%1\"");

    struct Case {
        std::string item;
        RegistryItemStatus status;
    } cases[] = {
        {"HKEY_CLASSES_ROOT\\" + own, RegistryItemStatus::Ok},
        {"HKEY_CLASSES_ROOT\\" + ownClass, RegistryItemStatus::Ok},
        {"HKEY_CLASSES_ROOT\\" + ownClass + "\\shell", RegistryItemStatus::Ok},
        {"HKEY_CLASSES_ROOT\\" + foreignClass, RegistryItemStatus::Protected},
        {"HKEY_CLASSES_ROOT\\MivoRuleTest.Missing", RegistryItemStatus::Ok},
        {"HKEY_CLASSES_ROOT\\exefile", RegistryItemStatus::Protected},
        {"HKEY_CLASSES_ROOT\\txtfile", RegistryItemStatus::Protected},
        {"HKEY_CLASSES_ROOT\\lnkfile", RegistryItemStatus::Protected},
        {"HKEY_CLASSES_ROOT\\.exe", RegistryItemStatus::Protected},
        {"HKEY_CLASSES_ROOT\\CLSID", RegistryItemStatus::Protected},
    };
    for (const Case& c : cases) {
        RegistryItem item;
        EXPECT_EQ(CheckRegistryItem(c.item.c_str(), item, app.c_str()), c.status) << c.item;
    }
    // An extension that opens with another program's class is that program's.
    setDefault(own, foreignClass);
    RegistryItem item;
    EXPECT_EQ(CheckRegistryItem(("HKEY_CLASSES_ROOT\\" + own).c_str(), item, app.c_str()),
              RegistryItemStatus::Protected);
    setDefault(own, ownClass);

    ASSERT_TRUE(Load("RebootDlg=0\r\n[RegKey]\r\nItem1=HKEY_CLASSES_ROOT\\exefile\r\nItem2=HKEY_CLASSES_ROOT\\" +
                     foreignClass + "\r\nItem3=HKEY_CLASSES_ROOT\\" + own + "\r\nItem4=HKEY_CLASSES_ROOT\\" + ownClass +
                     "\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_TRUE(RunUninstall(answers));
    const std::wstring badSetupFile =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    EXPECT_EQ(Texts(answers.Boxes()),
              (std::vector<std::wstring>{badSetupFile + L"\nHKEY_CLASSES_ROOT\\exefile",
                                         badSetupFile + L"\nHKEY_CLASSES_ROOT\\" + FromAnsi(foreignClass),
                                         MessageText(MSG_UNINSTALL_COMPLETE)}));
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, "exefile"));  // Wine registers it as Windows does
    EXPECT_TRUE(RegKeyExists(HKEY_CLASSES_ROOT, foreignClass));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, own));
    EXPECT_FALSE(RegKeyExists(HKEY_CLASSES_ROOT, ownClass));
    machine::DeleteKeyTree(HKEY_CLASSES_ROOT, FromAnsi(foreignClass));
}

TEST_F(UninstallScene, AShortcutNameThatLeavesItsFolderIsRefusedOnce) {
    const std::string desktop = installkit::SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    const std::string escaped = desktop + "\\..\\MivoEscaped.lnk";
    const std::string own = desktop + "\\MivoOwn.lnk";
    Write(escaped);
    Write(own);
    ASSERT_TRUE(
        Load("RebootDlg=0\r\n[Install]\r\nAllUsers=0\r\n[Desktop]\r\nValue=1\r\n"
             "Item1=..\\MivoEscaped,Main.exe\r\nItem2=MivoOwn,Main.exe\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_TRUE(RunUninstall(answers));
    const std::wstring badSetupFile =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    EXPECT_EQ(Texts(answers.Boxes()), (std::vector<std::wstring>{badSetupFile + L"\n..\\MivoEscaped,Main.exe",
                                                                 MessageText(MSG_UNINSTALL_COMPLETE)}));
    EXPECT_TRUE(Exists(escaped));
    EXPECT_FALSE(Exists(own));
    DeleteFileA(escaped.c_str());
}

TEST_F(UninstallScene, DeletionAtRestartIsRegisteredWithTheSystem) {
    ASSERT_TRUE(ScheduleDeletionAtRestart(ownPath.c_str()));
    EXPECT_TRUE(machine::DeletionPendingFor(FromAnsi(ownPath)));
    EXPECT_TRUE(Exists(ownPath));
    machine::ForgetPendingOperations(FromAnsi(ownPath));
    EXPECT_FALSE(machine::DeletionPendingFor(FromAnsi(ownPath)));
}

TEST_F(UninstallScene, TheWininitRenameSectionKeepsItsLinesAndGetsTheDeletionLast) {
    const std::string ini = root + "\\wininit.ini";
    const std::string exe = "C:\\WINDOWS\\$$UnMivo.exe";
    // Longer than the 16 KiB the section buffer starts with.
    std::string big = "[rename]\r\n";
    std::string bigExpected = "[rename]\r\n";
    for (int i = 0; i < 700; ++i) {
        std::string line = "NUL=C:\\Old\\file" + std::to_string(i) + ".tmp\r\n";
        big += line;
        bigExpected += line;
    }
    struct Case {
        const char* name;
        std::string before;  // empty: no file
        std::string after;
    } cases[] = {
        {"existing lines", "[other]\r\nk=v\r\n[rename]\r\nNUL=C:\\a.exe\r\nC:\\b.dll=C:\\c.dll\r\nNUL=C:\\d.exe\r\n",
         "[other]\r\nk=v\r\n[rename]\r\nNUL=C:\\a.exe\r\nC:\\b.dll=C:\\c.dll\r\nNUL=C:\\d.exe\r\nNUL=" + exe + "\r\n"},
        {"no file", "", "[rename]\r\nNUL=" + exe + "\r\n"},
        {"big section", big, bigExpected + "NUL=" + exe + "\r\n"},
    };
    for (const Case& c : cases) {
        DeleteFileA(ini.c_str());
        if (!c.before.empty()) {
            Write(ini, c.before);
        }
        installkit::ReportRecorder reports;
        EXPECT_TRUE(AppendWininitDeletion(reports, ini.c_str(), exe.c_str())) << c.name;
        WritePrivateProfileStringA(nullptr, nullptr, nullptr, ini.c_str());
        EXPECT_EQ(testfiles::ReadFileBytes(FromAnsi(ini)), c.after) << c.name;
    }
}

TEST(UninstallRestart, ShutdownPrivilegeGetsEnabled) {
    EnableShutdownPrivilege();
    HANDLE token = nullptr;
    ASSERT_TRUE(OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token));
    LUID shutdown;
    ASSERT_TRUE(LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &shutdown));
    PRIVILEGE_SET query = {};
    query.PrivilegeCount = 1;
    query.Privilege[0].Luid = shutdown;
    BOOL enabled = FALSE;
    ASSERT_TRUE(PrivilegeCheck(token, &query, &enabled));
    CloseHandle(token);
    EXPECT_TRUE(enabled);
}

TEST_F(UninstallScene, ListedDirectoriesFilesAndTheInstallDirectoryGoAsAllDeleteSays) {
    const std::string windowsDir = installkit::WindowsDir();
    ASSERT_FALSE(Exists(windowsDir + "\\wininit.ini"));
    struct Case {
        const char* setup;
        bool looseStays, subStays, appStays;
        std::vector<std::wstring> boxes;
    } cases[] = {
        {"RebootDlg=0\r\n",
         true,
         true,
         true,
         {MessageText(MSG_INSTALL_DIR_DELETE_FAILED), MessageText(MSG_UNINSTALL_COMPLETE)}},
        {"AllDelete=1\r\n",
         false,
         true,
         true,
         {MessageText(MSG_INSTALL_DIR_DELETE_FAILED), MessageText(MSG_UNINSTALL_COMPLETE_RESTART)}},
        {"AllDelete=2\r\n", false, false, false, {MessageText(MSG_UNINSTALL_COMPLETE_RESTART)}},
    };
    for (const Case& c : cases) {
        Write(app + "\\loose.txt");
        Write(app + "\\sub\\inner.txt");
        Write(app + "\\data\\a.txt");
        Write(app + "\\data\\ro.txt", "x", true);
        Write(app + "\\data\\keep\\b.txt");
        Write(app + "\\tree\\x\\ro.txt", "x", true);
        Write(app + "\\Main.exe", "x", true);
        Write(app + "\\doc\\HELP.HLP");
        Write(app + "\\doc\\HELP.gid");
        ASSERT_TRUE(Load(std::string(c.setup) +
                         "[RmDir]\r\nItem1=data\r\nItem2=tree,1\r\n"
                         "[Files]\r\nItem1=Main.exe\r\nItem2=doc\\HELP.HLP\r\nItem3=nothing-here.txt\r\n"));
        installkit::ReportRecorder answers;
        EXPECT_TRUE(RunUninstall(answers)) << c.setup;
        EXPECT_EQ(Texts(answers.Boxes()), c.boxes) << c.setup;

        // "RmDir" without recursion keeps sub-directories, with 1 the tree goes.
        EXPECT_FALSE(Exists(app + "\\data\\a.txt")) << c.setup;
        EXPECT_FALSE(Exists(app + "\\data\\ro.txt")) << c.setup;
        EXPECT_EQ(Exists(app + "\\data\\keep\\b.txt"), c.subStays) << c.setup;
        EXPECT_FALSE(Exists(app + "\\tree")) << c.setup;
        EXPECT_FALSE(Exists(app + "\\Main.exe")) << c.setup;
        EXPECT_FALSE(Exists(app + "\\doc\\HELP.HLP")) << c.setup;
        EXPECT_FALSE(Exists(app + "\\doc\\HELP.gid")) << c.setup;
        EXPECT_EQ(Exists(app + "\\loose.txt"), c.looseStays) << c.setup;
        EXPECT_EQ(Exists(app + "\\sub\\inner.txt"), c.subStays) << c.setup;
        EXPECT_EQ(Exists(app), c.appStays) << c.setup;
        EXPECT_FALSE(Exists(setupFile)) << c.setup;
        EXPECT_TRUE(machine::DeletionPendingFor(FromAnsi(ownPath))) << c.setup;
        // The NT family has its own list; "wininit.ini" is for Windows 9x.
        EXPECT_FALSE(Exists(windowsDir + "\\wininit.ini")) << c.setup;
        machine::ForgetPendingOperations(FromAnsi(ownPath));
        CreateDirectoryA(app.c_str(), nullptr);
    }
}

TEST_F(UninstallScene, MalformedRegistryItemsAreReportedWithMessage2AndTheRestGoesOn) {
    const std::wstring badSetupFile =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    for (const char* item : {"HKEY_CURRENT_USER", "HKCU\\Software\\MivoUninstallTest", "HKEY_CURRENT_USER\\"}) {
        MakeKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\First");
        MakeKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Third");
        Write(app + "\\Main.exe");
        ASSERT_TRUE(Load(std::string("RebootDlg=0\r\n[RegKey]\r\nItem1=HKEY_CURRENT_USER\\") + kTestKey +
                         "\\First\r\nItem2=" + item + "\r\nItem3=HKEY_CURRENT_USER\\" + kTestKey +
                         "\\Third\r\n[Files]\r\nItem1=Main.exe\r\n"));
        installkit::ReportRecorder answers;
        // The uninstall entry is gone by now: stopping would leave a product
        // that nothing can remove any more.
        EXPECT_TRUE(RunUninstall(answers)) << item;
        EXPECT_EQ(Texts(answers.Boxes()), (std::vector<std::wstring>{badSetupFile + L"\n" + FromAnsi(item),
                                                                     MessageText(MSG_UNINSTALL_COMPLETE)}))
            << item;
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\First")) << item;
        EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Third")) << item;
        EXPECT_FALSE(Exists(app + "\\Main.exe")) << item;
        machine::ForgetPendingOperations(FromAnsi(ownPath));
        CreateDirectoryA(app.c_str(), nullptr);
    }

    MakeKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Mine");
    DeleteFileA((app + "\\Main.exe").c_str());
    ASSERT_TRUE(Load(std::string("RebootDlg=0\r\n[RegKey]\r\nItem1=HKEY_CURRENT_USER\\Software\r\n"
                                 "Item2=HKEY_CURRENT_USER\\") +
                     kTestKey + "\\Missing\r\nItem3=HKEY_CURRENT_USER\\" + kTestKey + "\\Mine\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_TRUE(RunUninstall(answers));
    EXPECT_EQ(Texts(answers.Boxes()), (std::vector<std::wstring>{badSetupFile + L"\nHKEY_CURRENT_USER\\Software",
                                                                 MessageText(MSG_UNINSTALL_COMPLETE)}));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\Microsoft"));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Mine"));

    // A per-user run passes over the other roots without reading their keys.
    g_installer.runMode = RunMode::PerUser;
    MakeKey(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Mine");
    ASSERT_TRUE(Load(std::string("[RegKey]\r\nItem1=HKEY_LOCAL_MACHINE\\\r\nItem2=HKEY_CURRENT_USER\\") + kTestKey +
                     "\\Mine\r\n"));
    installkit::ReportRecorder perUser;
    EXPECT_TRUE(RunUninstall(perUser));
    EXPECT_EQ(Texts(perUser.Boxes()), std::vector<std::wstring>{MessageText(MSG_PER_USER_REMOVED)});
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Mine"));
}

TEST_F(UninstallScene, AnInstallDirectoryThatIsADriveRootRemovesOnlyTheListedFiles) {
    ASSERT_TRUE(IsProtectedDeletionTarget("C:\\"));
    const std::string listed = "C:\\mivo_uninstall_listed.txt";
    const std::string kept = "C:\\mivo_uninstall_kept.txt";
    Write(listed);
    Write(kept);
    const std::string windows = installkit::WindowsDir();
    ASSERT_TRUE(IsProtectedDeletionTarget(windows.c_str()));
    ASSERT_TRUE(
        Load("Dir=C:\\\r\nAllDelete=2\r\n[RmDir]\r\nItem1=%WINDIR%,1\r\n"
             "[Files]\r\nItem1=mivo_uninstall_listed.txt\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_EQ(ContinueUninstall(answers), 1);
    const std::wstring badSetupFile =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    EXPECT_EQ(Texts(answers.Boxes()), (std::vector<std::wstring>{badSetupFile + L"\n" + FromAnsi(windows),
                                                                 MessageText(MSG_INSTALL_DIR_DELETE_FAILED) + L"\nC:\\",
                                                                 MessageText(MSG_UNINSTALL_COMPLETE_RESTART)}));
    EXPECT_FALSE(Exists(listed));
    EXPECT_TRUE(Exists(kept));
    EXPECT_TRUE(Exists(windows + "\\system32"));
    DeleteFileA(kept.c_str());

    // A "Dir" that says nowhere in particular removes nothing at all; nor does
    // one too long for a path, which cut to fit would name another directory.
    const std::string tooLong = app + "\\" + std::string(300, 'a');
    const std::string dirs[] = {"", "Acme", "\\Acme", "C:Acme", tooLong};
    for (const std::string& dir : dirs) {
        ASSERT_TRUE(Load("Dir=" + dir + "\r\n[Files]\r\nItem1=Main.exe\r\n"));
        installkit::ReportRecorder refusal;
        EXPECT_EQ(ContinueUninstall(refusal), 0) << dir;
        EXPECT_EQ(Texts(refusal.Boxes()),
                  std::vector<std::wstring>{MessageText(MSG_FATAL_ERROR) + L"\n  (ErrorCode : 2001)"})
            << dir;
        EXPECT_TRUE(Exists(setupFile)) << dir;
    }
}

TEST_F(UninstallScene, TheUninstallProgramIsWaitedForAndOneThatCannotStartIsReported) {
    const std::string marker = root + "\\ran.txt";
    ASSERT_TRUE(testfiles::CopyTo(testfiles::BinDir() + L"mivo_uninstall_probe.exe", FromAnsi(app + "\\probe.exe")));
    ASSERT_TRUE(Load("Program=probe.exe," + marker + " " + app + "\\probe.exe\r\n"));
    installkit::ReportRecorder quiet;
    EXPECT_TRUE(RunUninstallProgram(quiet));
    EXPECT_TRUE(quiet.Boxes().empty());
    // The probe writes its report only after a pause: it is there at once
    // because the call waited for the probe to end.
    EXPECT_EQ(testfiles::ReadFileBytes(FromAnsi(marker)).substr(0, 14), std::string("p\0r\0e\0s\0e\0n\0t\0", 14));

    ASSERT_TRUE(Load("Program=nosuch.exe,/s\r\n"));
    installkit::ReportRecorder answers;
    EXPECT_FALSE(RunUninstallProgram(answers));
    EXPECT_EQ(Texts(answers.Boxes()), std::vector<std::wstring>{L"nosuch.exe の起動に失敗しました。"});
}

TEST_F(UninstallScene, TheStartChecksEveryEntryBeforeTheUninstallEntryGoes) {
    const std::string entry = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MivoCheckedEntry";
    MakeKey(HKEY_LOCAL_MACHINE, entry);
    Write(app + "\\Main.exe");
    const std::string tooLong = std::string(250, 'x');  // too long below the install directory
    ASSERT_TRUE(
        Load("Key=MivoCheckedEntry\r\n[Group]\r\nValue=0\r\nItem1=,Main.exe\r\nItem2=Fine,Main.exe\r\n"
             "[RmDir]\r\nItem1=%MIVO_NO_SUCH_VARIABLE%\\data\r\n[RegKey]\r\nItem1=HKEY_CURRENT_USER\r\n"
             "[Files]\r\nItem1=Main.exe\r\nItem2=" +
             tooLong + "\r\n"));
    std::strcpy(g_installer.installDir, app.c_str());
    const std::wstring bad =
        FromAnsi(ToAnsi(L"セットアップ情報ファイル（") + setupFile + ToAnsi(L"）の内容が不正です。"));
    installkit::ReportRecorder answers(gui::YesTo({MessageText(MSG_CONFIRM_UNINSTALL)}));
    EXPECT_EQ(StartUninstall(answers), 0);
    // Each one named, no question asked, nothing removed.
    EXPECT_EQ(Texts(answers.Boxes()),
              (std::vector<std::wstring>{bad + L"\n%MIVO_NO_SUCH_VARIABLE%\\data", bad + L"\nHKEY_CURRENT_USER",
                                         bad + L"\n" + FromAnsi(tooLong), bad + L"\n,Main.exe"}));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, entry));
    EXPECT_TRUE(Exists(app + "\\Main.exe"));
    EXPECT_TRUE(Exists(setupFile));
    machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, FromAnsi(entry));

    // The continuation reports the same entries and removes the rest.
    installkit::ReportRecorder removal;
    EXPECT_TRUE(RunUninstall(removal));
    EXPECT_EQ(Texts(removal.Boxes()).size(), 4u);  // three entries and the restart question
    EXPECT_FALSE(Exists(app + "\\Main.exe"));
}
