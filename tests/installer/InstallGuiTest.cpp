// Installs driven end to end: Setup.exe (a copy of Mivo.exe) beside its
// Setup.inf and files, its dialogs and boxes answered as a user would, and
// then the machine inspected: files, registry values, shortcuts.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "InstallTestKit.h"
#include "engine/FileInUse_win.h"
#include "resources/resource.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/Machine.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

namespace {

using gui::MessageBoxContent;
using installkit::Exists;
using installkit::ProgramFilesDir;
using installkit::ReadIni;
using installkit::ReadText;
using installkit::RegValues;
using testfiles::FromAnsi;

const char kTitle[] = "Acme Setup";
const char kEntryRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
const wchar_t kComplete[] = L"インストールが完了しました。";

RegValues SortedValues(HKEY root, const std::string& key) {
    RegValues values = installkit::ReadRegValues(root, key.c_str());
    std::sort(values.begin(), values.end());
    return values;
}

// "EstimatedSize" of files of these sizes: KiB, rounded up.
std::string SizeValue(size_t bytes) {
    return "dword:" + std::to_string((bytes + 1023) / 1024);
}

// The question before an install into a folder that holds files.
std::wstring UsedFolderQuestion(const std::string& dir) {
    return FromAnsi(dir) + L" には既にファイルが存在します。\nこのフォルダにインストールします。よろしいですか？";
}

std::wstring InvalidSetupFileText(const std::string& path) {
    return L"セットアップ情報ファイル（" + FromAnsi(path) + L"）の内容が不正です。";
}

// Whether a box was shown over the copy progress dialog.
bool OwnedByProgress(const MessageBoxContent& box) {
    const std::vector<int>& ids = box.ownerControls;
    return std::count(ids.begin(), ids.end(), IDC_PROGRESS_SOURCE) == 1 &&
           std::count(ids.begin(), ids.end(), IDC_PROGRESS_DESTINATION) == 1;
}

// What one run of Setup.exe showed and how it ended.
struct SetupRun {
    std::wstring optionsDirectory;  // the install directory the options dialog offered
    bool hadDirectoryField = false;
    std::vector<MessageBoxContent> boxes;
    DWORD exitCode = gui::Process::kStillRunning;
};

class InstallGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(distribution_.Ready());
        ASSERT_TRUE(distribution_.PutProgram(L"mivo_args_stub.exe", L"Tool.exe"));
        dist_ = distribution_.AnsiDir();
        setupExe_ = dist_ + "\\Setup.exe";
        stateFile_ = installkit::TempDir() + "$$Mivo.ini";
        testfiles::DeleteFileForce(FromAnsi(stateFile_));
        leftovers_.File(stateFile_);
    }

    void Put(const std::string& name, const std::string& text) {
        ASSERT_TRUE(installkit::WriteText(dist_ + "\\" + name, text));
    }

    // Starts Setup.exe, presses OK in the options dialog (after typing
    // `directory` into its directory field, when given), answers Yes to the
    // questions saying `yes`, every other box with OK (No to a question), and
    // waits for the end.
    SetupRun Install(const std::string& directory = std::string(), std::vector<std::wstring> yes = {}) {
        SetupRun run;
        gui::Process setup = distribution_.Start();
        EXPECT_TRUE(setup.Started());
        HWND options = gui::WaitForWindow(setup.Id(), L"#32770", FromAnsi(kTitle).c_str());
        EXPECT_NE(options, nullptr) << "no options dialog";
        if (options == nullptr) {
            return run;
        }
        run.hadDirectoryField = gui::Control(options, IDC_INSTALL_DIR) != nullptr;
        if (run.hadDirectoryField) {
            run.optionsDirectory = gui::ControlText(options, IDC_INSTALL_DIR);
            if (!directory.empty()) {
                gui::SetControlText(options, IDC_INSTALL_DIR, FromAnsi(directory));
            }
        }
        gui::BoxAnswerer answer(gui::YesTo(std::move(yes)), setup.Id());
        gui::PressButton(options, IDOK);
        EXPECT_TRUE(gui::WaitUntil([options] { return !IsWindow(options); }));
        run.exitCode = setup.WaitForExit(30000);
        run.boxes = answer.Finish();
        return run;
    }

    installkit::Distribution distribution_{L"Acme CD"};
    installkit::InstallLeftovers leftovers_;
    std::string dist_, setupExe_, stateFile_;
};

