// The install flow's pieces in process, where the entry and the dialogs are
// not needed: the uninstall entry's values, the shortcut lists, the Startup
// clean-up, the hand-over to the uninstaller copy and the "/d" clean-up.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "InstallTestKit.h"
#include "ReportRecorder.h"
#include "engine/FileInUse_win.h"
#include "engine/InstallFlow_win.h"
#include "engine/InstallRecord_win.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallEntry_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "support/Machine.h"
#include "ui/Messages.h"

namespace {

using gui::MessageBoxContent;
using installkit::Exists;
using installkit::ReadIni;
using installkit::RegValues;
using testfiles::FromAnsi;
using testfiles::ToAnsi;

const char kEntryRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

class InstallFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_setupInfo = SetupInfo();
        g_installer = InstallerState();
        g_installer.instance = GetModuleHandleA(nullptr);
        SetMessageModule(g_installer.instance);
        // Blanks in both directories: the uninstall command must be quoted.
        dist_ = ToAnsi(scratch_.Path()) + "\\dist dir";
        target_ = ToAnsi(scratch_.Path()) + "\\Acme App";
        CreateDirectoryA(dist_.c_str(), nullptr);
        setupFile_ = dist_ + "\\Setup.inf";
        ownPath_ = dist_ + "\\Setup.exe";
        stateFile_ = installkit::TempDir() + "$$Mivo.ini";
        // A directory of another product's that a setup file names.
        SetEnvironmentVariableA("MIVO_RECORD_KEPT", (ToAnsi(scratch_.Path()) + "\\kept").c_str());
        testfiles::DeleteFileForce(FromAnsi(stateFile_));
        leftovers_.File(stateFile_);
    }

    // The distribution as the entry finds it: Setup.inf (`inf`), Setup.exe
    // and Tool.exe; then the install keys are loaded, and a copying install
    // goes to target_ as if the options dialog had chosen it.
    void Prepare(const std::string& inf, RunMode mode = RunMode::Admin) {
        ASSERT_TRUE(installkit::WriteText(setupFile_, inf));
        ASSERT_TRUE(installkit::WriteText(ownPath_, "MZ"));
        ASSERT_TRUE(installkit::WriteText(dist_ + "\\Tool.exe", "MZ"));
        std::strcpy(g_installer.ownPath, ownPath_.c_str());
        std::strcpy(g_installer.ownDir, (dist_ + "\\").c_str());
        std::strcpy(g_installer.ownFileName, "Setup.exe");
        std::strcpy(g_installer.setupFilePath, setupFile_.c_str());
        std::strcpy(g_installer.setupFileName, "Setup.inf");
        std::strcpy(g_installer.installDir, dist_.c_str());
        g_installer.runMode = mode;
        installkit::ReportRecorder load;
        ASSERT_EQ(LoadSetupInfo(load, SetupLoadMode::Install), 1);
        if (g_setupInfo.transferMode != TransferMode::InPlace) {
            std::strcpy(g_installer.installDir, target_.c_str());
        }
    }

    bool Install(std::vector<MessageBoxContent>& boxes) {
        installkit::ReportRecorder answer;
        bool result = RunInstall(answer);
        boxes = answer.Boxes();
        return result;
    }

    // Removes the product installed into target_ the way the "/k" copy does:
    // from a copy of its installed setup file, the restart question off.
    std::vector<std::wstring> UninstallInstalled() {
        const std::string work = ToAnsi(scratch_.Path()) + "\\$$UnMivo.inf";
        const std::string program = ToAnsi(scratch_.Path()) + "\\$$UnMivo.exe";
        EXPECT_TRUE(CopyFileA((target_ + "\\Setup.inf").c_str(), work.c_str(), FALSE));
        EXPECT_TRUE(installkit::WriteText(program, "MZ"));
        g_setupInfo = SetupInfo();
        std::strcpy(g_installer.setupFilePath, work.c_str());
        std::strcpy(g_installer.ownPath, program.c_str());
        std::strcpy(g_installer.installDir, target_.c_str());
        installkit::ReportRecorder answers;
        EXPECT_EQ(LoadSetupInfo(answers, SetupLoadMode::Uninstall), 1);
        EXPECT_TRUE(RunUninstall(answers));
        machine::ForgetPendingOperations(FromAnsi(program));
        return gui::Texts(answers.Boxes());
    }

    std::wstring InvalidSetupFileText(const std::string& path) {
        return L"セットアップ情報ファイル（" + FromAnsi(path) + L"）の内容が不正です。";
    }

    testfiles::ScratchDir scratch_;
    installkit::InstallLeftovers leftovers_;
    std::string dist_, target_, setupFile_, ownPath_, stateFile_;
};

// The values of an uninstall entry, by name (the registry lists them sorted).
RegValues EntryValues(const std::string& key) {
    RegValues values = installkit::ReadRegValues(HKEY_LOCAL_MACHINE, key.c_str());
    std::sort(values.begin(), values.end());
    return values;
}

RegValues Sorted(RegValues values) {
    std::sort(values.begin(), values.end());
    return values;
}

// `values` and what every entry holds beside them: the uninstall commands of
// `uninstaller`, the install directory `location`, today's date, the size,
// and "NoModify" unless the entry offers "ModifyPath".
RegValues WithStandardValues(RegValues values,
                             const std::string& uninstaller,
                             const std::string& location,
                             bool noModify,
                             const std::string& size = "dword:0") {
    const std::string command = "\"" + uninstaller + "\" /r";
    RegValues standard = {{"UninstallString", command},  {"QuietUninstallString", command + " /S"},
                          {"InstallLocation", location}, {"InstallDate", installkit::Today()},
                          {"EstimatedSize", size},       {"NoRepair", "dword:1"}};
    if (noModify) {
        standard.emplace_back("NoModify", "dword:1");
    }
    values.insert(values.end(), standard.begin(), standard.end());
    return values;
}