TEST_F(InstallGuiTest, MoveIntoProgramFilesWithEveryShortcutAndEntry) {
    const std::string dir = ProgramFilesDir() + "\\Mivo Acme Move";
    const std::string group = installkit::SpecialFolder(CSIDL_PROGRAMS) + "\\Mivo Acme Move";
    const std::string startup = installkit::SpecialFolder(CSIDL_STARTUP) + "\\Acme Start.lnk";
    const std::string desktop = installkit::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Acme Desktop.lnk";
    const std::string entry = std::string(kEntryRoot) + "MivoGuiAcmeMove";
    leftovers_.Directory(dir);
    leftovers_.Directory(group);
    leftovers_.File(startup);
    leftovers_.File(desktop);
    leftovers_.Key(HKEY_LOCAL_MACHINE, entry);
    leftovers_.Key(HKEY_LOCAL_MACHINE, "Software\\MivoGuiTest");

    Put("Setup.inf",
        "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Move\r\n"
        "InstallDirReg=HKEY_LOCAL_MACHINE\\Software\\MivoGuiTest\\Move\r\nProgram=Tool.exe,--first run\r\n"
        "AllUsers=0\r\n"
        "[Files]\r\nItem1=Setup.exe\r\nItem2=Setup.inf\r\nItem3=Tool.exe\r\nItem4=readme.txt\r\n"
        "Item5=data\\info.dat\r\n"
        "[Group]\r\nValue=1\r\nGroupName=Mivo Acme Move\r\nItem1=Acme Tool,Tool.exe,-x\r\n"
        "Item2=Acme Uninstall,Setup.exe,/r\r\n"
        "[Startup]\r\nValue=1\r\nItem1=Acme Start,Tool.exe,--startup\r\n"
        "[Desktop]\r\nValue=1\r\nItem1=Acme Desktop,Tool.exe,,%WINDIR%\\Acme.ico,1\r\n"
        "[Uninstall]\r\nTitle=Acme Removal\r\nKey=MivoGuiAcmeMove\r\nName=Acme Move\r\nModify=1\r\n"
        "IconFile=Tool.exe\r\nPublisher=Acme Inc\r\nURLInfoAbout=http://acme.example/\r\n"
        "DisplayVersion=2.0\r\nHelpLink=http://acme.example/help\r\nURLUpdateInfo=http://acme.example/update\r\n");
    Put("readme.txt", "read me");
    Put("info.dat", "data bytes");
    const std::string setupBytes = ReadText(setupExe_);
    const size_t installedBytes =
        setupBytes.size() + ReadText(dist_ + "\\Setup.inf").size() + ReadText(dist_ + "\\Tool.exe").size() + 7 + 10;

    SetupRun run = Install();
    // The Move loop cannot delete the running setup program; the "/d" run
    // does, as the install named it where only an administrator writes.
    EXPECT_FALSE(Exists(stateFile_));
    EXPECT_EQ(run.optionsDirectory, FromAnsi(dir));
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].caption, FromAnsi(kTitle));
    EXPECT_EQ(run.boxes[0].text, kComplete);

    // The program was started from the install directory, and the "/d" run
    // of the installed copy removed the setup program and the state file.
    EXPECT_TRUE(gui::WaitUntil([&] { return ReadText(dir + "\\Tool.exe.args") == "--first run"; }));
    EXPECT_TRUE(gui::WaitUntil([&] { return !Exists(setupExe_); }));
    for (const char* source : {"Setup.inf", "Tool.exe", "readme.txt", "info.dat"}) {
        EXPECT_FALSE(Exists(dist_ + "\\" + source)) << source;
    }

    EXPECT_EQ(ReadText(dir + "\\Setup.exe"), setupBytes);
    EXPECT_EQ(ReadText(dir + "\\readme.txt"), "read me");
    EXPECT_EQ(ReadText(dir + "\\data\\info.dat"), "data bytes");
    // The installed setup file now installs in place.
    EXPECT_EQ(ReadIni(dir + "\\Setup.inf", "Install", "InstallDir"), "");

    EXPECT_EQ(installkit::ReadRegValues(HKEY_LOCAL_MACHINE, "Software\\MivoGuiTest\\Move"),
              (RegValues{{"InstallDir", dir}}));
    const std::string installed = dir + "\\Setup.exe";
    RegValues expected = {{"DisplayName", "Acme Move"},
                          {"ModifyPath", "\"" + installed + "\""},
                          {"UninstallString", "\"" + installed + "\" /r"},
                          {"QuietUninstallString", "\"" + installed + "\" /r /S"},
                          {"InstallLocation", dir},
                          {"DisplayIcon", dir + "\\Tool.exe,0"},
                          {"Publisher", "Acme Inc"},
                          {"URLInfoAbout", "http://acme.example/"},
                          {"DisplayVersion", "2.0"},
                          {"VersionMajor", "dword:2"},
                          {"VersionMinor", "dword:0"},
                          {"HelpLink", "http://acme.example/help"},
                          {"URLUpdateInfo", "http://acme.example/update"},
                          {"InstallDate", installkit::Today()},
                          {"EstimatedSize", SizeValue(installedBytes)},
                          {"NoRepair", "dword:1"}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedValues(HKEY_LOCAL_MACHINE, entry), expected);

    struct Link {
        std::string file, target, arguments, workingDirectory, description, iconPath;
        int iconIndex;
    } links[] = {
        {group + "\\Acme Tool.lnk", dir + "\\Tool.exe", "-x", dir, "Acme Tool", "", 0},
        {group + "\\Acme Uninstall.lnk", installed, "/r", "", "Acme Uninstall", "", 0},
        {startup, dir + "\\Tool.exe", "--startup", dir, "Acme Start", "", 0},
        {desktop, dir + "\\Tool.exe", "", dir, "Acme Desktop", installkit::WindowsDir() + "\\Acme.ico", 1},
    };
    for (const Link& link : links) {
        SCOPED_TRACE(link.file);
        EXPECT_EQ(installkit::ReadLink(link.file),
                  installkit::LinkTo(link.target, link.arguments, link.workingDirectory, link.description,
                                     link.iconPath, link.iconIndex));
    }
}