TEST_F(InstallFlowTest, UninstallEntryHoldsEveryGivenValue) {
    const std::string icon = installkit::WindowsDir() + "\\Acme.ico";
    const std::string installed = target_ + "\\Setup.exe";
    struct Case {
        const char* name;
        std::string inf;
        RegValues expected;
    } cases[] = {
        {"every value, copying install",
         "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\nIsFileDelAfterMivo=0\r\n"
         "[Uninstall]\r\nKey=MivoFlowEntry\r\nName=Acme App\r\nModify=1\r\nIconFile=%WINDIR%\\Acme.ico\r\n"
         "IconIndex=2\r\nPublisher=Acme Inc\r\nURLInfoAbout=http://acme.example/\r\nDisplayVersion=1.2\r\n"
         "HelpLink=http://acme.example/help\r\nURLUpdateInfo=http://acme.example/up\r\n",
         WithStandardValues({{"DisplayName", "Acme App"},
                             {"ModifyPath", "\"" + installed + "\""},
                             {"DisplayIcon", icon + ",2"},
                             {"Publisher", "Acme Inc"},
                             {"URLInfoAbout", "http://acme.example/"},
                             {"DisplayVersion", "1.2"},
                             {"VersionMajor", "dword:1"},
                             {"VersionMinor", "dword:2"},
                             {"HelpLink", "http://acme.example/help"},
                             {"URLUpdateInfo", "http://acme.example/up"}},
                            installed, target_, false)},
        {"in place: the installer itself; no ModifyPath once prohibited",
         "[Install]\r\nTitle=T\r\nInstallProhibited=2\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nModify=1\r\n",
         WithStandardValues({{"DisplayName", ""}}, ownPath_, dist_, true)},
        // Never an empty value: Windows would show a dead link.
        {"publisher without URL",
         "[Install]\r\nTitle=T\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nName=N\r\nPublisher=P\r\n",
         WithStandardValues({{"DisplayName", "N"}, {"Publisher", "P"}}, ownPath_, dist_, true)},
        {"URL without publisher",
         "[Install]\r\nTitle=T\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nName=N\r\nURLInfoAbout=http://a/\r\n",
         WithStandardValues({{"DisplayName", "N"}, {"URLInfoAbout", "http://a/"}}, ownPath_, dist_, true)},
        // A help page of the product is linked where it was installed; a
        // version that is no number gives no version numbers.
        {"help page, version text",
         "[Install]\r\nTitle=T\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nName=N\r\nHelpLink=Setup.inf\r\n"
         "DisplayVersion=beta\r\n",
         WithStandardValues({{"DisplayName", "N"}, {"DisplayVersion", "beta"}, {"HelpLink", setupFile_}}, ownPath_,
                            dist_, true)},
        {"help link that names no installed file stays as written",
         "[Install]\r\nTitle=T\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nName=N\r\nHelpLink=www.acme.example\r\n",
         WithStandardValues({{"DisplayName", "N"}, {"HelpLink", "www.acme.example"}}, ownPath_, dist_, true)},
    };
    const std::string key = std::string(kEntryRoot) + "MivoFlowEntry";
    leftovers_.Key(HKEY_LOCAL_MACHINE, key);
    leftovers_.Directory(target_);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, FromAnsi(key));
        Prepare(c.inf);
        std::vector<MessageBoxContent> boxes;
        EXPECT_TRUE(Install(boxes));
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, L"インストールが完了しました。");
        EXPECT_EQ(EntryValues(key), Sorted(c.expected));
    }
}

TEST_F(InstallFlowTest, NoUninstallEntryForAPerUserRunAndABadIconStopsTheEntry) {
    const std::string key = std::string(kEntryRoot) + "MivoFlowEntry";
    leftovers_.Key(HKEY_LOCAL_MACHINE, key);
    machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, FromAnsi(key));
    const std::string inf =
        "[Install]\r\nTitle=T\r\n[Uninstall]\r\nKey=MivoFlowEntry\r\nName=N\r\n"
        "IconFile=%MIVO_NO_SUCH_VARIABLE%\\a.ico\r\nPublisher=P\r\n";
    std::vector<MessageBoxContent> boxes;

    Prepare(inf, RunMode::PerUser);
    EXPECT_TRUE(Install(boxes));
    EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, key));

    Prepare(inf, RunMode::Admin);
    EXPECT_FALSE(Install(boxes));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, L"Error !");
    EXPECT_EQ(boxes[0].text, InvalidSetupFileText(setupFile_));
    RegValues partial = {{"DisplayName", "N"},
                         {"UninstallString", "\"" + ownPath_ + "\" /r"},
                         {"QuietUninstallString", "\"" + ownPath_ + "\" /r /S"},
                         {"InstallLocation", dist_}};
    EXPECT_EQ(EntryValues(key), Sorted(partial));
}

TEST_F(InstallFlowTest, ShortcutListsLeaveOutWhatTheRunCannotUse) {
    const std::string group = installkit::SpecialFolder(CSIDL_PROGRAMS) + "\\Mivo Flow Group";
    leftovers_.Directory(group);
    const std::string icon = installkit::WindowsDir() + "\\Acme.ico";
    const std::string tool = dist_ + "\\Tool.exe";
    const std::string self = dist_ + "\\Setup.exe";
    const std::string selfAsWritten = dist_ + "\\SETUP.EXE";
    const std::string inf =
        "[Install]\r\nTitle=T\r\n[Group]\r\nValue=1\r\nGroupName=Mivo Flow Group\r\n"
        "Item1=Tool,Tool.exe,-a b\r\nItem2=Icon,Tool.exe,,%WINDIR%\\Acme.ico,3\r\n"
        "Item3=From Target,Tool.exe,,,2\r\nItem4=No Index,Tool.exe,,%WINDIR%\\Acme.ico\r\n"
        "Item5=Uninstall,SETUP.EXE,/R\r\nItem6=Remove,Setup.exe,/u\r\n";
    struct Link {
        const char* name;
        std::string target, arguments, workingDirectory, iconPath;
        int iconIndex;
    } links[] = {
        {"Tool", tool, "-a b", dist_, "", 0},
        {"Icon", tool, "", dist_, icon, 3},
        {"From Target", tool, "", dist_, tool, 2},
        {"No Index", tool, "", dist_, "", 0},
        // The installer's own shortcuts start without a working directory.
        {"Uninstall", selfAsWritten, "/R", "", "", 0},
        {"Remove", self, "/u", "", "", 0},
    };
    struct Run {
        RunMode mode;
        const char* missing;  // the one shortcut this run leaves out
    } runs[] = {{RunMode::Admin, nullptr}, {RunMode::PerUser, "Uninstall"}, {RunMode::Win9x, "Remove"}};
    for (const Run& run : runs) {
        SCOPED_TRACE(static_cast<int>(run.mode));
        testfiles::RemoveTreeWaiting(FromAnsi(group));
        Prepare(inf, run.mode);
        std::vector<MessageBoxContent> boxes;
        ASSERT_TRUE(Install(boxes));
        for (const Link& link : links) {
            SCOPED_TRACE(link.name);
            std::string file = group + "\\" + link.name + ".lnk";
            if (run.missing != nullptr && std::strcmp(run.missing, link.name) == 0) {
                EXPECT_FALSE(Exists(file));
                continue;
            }
            EXPECT_EQ(installkit::ReadLink(file), installkit::LinkTo(link.target, link.arguments, link.workingDirectory,
                                                                     link.name, link.iconPath, link.iconIndex));
        }
    }
}

TEST_F(InstallFlowTest, StartupShortcutMovesBetweenTheTwoStartupFolders) {
    const std::string mine = installkit::SpecialFolder(CSIDL_STARTUP) + "\\Mivo Flow Start.lnk";
    const std::string common = installkit::SpecialFolder(CSIDL_COMMON_STARTUP) + "\\Mivo Flow Start.lnk";
    const std::string desktop = installkit::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Mivo Flow Start.lnk";
    const std::string commonDesktop =
        installkit::SpecialFolder(CSIDL_COMMON_DESKTOPDIRECTORY) + "\\Mivo Flow Start.lnk";
    for (const std::string* file : {&mine, &common, &desktop, &commonDesktop}) {
        leftovers_.File(*file);
    }
    struct Case {
        const char* allUsers;  // the "AllUsers" line, empty: not offered
        bool mineAfter, commonAfter;
        const std::string* desktopFile;
    } cases[] = {
        {"AllUsers=1\r\n", false, true, &commonDesktop},
        {"AllUsers=0\r\n", true, false, &desktop},
        {"", true, true, &desktop},  // not offered: the other folder is left alone
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.allUsers);
        for (const std::string* file : {&mine, &common, &desktop, &commonDesktop}) {
            testfiles::DeleteFileForce(FromAnsi(*file));
        }
        // A same-named shortcut in both folders from an earlier install.
        ASSERT_TRUE(installkit::WriteText(mine, "old"));
        ASSERT_TRUE(installkit::WriteText(common, "old"));
        Prepare(std::string("[Install]\r\nTitle=T\r\n") + c.allUsers +
                "[Startup]\r\nValue=1\r\nItem1=Mivo Flow Start,Tool.exe\r\n"
                "[Desktop]\r\nValue=1\r\nItem1=Mivo Flow Start,Tool.exe\r\n");
        std::vector<MessageBoxContent> boxes;
        ASSERT_TRUE(Install(boxes));
        EXPECT_EQ(Exists(mine), c.mineAfter);
        EXPECT_EQ(Exists(common), c.commonAfter);
        // The chosen one is a fresh shortcut, not the old file.
        const std::string& chosen = c.commonAfter && !c.mineAfter ? common : mine;
        EXPECT_TRUE(installkit::ReadLink(chosen).loaded);
        EXPECT_TRUE(installkit::ReadLink(*c.desktopFile).loaded);
    }
}

TEST_F(InstallFlowTest, LaunchUninstallerCopyHandsOverToTheCopyWithK) {
    const std::string windows = installkit::WindowsDir();
    const std::string workProgram = windows + "\\$$UnMivo.exe";
    const std::string workSetup = windows + "\\$$UnMivo.inf";
    leftovers_.File(workProgram);
    leftovers_.File(workSetup);
    leftovers_.File(workProgram + ".args");
    const std::string key = std::string(kEntryRoot) + "MivoFlowLaunch";
    leftovers_.Key(HKEY_LOCAL_MACHINE, key);
    HKEY created = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &created, nullptr),
        ERROR_SUCCESS);
    RegCloseKey(created);

    Prepare("[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\nKey=MivoFlowLaunch\r\n");
    ASSERT_TRUE(testfiles::CopyTo(testfiles::BinDir() + L"mivo_args_stub.exe", FromAnsi(ownPath_)));
    installkit::ReportRecorder answer;
    EXPECT_TRUE(LaunchUninstallerCopy(answer));
    EXPECT_TRUE(answer.Boxes().empty());

    EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, key));
    EXPECT_EQ(ReadIni(setupFile_, "Uninstall", "Dir"), dist_);
    EXPECT_EQ(ReadIni(workSetup, "Uninstall", "Dir"), dist_);
    EXPECT_EQ(ReadIni(workSetup, "Uninstall", "Title"), "U");
    EXPECT_TRUE(gui::WaitUntil([&] { return installkit::ReadText(workProgram + ".args") == "/k"; }));
}

TEST_F(InstallFlowTest, AnInstallInADriveRootHandsOverItsRootWithTheBackslash) {
    const std::string windows = installkit::WindowsDir();
    const std::string workProgram = windows + "\\$$UnMivo.exe";
    const std::string workSetup = windows + "\\$$UnMivo.inf";
    leftovers_.File(workProgram);
    leftovers_.File(workSetup);
    leftovers_.File(workProgram + ".args");
    Prepare("[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\n");
    ASSERT_TRUE(testfiles::CopyTo(testfiles::BinDir() + L"mivo_args_stub.exe", FromAnsi(ownPath_)));
    // "E:\Setup.exe" run in place: its own directory without the backslash.
    std::strcpy(g_installer.installDir, "C:");
    installkit::ReportRecorder answer;
    EXPECT_TRUE(LaunchUninstallerCopy(answer));
    EXPECT_TRUE(answer.Boxes().empty());
    // "C:" alone would be the current directory of drive C, which the
    // continuation rightly refuses.
    EXPECT_EQ(ReadIni(workSetup, "Uninstall", "Dir"), "C:\\");
    EXPECT_TRUE(gui::WaitUntil([&] { return installkit::ReadText(workProgram + ".args") == "/k"; }));
}