TEST_F(InstallGuiTest, CopyKeepsSourcesAndFollowsEachFilesMode) {
    const std::string dir = ProgramFilesDir() + "\\Mivo Acme Copy";
    leftovers_.Directory(dir);
    testfiles::RemoveTreeWaiting(FromAnsi(dir));
    ASSERT_TRUE(CreateDirectoryA(dir.c_str(), nullptr));

    enum Destination { Missing, Older, Newer, SameTime };
    struct Case {
        const char* entry;
        const char* file;
        Destination destination;
        bool copied;
    } cases[] = {
        {"plain.txt", "plain.txt", Newer, true},  // no mode: always
        {"keep0.txt,0", "keep0.txt", Older, false},
        {"new0.txt,0", "new0.txt", Missing, true},
        {"comma.txt,", "comma.txt", Older, false},  // empty mode reads as 0
        {"older2.txt,2", "older2.txt", Older, true},
        {"newer2.txt,2", "newer2.txt", Newer, false},
        {"same2.txt,2", "same2.txt", SameTime, false},
        {"missing2.txt,2", "missing2.txt", Missing, true},
        {"sub\\deep\\nested.txt", "nested.txt", Missing, true},
        {"readonly.txt", "readonly.txt", Missing, true},
    };
    std::string inf =
        "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Copy\r\nIsFileDelAfterMivo=0\r\n[Files]\r\n";
    int item = 0;
    for (const Case& c : cases) {
        inf += "Item" + std::to_string(++item) + "=" + c.entry + "\r\n";
        std::string source = dist_ + "\\" + c.file;
        ASSERT_TRUE(installkit::WriteText(source, std::string("new ") + c.file));
        ASSERT_TRUE(testfiles::SetFileAge(FromAnsi(source), -1000));
        if (c.destination == Missing) {
            continue;
        }
        std::string destination = dir + "\\" + c.file;
        ASSERT_TRUE(installkit::WriteText(destination, "old"));
        if (c.destination == SameTime) {
            ASSERT_TRUE(testfiles::CopyFileAge(FromAnsi(source), FromAnsi(destination)));
        } else {
            ASSERT_TRUE(testfiles::SetFileAge(FromAnsi(destination), c.destination == Older ? -2000 : 0));
        }
    }
    Put("Setup.inf", inf);
    SetFileAttributesA((dist_ + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);

    // The folder holds files the install did not put there: asked first.
    SetupRun run = Install("", {UsedFolderQuestion(dir)});
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0].text, UsedFolderQuestion(dir));
    EXPECT_EQ(run.boxes[1].text, kComplete);

    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        std::string destination = dir + "\\" + c.file;
        if (std::string(c.entry).find("sub\\") == 0) {
            destination = dir + "\\sub\\deep\\" + c.file;
        }
        EXPECT_EQ(ReadText(destination), c.copied ? std::string("new ") + c.file : std::string("old"));
        EXPECT_EQ(ReadText(dist_ + "\\" + c.file), std::string("new ") + c.file) << "source kept";
    }
    // A read-only source gives an installed file that stays replaceable.
    EXPECT_EQ(GetFileAttributesA((dir + "\\readonly.txt").c_str()), static_cast<DWORD>(FILE_ATTRIBUTE_ARCHIVE));
    SetFileAttributesA((dist_ + "\\readonly.txt").c_str(), FILE_ATTRIBUTE_NORMAL);

    // Nothing to clean up after a copying install.
    Sleep(1000);
    EXPECT_TRUE(Exists(setupExe_));
    EXPECT_FALSE(Exists(stateFile_));
}