TEST_F(InstallFlowTest, LaunchUninstallerCopyReportsWhatStopsIt) {
    const std::string windows = installkit::WindowsDir();
    leftovers_.File(windows + "\\$$UnMivo.exe");
    leftovers_.File(windows + "\\$$UnMivo.inf");
    std::vector<MessageBoxContent> boxes;

    // The setup file cannot take "Dir": its path names a directory (a
    // read-only file would not do, Wine here runs as root).
    Prepare("[Install]\r\nTitle=T\r\n");
    std::strcpy(g_installer.setupFilePath, dist_.c_str());
    {
        installkit::ReportRecorder answer;
        EXPECT_FALSE(LaunchUninstallerCopy(answer));
        boxes = answer.Boxes();
    }
    std::strcpy(g_installer.setupFilePath, setupFile_.c_str());
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, FromAnsi(dist_) + L" への書き込みに失敗しました。\n  (ErrorCode : 2202)");

    // The copy is no program: message 17 with the shell's code.
    {
        installkit::ReportRecorder answer;
        EXPECT_FALSE(LaunchUninstallerCopy(answer));
        boxes = answer.Boxes();
    }
    ASSERT_EQ(boxes.size(), 1u);
    const std::wstring prefix =
        L"アンインストーラの起動に失敗しました。\n"
        L"申し訳ありませんが，手動でアンインストールを実行して下さい。\n  (ErrorCode : ";
    ASSERT_EQ(boxes[0].text.compare(0, prefix.size(), prefix), 0) << ToAnsi(boxes[0].text);
    int code = _wtoi(boxes[0].text.c_str() + prefix.size());
    EXPECT_GT(code, 0);
    EXPECT_LE(code, 32);
}

const char kRecordedProduct[] =
    "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\nIsFileDelAfterMivo=0\r\n"
    "[Uninstall]\r\nTitle=U\r\nRebootDlg=0\r\nAllDelete=2\r\n[RmDir]\r\nItem1=data,1\r\nItem2=%MIVO_RECORD_KEPT%,1\r\n"
    "[Files]\r\nItem1=Setup.inf\r\nItem2=Tool.exe\r\nItem3=sub\\deep\\Tool.exe\r\n"
    "Item4=%SYSTEMDIR%\\mivo_record_shared.dll,0\r\nItem5=%WINDIR%\\mivo_record_new.ini,0\r\n";

TEST_F(InstallFlowTest, TheUninstallRemovesWhatTheInstallWroteAndNothingItFoundThere) {
    char system[MAX_PATH] = {};
    GetSystemDirectoryA(system, MAX_PATH);
    const std::string shared = std::string(system) + "\\mivo_record_shared.dll";
    const std::string fresh = installkit::WindowsDir() + "\\mivo_record_new.ini";
    const std::string kept = ToAnsi(scratch_.Path()) + "\\kept";
    leftovers_.File(shared);
    leftovers_.File(fresh);
    leftovers_.Directory(kept);
    leftovers_.Directory(target_);
    testfiles::RemoveTreeWaiting(FromAnsi(target_));
    ASSERT_TRUE(installkit::WriteText(shared, "the system's own"));
    DeleteFileA(fresh.c_str());
    ASSERT_TRUE(installkit::WriteText(kept + "\\other.txt", "another product's"));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_shared.dll", "ours"));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_new.ini", "ours"));
    Prepare(kRecordedProduct);
    std::vector<MessageBoxContent> boxes;
    ASSERT_TRUE(Install(boxes));
    ASSERT_EQ(installkit::ReadText(shared), "the system's own");
    ASSERT_EQ(installkit::ReadText(fresh), "ours");
    EXPECT_EQ(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "DirHeldFiles"), "0");
    // Made while the product was used: the data tree lies in the install
    // directory the install created.
    ASSERT_TRUE(installkit::WriteText(target_ + "\\data\\cache\\a.bin", "state"));

    EXPECT_EQ(UninstallInstalled(), std::vector<std::wstring>{installkit::MessageText(MSG_UNINSTALL_COMPLETE)});
    // Skipped at install because it was there: the system's file stays.
    EXPECT_EQ(installkit::ReadText(shared), "the system's own");
    EXPECT_FALSE(Exists(fresh));
    // Not made by the install: emptied never, removed only were it empty.
    EXPECT_TRUE(Exists(kept + "\\other.txt"));
    EXPECT_FALSE(Exists(target_));
    for (const std::wstring& name : testfiles::FilesIn(FromAnsi(target_), L"*")) {
        ADD_FAILURE() << ToAnsi(name);
    }
}

TEST_F(InstallFlowTest, AFolderThatHeldTheUsersFilesKeepsThemWhateverAllDeleteSays) {
    leftovers_.Directory(target_);
    testfiles::RemoveTreeWaiting(FromAnsi(target_));
    ASSERT_TRUE(installkit::WriteText(target_ + "\\letter.txt", "mine"));
    ASSERT_TRUE(installkit::WriteText(target_ + "\\photos\\1.jpg", "mine"));
    ASSERT_TRUE(installkit::WriteText(target_ + "\\Tool.exe", "my older tool"));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_shared.dll", "ours"));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_new.ini", "ours"));
    Prepare(kRecordedProduct);
    std::vector<MessageBoxContent> boxes;
    ASSERT_TRUE(Install(boxes));
    EXPECT_EQ(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "DirHeldFiles"), "1");
    ASSERT_TRUE(installkit::WriteText(target_ + "\\sub\\deep\\made.log", "state"));

    // No message 11 for a folder left on purpose.
    EXPECT_EQ(UninstallInstalled(), std::vector<std::wstring>{installkit::MessageText(MSG_UNINSTALL_COMPLETE)});
    EXPECT_EQ(installkit::ReadText(target_ + "\\letter.txt"), "mine");
    EXPECT_EQ(installkit::ReadText(target_ + "\\photos\\1.jpg"), "mine");
    // Overwritten by the install, so the install's own.
    EXPECT_FALSE(Exists(target_ + "\\Tool.exe"));
    EXPECT_FALSE(Exists(target_ + "\\Setup.inf"));
    // The directories the install created go with everything in them.
    EXPECT_FALSE(Exists(target_ + "\\sub"));
}

TEST_F(InstallFlowTest, AnInstallOverItsOwnEarlierInstallMergesTheRecord) {
    leftovers_.Directory(target_);
    testfiles::RemoveTreeWaiting(FromAnsi(target_));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_shared.dll", "ours"));
    ASSERT_TRUE(installkit::WriteText(dist_ + "\\mivo_record_new.ini", "ours"));
    Prepare(kRecordedProduct);
    std::vector<MessageBoxContent> boxes;
    ASSERT_TRUE(Install(boxes));
    EXPECT_FALSE(InstallDirHoldsOthersFiles(target_.c_str()));
    ASSERT_TRUE(installkit::WriteText(target_ + "\\user.txt", "mine"));
    EXPECT_FALSE(InstallDirHoldsOthersFiles(target_.c_str()));
    // Again: every file exists now, and the directory held files.
    Prepare(kRecordedProduct);
    ASSERT_TRUE(Install(boxes));
    EXPECT_EQ(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "DirHeldFiles"), "0");
    EXPECT_NE(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "File5"), "?");
    EXPECT_EQ(UninstallInstalled(), std::vector<std::wstring>{installkit::MessageText(MSG_UNINSTALL_COMPLETE)});
    EXPECT_FALSE(Exists(target_));
    EXPECT_TRUE(InstallDirHoldsOthersFiles(dist_.c_str()));
}

TEST_F(InstallFlowTest, AFailedCopyOfAMovingInstallLeavesTheDistributionWhole) {
    leftovers_.Directory(target_);
    const std::string inf =
        "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\n"
        "[Files]\r\nItem1=Setup.inf\r\nItem2=Tool.exe\r\nItem3=absent.txt\r\n";
    Prepare(inf);
    std::vector<MessageBoxContent> boxes;
    EXPECT_FALSE(Install(boxes));
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, L"ファイルのコピーに失敗しました。\n" + FromAnsi(dist_ + "\\absent.txt") + L"\n" +
                                 installkit::MessageText(MSG_NOTHING_CHANGED));
    EXPECT_TRUE(Exists(dist_ + "\\Tool.exe"));
    EXPECT_EQ(installkit::ReadText(setupFile_), inf);
    // What was written so far is gone again, the directory made for it too.
    EXPECT_FALSE(Exists(target_));

    ASSERT_TRUE(installkit::WriteText(dist_ + "\\absent.txt", "now here"));
    Prepare(inf);
    EXPECT_TRUE(Install(boxes));
    EXPECT_FALSE(Exists(dist_ + "\\Tool.exe"));
    EXPECT_FALSE(Exists(setupFile_));
    EXPECT_EQ(installkit::ReadText(target_ + "\\absent.txt"), "now here");
}

TEST_F(InstallFlowTest, CleanUpAfterMoveDeletesOnlyWhatTheElevatedInstallNamedAndOnlyOnce) {
    const char kCleanUpKey[] = "SOFTWARE\\Mivo";
    leftovers_.Key(HKEY_LOCAL_MACHINE, kCleanUpKey);
    const std::string setup = dist_ + "\\Setup.exe";
    const std::string victim = dist_ + "\\victim.txt";
    auto record = [&](const std::string& file, const char* token) {
        ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, FromAnsi(kCleanUpKey)));
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCleanUpKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
        RegSetValueExA(key, "CleanUpFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(file.c_str()),
                       static_cast<DWORD>(file.size() + 1));
        RegSetValueExA(key, "CleanUpToken", 0, REG_SZ, reinterpret_cast<const BYTE*>(token),
                       static_cast<DWORD>(std::strlen(token) + 1));
        RegCloseKey(key);
    };
    ASSERT_TRUE(installkit::WriteText(setup, "MZ"));
    ASSERT_TRUE(installkit::WriteText(victim, "precious"));

    // The state file of earlier Mivos, written by anyone: it names nothing now.
    ASSERT_TRUE(installkit::WriteText(stateFile_, "[Install]\r\nDelFile=" + victim + "\r\n"));
    CleanUpAfterMove("");
    EXPECT_TRUE(Exists(victim));

    // Another token: a record left over, or a run the install did not start.
    record(setup, "0123456789abcdef");
    CleanUpAfterMove("fedcba9876543210");
    EXPECT_TRUE(Exists(setup));

    CleanUpAfterMove("0123456789abcdef");
    EXPECT_FALSE(Exists(setup));
    EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, kCleanUpKey));
    // Once: the same token again finds nothing.
    ASSERT_TRUE(installkit::WriteText(setup, "MZ"));
    CleanUpAfterMove("0123456789abcdef");
    EXPECT_TRUE(Exists(setup));
    EXPECT_TRUE(Exists(victim));
}

TEST_F(InstallFlowTest, TheUnattendedUninstallsCleanUpDeletesOnlyUnderItsTokenAndOnlyOnce) {
    const char kCleanUpKey[] = "SOFTWARE\\Mivo";
    leftovers_.Key(HKEY_LOCAL_MACHINE, kCleanUpKey);
    const std::string setup = dist_ + "\\Setup.exe";
    ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, FromAnsi(kCleanUpKey)));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCleanUpKey, 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    const char token[] = "00c0ffee00c0ffee";
    RegSetValueExA(key, "UninstallCleanUpFile", 0, REG_SZ, reinterpret_cast<const BYTE*>(setup.c_str()),
                   static_cast<DWORD>(setup.size() + 1));
    RegSetValueExA(key, "UninstallCleanUpToken", 0, REG_SZ, reinterpret_cast<const BYTE*>(token), sizeof token);
    RegCloseKey(key);
    ASSERT_TRUE(installkit::WriteText(setup, "MZ"));

    installkit::ReportRecorder log;
    FinishUnattendedUninstall(log, "");
    FinishUnattendedUninstall(log, "ffffffffffffffff");
    EXPECT_TRUE(Exists(setup));

    FinishUnattendedUninstall(log, token);
    EXPECT_FALSE(Exists(setup));
    EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, kCleanUpKey));
    ASSERT_TRUE(installkit::WriteText(setup, "MZ"));
    FinishUnattendedUninstall(log, token);
    EXPECT_TRUE(Exists(setup));
}