TEST_F(InstallGuiTest, InPlaceInstallCopiesNothingAndRegistersTheInstallerItself) {
    const std::string entry = std::string(kEntryRoot) + "MivoGuiAcmeInPlace";
    leftovers_.Key(HKEY_LOCAL_MACHINE, entry);
    Put("Setup.inf",
        "[Install]\r\nTitle=Acme Setup\r\nInstallProhibited=2\r\n[Files]\r\nItem1=a.txt\r\n"
        "[Uninstall]\r\nTitle=Acme Removal\r\nKey=MivoGuiAcmeInPlace\r\nName=Acme In Place\r\n");
    Put("a.txt", "a");

    SetupRun run = Install();
    EXPECT_FALSE(run.hadDirectoryField);
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 1u);
    EXPECT_EQ(run.boxes[0].text, kComplete);

    RegValues expected = {{"DisplayName", "Acme In Place"},
                          {"UninstallString", "\"" + setupExe_ + "\" /r"},
                          {"QuietUninstallString", "\"" + setupExe_ + "\" /r /S"},
                          {"InstallLocation", dist_},
                          {"InstallDate", installkit::Today()},
                          {"EstimatedSize", "dword:0"},
                          {"NoModify", "dword:1"},
                          {"NoRepair", "dword:1"}};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(SortedValues(HKEY_LOCAL_MACHINE, entry), expected);
    EXPECT_EQ(ReadIni(dist_ + "\\Setup.inf", "Install", "InstallProhibited"), "1");
    EXPECT_EQ(ReadText(dist_ + "\\a.txt"), "a");
    Sleep(1000);
    EXPECT_TRUE(Exists(setupExe_));
    EXPECT_FALSE(Exists(stateFile_));
}

TEST_F(InstallGuiTest, FailuresStopTheRunWithOneBoxAndNoCleanUpRun) {
    const std::string dir = ProgramFilesDir() + "\\Mivo Acme Fail";
    const std::string group = installkit::SpecialFolder(CSIDL_PROGRAMS);
    leftovers_.Directory(dir);
    const std::string head = "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Fail\r\n";
    struct Case {
        const char* name;
        std::string inf;
        std::vector<std::wstring> texts;
        bool lastOwnedByProgress;
    } cases[] = {
        {"unresolvable Files entry",
         head + "[Files]\r\nItem1=%MIVO_NO_SUCH_VARIABLE%\\a.txt\r\n",
         {InvalidSetupFileText(dist_ + "\\Setup.inf")},
         true},
        // The copying is undone, and the box says so.
        {"missing source",
         head + "[Files]\r\nItem1=a.txt\r\nItem2=absent.txt\r\n",
         {L"ファイルのコピーに失敗しました。\n" + testfiles::FromAnsi(dist_ + "\\absent.txt") + L"\n" +
          installkit::MessageText(MSG_NOTHING_CHANGED)},
         true},
        {"shortcut name leaving its folder",
         head + "[Files]\r\nItem1=a.txt\r\nItem2=Setup.inf\r\n[Group]\r\nValue=1\r\n"
                "Item1=..\\..\\MivoEscaped,a.txt\r\n",
         {InvalidSetupFileText(dir + "\\Setup.inf")},
         false},
        // Once copied, the installed setup file is the one named.
        {"shortcut entry with one field",
         head + "[Files]\r\nItem1=a.txt\r\nItem2=Setup.inf\r\n[Group]\r\nValue=1\r\nItem1=Lonely\r\n",
         {InvalidSetupFileText(dir + "\\Setup.inf")},
         false},
        {"group folder two levels deep",
         head + "[Files]\r\nItem1=a.txt\r\n[Group]\r\nValue=1\r\nGroupName=Mivo No Such\\Sub\r\n"
                "Item1=Tool,Tool.exe\r\n",
         {L"ショートカットの作成に失敗しました。\n  (ErrorCode : 2112)"},
         false},
        {"program that cannot start",
         head + "Program=NoSuch.exe\r\n[Files]\r\nItem1=a.txt\r\n",
         {kComplete, FromAnsi(dir) + L"\\NoSuch.exe の起動に失敗しました。\n  (ErrorCode : 2)"},
         false},
    };

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testfiles::RemoveTreeWaiting(FromAnsi(dir));
        testfiles::DeleteFileForce(FromAnsi(stateFile_));
        Put("Setup.inf", c.inf);
        Put("a.txt", "a");

        SetupRun run = Install();
        EXPECT_EQ(run.exitCode, 0u);
        ASSERT_EQ(run.boxes.size(), c.texts.size());
        for (size_t i = 0; i < c.texts.size(); ++i) {
            EXPECT_EQ(run.boxes[i].text, c.texts[i]);
        }
        const MessageBoxContent& last = run.boxes.back();
        EXPECT_EQ(last.caption, L"Error !");
        EXPECT_EQ(OwnedByProgress(last), c.lastOwnedByProgress);
        EXPECT_EQ(last.ownerTitle, FromAnsi(kTitle));
        // No "/d" run: the setup program stays where it was.
        Sleep(1500);
        EXPECT_TRUE(Exists(setupExe_));
        if (c.lastOwnedByProgress) {
            EXPECT_FALSE(Exists(dir)) << "nothing of a failed copy stays";
        }
    }
    EXPECT_FALSE(Exists(group + "\\Lonely.lnk"));
    EXPECT_FALSE(Exists(group + "\\Mivo No Such"));
}

TEST_F(InstallGuiTest, MoveIntoTheDistributionDirectoryKeepsEveryFile) {
    Put("Setup.inf",
        "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Here\r\n"
        "[Files]\r\nItem1=Setup.exe\r\nItem2=Setup.inf\r\nItem3=a.txt\r\nItem4=b.txt,0\r\n");
    Put("a.txt", "a");
    Put("b.txt", "b");

    SetupRun run = Install(dist_, {UsedFolderQuestion(dist_)});
    EXPECT_EQ(run.exitCode, 0u);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[1].text, kComplete);
    // The "/d" run finds its own program named and leaves it.
    Sleep(2000);
    EXPECT_TRUE(Exists(setupExe_));
    EXPECT_EQ(ReadText(dist_ + "\\a.txt"), "a");
    EXPECT_EQ(ReadText(dist_ + "\\b.txt"), "b");
    EXPECT_EQ(ReadIni(dist_ + "\\Setup.inf", "Install", "InstallDir"), "");
}