TEST_F(InstallFlowTest, AMovingInstallNamesItsSetupProgramForTheCleanUpOnly) {
    const char kCleanUpKey[] = "SOFTWARE\\Mivo";
    leftovers_.Key(HKEY_LOCAL_MACHINE, kCleanUpKey);
    leftovers_.Directory(target_);
    Prepare("[Install]\r\nTitle=T\r\nInstallDir=Acme\r\n[Files]\r\nItem1=Tool.exe\r\n");
    std::vector<MessageBoxContent> boxes;
    ASSERT_TRUE(Install(boxes));
    char file[MAX_PATH] = {};
    DWORD size = sizeof file;
    ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, kCleanUpKey, "CleanUpFile", RRF_RT_REG_SZ, nullptr, file, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::string(file), ownPath_);
    EXPECT_FALSE(Exists(stateFile_));
}

TEST_F(InstallFlowTest, AClassKeyThatWasThereBeforeTheInstallStays) {
    leftovers_.Key(HKEY_CLASSES_ROOT, ".mivorecordtest");
    leftovers_.Directory(target_);
    ASSERT_TRUE(machine::MakeKey(HKEY_CLASSES_ROOT, L".mivorecordtest\\OpenWithProgids"));
    Prepare(
        "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\nIsFileDelAfterMivo=0\r\n[Uninstall]\r\nTitle=U\r\n"
        "RebootDlg=0\r\n[RegKey]\r\nItem1=HKEY_CLASSES_ROOT\\.mivorecordtest\r\n"
        "[Files]\r\nItem1=Setup.inf\r\n");
    std::vector<MessageBoxContent> boxes;
    ASSERT_TRUE(Install(boxes));
    EXPECT_EQ(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "KeyExisted1"), "HKEY_CLASSES_ROOT\\.mivorecordtest");
    std::vector<std::wstring> texts = UninstallInstalled();
    EXPECT_TRUE(installkit::RegKeyExists(HKEY_CLASSES_ROOT, ".mivorecordtest\\OpenWithProgids"));
    ASSERT_FALSE(texts.empty());
    EXPECT_NE(texts[0].find(L"\nHKEY_CLASSES_ROOT\\.mivorecordtest"), std::wstring::npos);
}

TEST_F(InstallFlowTest, AnInstallInPlaceFromADrivesRootContinuesItsUninstallInThatRoot) {
    const std::string windows = installkit::WindowsDir();
    leftovers_.File(windows + "\\$$UnMivo.exe");
    leftovers_.File(windows + "\\$$UnMivo.inf");
    Prepare("[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\n");
    // "E:\Setup.exe" runs in "E:" (its directory without the backslash), which
    // names the current directory of drive E rather than its root.
    std::strcpy(g_installer.installDir, "C:");
    installkit::ReportRecorder answers;
    LaunchUninstallerCopy(answers);  // the copy is no program here: its start fails
    EXPECT_EQ(ReadIni(windows + "\\$$UnMivo.inf", "Uninstall", "Dir"), "C:\\");
}

// Acme 1 as installed by hand, and Acme 2 in the distribution: another
// Tool.exe, a new file in a new directory; with a shortcut, a remembered
// directory and an uninstall entry that the update would write again.
const char kUpdatedProduct[] =
    "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\n"
    "InstallDirReg=HKEY_LOCAL_MACHINE\\Software\\MivoFlowTest\\Update\r\n"
    "[Group]\r\nValue=1\r\nGroupName=Mivo Flow Update\r\nItem1=Tool,Tool.exe\r\n"
    "[Uninstall]\r\nKey=MivoFlowUpdate\r\nName=Acme\r\n"
    "[Files]\r\nItem1=Setup.inf\r\nItem2=readme.txt\r\nItem3=Tool.exe\r\nItem4=plugins\\new.dll\r\n";

class InstallTransactionTest : public InstallFlowTest {
protected:
    void SetUp() override {
        InstallFlowTest::SetUp();
        group_ = installkit::SpecialFolder(CSIDL_PROGRAMS) + "\\Mivo Flow Update";
        entry_ = std::string(kEntryRoot) + "MivoFlowUpdate";
        leftovers_.Directory(target_);
        leftovers_.Directory(group_);
        leftovers_.Key(HKEY_LOCAL_MACHINE, entry_);
        leftovers_.Key(HKEY_LOCAL_MACHINE, "Software\\MivoFlowTest");
    }