// Acme 1 installed in Program Files, its Tool.exe running (held open by
// another program); Acme 2 in the distribution.
TEST_F(InstallGuiTest, AFileInUseIsNamedAndCancelKeepsTheOldVersionAndRetryUpdates) {
    const std::string dir = ProgramFilesDir() + "\\Mivo Acme Busy";
    const std::string group = installkit::SpecialFolder(CSIDL_PROGRAMS) + "\\Mivo Acme Busy";
    const std::string entry = std::string(kEntryRoot) + "MivoGuiAcmeBusy";
    leftovers_.Directory(dir);
    leftovers_.Directory(group);
    leftovers_.Key(HKEY_LOCAL_MACHINE, entry);
    testfiles::RemoveTreeWaiting(FromAnsi(dir));
    ASSERT_TRUE(installkit::WriteText(dir + "\\Tool.exe", "MZ tool 1"));
    ASSERT_TRUE(installkit::WriteText(dir + "\\readme.txt", "read me 1"));
    ASSERT_TRUE(installkit::WriteText(dir + "\\my notes.txt", "the user's"));
    // The entry of Acme 1 says where it is.
    ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, FromAnsi(entry)));
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, entry.c_str(), 0, KEY_SET_VALUE, &key), ERROR_SUCCESS);
    RegSetValueExA(key, "InstallLocation", 0, REG_SZ, reinterpret_cast<const BYTE*>(dir.c_str()),
                   static_cast<DWORD>(dir.size() + 1));
    RegCloseKey(key);
    Put("Setup.inf",
        "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Busy\r\nIsFileDelAfterMivo=0\r\n"
        "[Group]\r\nValue=1\r\nGroupName=Mivo Acme Busy\r\nItem1=Acme Tool,Tool.exe\r\n"
        "[Uninstall]\r\nKey=MivoGuiAcmeBusy\r\nName=Acme Busy\r\n"
        "[Files]\r\nItem1=Setup.inf\r\nItem2=readme.txt\r\nItem3=Tool.exe\r\nItem4=data\\info.dat\r\n");
    Put("readme.txt", "read me 2");
    Put("info.dat", "data 2");
    const std::map<std::string, std::string> versionOne = installkit::Tree(dir);
    const RegValues entryOne = installkit::ReadRegValues(HKEY_LOCAL_MACHINE, entry);
    const std::map<std::string, std::string> distribution = installkit::Tree(dist_);

    auto held = std::make_unique<installkit::HeldFile>(dir + "\\Tool.exe");
    ASSERT_TRUE(held->Held());
    char holder[128] = {};
    std::wstring question = FromAnsi(dir) + L"\\Tool.exe は使用中のため，置き換えることができません。\n";
    if (FindHoldingProgram((dir + "\\Tool.exe").c_str(), holder, sizeof holder)) {
        question += FromAnsi(holder) + L" が使用中です。\n";
    } else {
        std::printf(
            "[   NOTE   ] this platform's Restart Manager does not name the program holding the file; "
            "the question is checked to name the file alone\n");
    }
    question += L"\n" + installkit::MessageText(MSG_CLOSE_AND_RETRY);

    // Starts Setup.exe, presses OK in the options, which say that this is an
    // update, and waits for the question about Tool.exe.
    auto startUntilQuestion = [&](gui::Process& setup, const wchar_t* shot) -> HWND {
        setup = distribution_.Start();
        // The options say that this is an update.
        HWND options = gui::WaitForWindow(setup.Id(), L"#32770", (L"［更新］" + FromAnsi(kTitle)).c_str());
        EXPECT_NE(options, nullptr);
        if (options == nullptr) {
            return nullptr;
        }
        gui::PressButton(options, IDOK);
        HWND box = gui::WaitForMessageBox(setup.Id());
        EXPECT_NE(box, nullptr) << "no question about the file in use";
        if (box != nullptr && shot != nullptr) {
            gui::SaveShot(shot, box, 300);
        }
        return box;
    };

    {
        gui::Process setup;
        HWND box = startUntilQuestion(setup, L"mivo_file_in_use.png");
        ASSERT_NE(box, nullptr);
        MessageBoxContent asked = gui::ReadMessageBox(box);
        EXPECT_EQ(asked.text, question);
        EXPECT_TRUE(asked.retryCancel);
        EXPECT_EQ(asked.caption, FromAnsi(kTitle));
        EXPECT_TRUE(OwnedByProgress(asked));
        gui::PressButton(box, IDCANCEL);
        EXPECT_TRUE(gui::WaitUntil([box] { return !IsWindow(box); }));
        MessageBoxContent told = gui::AnswerMessageBox(setup.Id(), IDOK);
        EXPECT_EQ(told.text, installkit::MessageText(MSG_INSTALL_CANCELLED) + L"\n" +
                                 installkit::MessageText(MSG_NOTHING_CHANGED));
        EXPECT_EQ(setup.WaitForExit(30000), 0u);
        // The machine as before, the distribution too; Tool.exe can be read
        // once the program has ended.
        held->Release();
        EXPECT_EQ(installkit::Tree(dir), versionOne);
        EXPECT_EQ(installkit::ReadRegValues(HKEY_LOCAL_MACHINE, entry), entryOne);
        EXPECT_FALSE(Exists(group));
        EXPECT_EQ(installkit::Tree(dist_), distribution);
    }
    held = std::make_unique<installkit::HeldFile>(dir + "\\Tool.exe");
    ASSERT_TRUE(held->Held());
    {
        gui::Process setup;
        HWND box = startUntilQuestion(setup, nullptr);
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(gui::ReadMessageBox(box).text, question);
        // The program ends; then 再試行.
        held->Release();
        gui::PressButton(box, IDRETRY);
        EXPECT_TRUE(gui::WaitUntil([box] { return !IsWindow(box); }));
        EXPECT_EQ(gui::AnswerMessageBox(setup.Id(), IDOK).text, kComplete);
        EXPECT_EQ(setup.WaitForExit(30000), 0u);
    }
    EXPECT_EQ(ReadText(dir + "\\Tool.exe"), ReadText(dist_ + "\\Tool.exe"));
    EXPECT_EQ(ReadText(dir + "\\readme.txt"), "read me 2");
    EXPECT_EQ(ReadText(dir + "\\data\\info.dat"), "data 2");
    EXPECT_EQ(ReadText(dir + "\\my notes.txt"), "the user's");
    EXPECT_FALSE(Exists(dir + "\\$$MivoKept"));
    EXPECT_TRUE(Exists(group + "\\Acme Tool.lnk"));
}