    // Acme 1 in target_, a file of the user's beside it, the rest of the
    // machine untouched; Acme 2 ready in the distribution.
    void LayOutVersionOne() {
        ASSERT_TRUE(installkit::WriteText(target_ + "\\Setup.inf", "[Install]\r\nTitle=Acme 1\r\n"));
        ASSERT_TRUE(installkit::WriteText(target_ + "\\readme.txt", "read me 1"));
        ASSERT_TRUE(installkit::WriteText(target_ + "\\Tool.exe", "MZ tool 1"));
        ASSERT_TRUE(installkit::WriteText(target_ + "\\notes.txt", "the user's"));
        // A read-only file comes back read-only.
        ASSERT_TRUE(SetFileAttributesA((target_ + "\\readme.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        ASSERT_TRUE(installkit::WriteText(dist_ + "\\readme.txt", "read me 2"));
        ASSERT_TRUE(installkit::WriteText(dist_ + "\\new.dll", "MZ plugin 2"));
        Prepare(kUpdatedProduct);
        ASSERT_TRUE(installkit::WriteText(dist_ + "\\Tool.exe", "MZ tool 2"));
        before_ = installkit::Tree(target_);
        distribution_ = installkit::Tree(dist_);
    }

    // The machine as Acme 1 left it: its files byte for byte, the
    // distribution whole, no shortcut, no remembered directory, no entry.
    void ExpectVersionOne() {
        EXPECT_EQ(installkit::Tree(target_), before_);
        EXPECT_EQ(installkit::Tree(dist_), distribution_);
        EXPECT_FALSE(Exists(group_));
        EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, entry_));
        EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\MivoFlowTest\\Update"));
    }

    // The question about `file` held by the helper, as the installer asks it.
    std::wstring InUseQuestion(const std::string& file) {
        char holder[kNameCapacity] = {};
        std::wstring text = FromAnsi(file) + L" は使用中のため，置き換えることができません。\n";
        if (FindHoldingProgram(file.c_str(), holder, sizeof holder)) {
            text += FromAnsi(holder) + L" が使用中です。\n";
        }
        return text + L"\n" + installkit::MessageText(MSG_CLOSE_AND_RETRY);
    }

    std::wstring Cancelled() {
        return installkit::MessageText(MSG_INSTALL_CANCELLED) + L"\n" + installkit::MessageText(MSG_NOTHING_CHANGED);
    }

    std::string group_, entry_;
    std::map<std::string, std::string> before_, distribution_;
};

TEST_F(InstallTransactionTest, TheRestartManagerNamesTheProgramHoldingAFile) {
    const std::string file = dist_ + "\\held.txt";
    ASSERT_TRUE(installkit::WriteText(file, "held"));
    char holder[kNameCapacity] = {};
    {
        installkit::HeldFile held(file);
        ASSERT_TRUE(held.Held());
        if (!FindHoldingProgram(file.c_str(), holder, sizeof holder)) {
            GTEST_SKIP() << "this platform's Restart Manager (Wine's) does not name the program holding a file; "
                            "the question about it then names the file alone";
        }
    }
    EXPECT_EQ(std::string(holder), "mivo_file_holder.exe");
    EXPECT_FALSE(FindHoldingProgram(file.c_str(), holder, sizeof holder));
}

TEST_F(InstallTransactionTest, AFileInUseIsAskedAboutAndCancelLeavesTheOldVersion) {
    LayOutVersionOne();
    installkit::HeldFile held(target_ + "\\Tool.exe");
    ASSERT_TRUE(held.Held());
    installkit::ReportRecorder answers;  // declines: Cancel
    bool cancelled = false;
    EXPECT_FALSE(RunInstall(answers, &cancelled));
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(gui::Texts(answers.Boxes()),
              (std::vector<std::wstring>{InUseQuestion(target_ + "\\Tool.exe"), Cancelled()}));
    ASSERT_EQ(answers.Boxes().size(), 2u);
    EXPECT_TRUE(answers.Boxes()[0].retryCancel);
    EXPECT_FALSE(answers.InCopyPhase());
    held.Release();
    ExpectVersionOne();
}

TEST_F(InstallTransactionTest, RetryOnceTheProgramHasLetGoCompletesTheUpdate) {
    LayOutVersionOne();
    installkit::HeldFile held(target_ + "\\Tool.exe");
    ASSERT_TRUE(held.Held());
    int asked = 0;
    installkit::ReportRecorder answers([&](const MessageBoxContent& box) {
        if (!box.retryCancel) {
            return IDOK;
        }
        // Retry while still held asks again; then the program ends.
        if (++asked == 2) {
            held.Release();
        }
        return IDRETRY;
    });
    EXPECT_TRUE(RunInstall(answers));
    EXPECT_EQ(asked, 2);
    const std::wstring question = InUseQuestion(target_ + "\\Tool.exe");
    EXPECT_EQ(gui::Texts(answers.Boxes()),
              (std::vector<std::wstring>{question, question, installkit::MessageText(MSG_INSTALL_COMPLETE)}));
    EXPECT_EQ(installkit::ReadText(target_ + "\\Tool.exe"), "MZ tool 2");
    EXPECT_EQ(installkit::ReadText(target_ + "\\readme.txt"), "read me 2");
    EXPECT_EQ(installkit::ReadText(target_ + "\\plugins\\new.dll"), "MZ plugin 2");
    EXPECT_EQ(installkit::ReadText(target_ + "\\notes.txt"), "the user's");
    // The old files were put aside only until the update succeeded.
    EXPECT_FALSE(Exists(target_ + "\\$$MivoKept"));
    EXPECT_TRUE(Exists(group_ + "\\Tool.lnk"));
    EXPECT_EQ(installkit::ReadRegValues(HKEY_LOCAL_MACHINE, "Software\\MivoFlowTest\\Update"),
              (RegValues{{"InstallDir", target_}}));
    EXPECT_TRUE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, entry_));
    // Installed over a product of its own: what the update found counts.
    EXPECT_TRUE(ProductInstalledIn(target_.c_str()));
    EXPECT_EQ(answers.FilesDone(), answers.Totals().files);
    EXPECT_EQ(answers.Totals().files, 4u);
}

// 99 files of the product, the uninstall entry and a remembered directory.
std::string NinetyNineFiles(const std::string& dist, const std::string& version) {
    std::string inf =
        "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\n"
        "InstallDirReg=HKEY_LOCAL_MACHINE\\Software\\MivoFlowTest\\Update\r\n"
        "[Uninstall]\r\nKey=MivoFlowUpdate\r\nName=Acme\r\n[Files]\r\n";
    for (int i = 1; i <= 99; ++i) {
        const std::string name =
            (i % 10 == 0 ? "sub" + std::to_string(i) + "\\" : std::string()) + "f" + std::to_string(i) + ".bin";
        inf += "Item" + std::to_string(i) + "=" + name + "\r\n";
        // Sizes from empty to a few KiB, so that files and bytes both count.
        std::string bytes = version + std::string(static_cast<size_t>(i * 37 % 4000), static_cast<char>('a' + i % 26));
        EXPECT_TRUE(installkit::WriteText(dist + "\\f" + std::to_string(i) + ".bin", bytes));
    }
    return inf;
}

TEST_F(InstallTransactionTest, ACancelInTheMiddleOf99FilesLeavesNothingNewAndTheBarEndsOnSuccess) {
    testfiles::RemoveTreeWaiting(FromAnsi(target_));
    const std::string inf = NinetyNineFiles(dist_, "one ");
    Prepare(inf);
    const std::map<std::string, std::string> distribution = installkit::Tree(dist_);
    {
        installkit::ReportRecorder answers;
        answers.CancelAfter(50);
        bool cancelled = false;
        EXPECT_FALSE(RunInstall(answers, &cancelled));
        EXPECT_TRUE(cancelled);
        EXPECT_EQ(answers.FilesDone(), 50u);
        EXPECT_EQ(gui::Texts(answers.Boxes()), std::vector<std::wstring>{Cancelled()});
        EXPECT_FALSE(Exists(target_));
        EXPECT_EQ(installkit::Tree(dist_), distribution);
        EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, entry_));
        EXPECT_FALSE(installkit::RegKeyExists(HKEY_LOCAL_MACHINE, "Software\\MivoFlowTest\\Update"));
    }
    {
        Prepare(inf);
        installkit::ReportRecorder answers;
        ASSERT_TRUE(RunInstall(answers));
        EXPECT_EQ(answers.Totals().files, 99u);
        EXPECT_EQ(answers.FilesDone(), 99u);
        EXPECT_EQ(answers.BytesDone(), answers.Totals().bytes);
        EXPECT_FALSE(answers.WentBack());
        EXPECT_FALSE(Exists(dist_ + "\\f1.bin")) << "a moving install deletes its sources once done";
    }
    // Version two over version one, cancelled half-way: version one stays.
    const std::map<std::string, std::string> one = installkit::Tree(target_);
    const RegValues entry = installkit::ReadRegValues(HKEY_LOCAL_MACHINE, entry_);
    Prepare(NinetyNineFiles(dist_, "two "));
    installkit::ReportRecorder answers;
    answers.CancelAfter(50);
    EXPECT_FALSE(RunInstall(answers));
    EXPECT_EQ(installkit::Tree(target_), one);
    EXPECT_EQ(installkit::ReadRegValues(HKEY_LOCAL_MACHINE, entry_), entry);
    EXPECT_TRUE(Exists(dist_ + "\\f1.bin"));
}

// A directory where a file goes is never put aside as an old file would be:
// the copy fails as it always did, and what was copied before is undone.
TEST_F(InstallTransactionTest, ADirectoryInTheWayOfAFileStaysWithWhatItHolds) {
    LayOutVersionOne();
    ASSERT_TRUE(DeleteFileA((target_ + "\\Tool.exe").c_str()));
    ASSERT_TRUE(installkit::WriteText(target_ + "\\Tool.exe\\mine.txt", "the user's"));
    before_ = installkit::Tree(target_);
    std::vector<MessageBoxContent> boxes;
    EXPECT_FALSE(Install(boxes));
    EXPECT_EQ(gui::Texts(boxes),
              std::vector<std::wstring>{L"ファイルのコピーに失敗しました。\n" + FromAnsi(dist_ + "\\Tool.exe") + L"\n" +
                                        installkit::MessageText(MSG_NOTHING_CHANGED)});
    ExpectVersionOne();
}

TEST_F(InstallTransactionTest, AFailureAfterTheCopyKeepsTheFilesAndWritesTheUninstallEntry) {
    Prepare(
        "[Install]\r\nTitle=T\r\nInstallDir=Acme\r\nIsFileDelAfterMivo=0\r\n"
        "[Group]\r\nValue=1\r\nGroupName=Mivo No Such\\Sub\r\nItem1=Tool,Tool.exe\r\n"
        "[Uninstall]\r\nKey=MivoFlowUpdate\r\nName=Acme\r\n[Files]\r\nItem1=Setup.inf\r\nItem2=Tool.exe\r\n");
    std::vector<MessageBoxContent> boxes;
    EXPECT_FALSE(Install(boxes));
    EXPECT_EQ(gui::Texts(boxes),
              std::vector<std::wstring>{L"ショートカットの作成に失敗しました。\n  (ErrorCode : 2112)"});
    EXPECT_EQ(installkit::ReadText(target_ + "\\Tool.exe"), "MZ");
    EXPECT_NE(ReadIni(target_ + "\\Setup.inf", "InstallRecord", "File2"), "?");
    RegValues values = installkit::ReadRegValues(HKEY_LOCAL_MACHINE, entry_);
    EXPECT_NE(std::find(values.begin(), values.end(), std::make_pair(std::string("InstallLocation"), target_)),
              values.end());
}

TEST_F(InstallTransactionTest, AnUpdateIsToldByTheEntryTheRememberedDirectoryOrTheRecord) {
    Prepare(kUpdatedProduct);
    EXPECT_FALSE(ProductInstalledIn(target_.c_str()));
    // Setup.inf of the same product, but no record: not by itself.
    EXPECT_FALSE(ProductInstalledIn(dist_.c_str()));

    const std::string entryKey = entry_;
    ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, FromAnsi(entryKey)));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, entryKey.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    // Another spelling of the same folder.
    std::string location = target_ + "\\.\\";
    for (char& c : location) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    RegSetValueExA(key, "InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(location.c_str()),
                   static_cast<DWORD>(location.size() + 1));
    RegCloseKey(key);
    EXPECT_TRUE(ProductInstalledIn(target_.c_str()));
    EXPECT_FALSE(ProductInstalledIn(dist_.c_str()));
    machine::DeleteKeyTree(HKEY_LOCAL_MACHINE, FromAnsi(entryKey));

    ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, L"Software\\MivoFlowTest\\Update"));
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\MivoFlowTest\\Update", 0, KEY_SET_VALUE, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "InstallDir", 0, REG_SZ, reinterpret_cast<const BYTE*>(dist_.c_str()),
                   static_cast<DWORD>(dist_.size() + 1));
    RegCloseKey(key);
    EXPECT_TRUE(ProductInstalledIn(dist_.c_str()));
    EXPECT_FALSE(ProductInstalledIn(target_.c_str()));
}

}  // namespace