// No one is there to close the program: the unattended install cancels,
// undoes its copying, logs why and ends with the code of a cancelled run.
TEST_F(InstallGuiTest, AnUnattendedInstallOverAFileInUseCancelsAndSaysSoInTheLog) {
    const std::string dir = ProgramFilesDir() + "\\Mivo Acme Busy Silent";
    const std::string log = dist_ + "\\install.log";
    leftovers_.Directory(dir);
    testfiles::RemoveTreeWaiting(FromAnsi(dir));
    ASSERT_TRUE(installkit::WriteText(dir + "\\Tool.exe", "MZ tool 1"));
    ASSERT_TRUE(installkit::WriteText(dir + "\\readme.txt", "read me 1"));
    Put("Setup.inf",
        "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Acme Busy Silent\r\nIsFileDelAfterMivo=0\r\n"
        "[Files]\r\nItem1=readme.txt\r\nItem2=Tool.exe\r\nItem3=new.txt\r\n");
    Put("readme.txt", "read me 2");
    Put("new.txt", "new");
    {
        installkit::HeldFile held(dir + "\\Tool.exe");
        ASSERT_TRUE(held.Held());
        gui::Process setup = distribution_.Start(L"/S /DIR=\"" + FromAnsi(dir) + L"\" /LOG=\"" + FromAnsi(log) + L"\"");
        ASSERT_TRUE(setup.Started());
        EXPECT_EQ(setup.WaitForExit(30000), 2u);
    }
    EXPECT_EQ(ReadText(dir + "\\Tool.exe"), "MZ tool 1");
    EXPECT_EQ(ReadText(dir + "\\readme.txt"), "read me 1");
    EXPECT_FALSE(Exists(dir + "\\new.txt"));
    EXPECT_FALSE(Exists(dir + "\\$$MivoKept"));
    const std::string text = ReadText(log);
    EXPECT_NE(text.find("QUESTION message 33: "), std::string::npos) << text;
    EXPECT_NE(text.find("-> Cancel"), std::string::npos) << text;
    EXPECT_NE(text.find("INFO message 36 code 0: "), std::string::npos) << text;
}

}  // namespace
