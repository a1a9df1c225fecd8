// Uninstalls driven end to end: a product installed by Setup.exe (a copy of
// Mivo.exe), given some run-time state of its own, then removed through the
// installed copy with "/r" (which hands over to "$$UnMivo.exe /k") or "/u",
// every box answered as a user would, the restart question always with No;
// afterwards the machine is inspected.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <windows.h>

#include <string>
#include <vector>

#include "InstallTestKit.h"
#include "resources/resource.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"
#include "support/Machine.h"
#include "support/TestFiles.h"

namespace {

using installkit::Exists;
using installkit::MessageText;
using installkit::RegKeyExists;
using testfiles::FromAnsi;

const char kTitle[] = "Acme Setup";
const char kEntry[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\MivoUninstallGui";
const wchar_t kUninstaller[] = L"$$UnMivo.exe";

struct UninstallRun {
    std::vector<std::wstring> boxes;
    DWORD exitCode = gui::Process::kStillRunning;
};

class UninstallGuiTest : public ::testing::Test {
protected:
    void SetUp() override {
        scratchDir_ = testfiles::ToAnsi(distribution_.Scratch().Path());
        dist_ = distribution_.AnsiDir();
        dir_ = installkit::ProgramFilesDir() + "\\Mivo Uninstall Gui";
        group_ = installkit::SpecialFolder(CSIDL_PROGRAMS) + "\\Mivo Uninstall Gui";
        startup_ = installkit::SpecialFolder(CSIDL_STARTUP) + "\\Acme Start.lnk";
        desktop_ = installkit::SpecialFolder(CSIDL_DESKTOPDIRECTORY) + "\\Acme Desktop.lnk";
        workInf_ = installkit::WindowsDir() + "\\$$UnMivo.inf";
        workExe_ = installkit::WindowsDir() + "\\$$UnMivo.exe";
        marker_ = scratchDir_ + "\\clean-ran.txt";
        for (const std::string& path : {dir_, group_}) {
            leftovers_.Directory(path);
        }
        for (const std::string& path : {startup_, desktop_, workInf_}) {
            leftovers_.File(path);
        }
        leftovers_.Key(HKEY_LOCAL_MACHINE, kEntry);
        leftovers_.Key(HKEY_CURRENT_USER, "Software\\MivoTests\\UninstallGui");
        leftovers_.Key(HKEY_LOCAL_MACHINE, "SOFTWARE\\MivoTests\\UninstallGui");
        ASSERT_TRUE(distribution_.Ready());
        ASSERT_TRUE(distribution_.PutProgram(L"mivo_uninstall_probe.exe", L"Main.exe"));
        ASSERT_TRUE(distribution_.PutProgram(L"mivo_uninstall_probe.exe", L"Clean.exe"));
        ASSERT_TRUE(distribution_.Put(L"HELP.HLP", "help"));
    }

    void TearDown() override {
        machine::WaitForProcessNamedToEnd(kUninstaller, 0, 30000);
        // Before anything removes the install directory's tree.
        testfiles::RemoveDirectoryLink(FromAnsi(dir_ + "\\shared"));
        testfiles::RemoveDirectoryLink(FromAnsi(dir_ + "\\cache\\shared"));
        machine::ForgetPendingOperations(FromAnsi(workExe_));
        testfiles::DeleteFileForce(FromAnsi(workExe_));
    }

    // Writes Setup.inf for a product with every kind of shortcut and the
    // given "RegKey", "RmDir" and "Uninstall" lines, and installs it with
    // Setup.exe, pressing OK in the options dialog and at completion.
    void Install(const std::string& uninstallLines, const std::string& listLines) {
        ASSERT_TRUE(distribution_.Put(
            L"Setup.inf",
            "[Install]\r\nTitle=Acme Setup\r\nInstallDir=Mivo Uninstall Gui\r\nIsFileDelAfterMivo=0\r\nAllUsers=0\r\n"
            "[Files]\r\nItem1=Setup.exe\r\nItem2=Setup.inf\r\nItem3=Main.exe\r\nItem4=Clean.exe\r\n"
            "Item5=doc\\HELP.HLP\r\n"
            "[Group]\r\nValue=1\r\nGroupName=Mivo Uninstall Gui\r\nItem1=Acme Main,Main.exe\r\n"
            "Item2=Acme Uninstall,Setup.exe,/r\r\n"
            "[Startup]\r\nValue=1\r\nItem1=Acme Start,Main.exe\r\n"
            "[Desktop]\r\nValue=1\r\nItem1=Acme Desktop,Main.exe\r\n"
            "[Uninstall]\r\nTitle=Acme Removal\r\nKey=MivoUninstallGui\r\nName=Acme\r\n" +
                uninstallLines + listLines));
        gui::Process setup = distribution_.Start();
        ASSERT_TRUE(setup.Started());
        HWND options = gui::WaitForWindow(setup.Id(), L"#32770", FromAnsi(kTitle).c_str());
        ASSERT_NE(options, nullptr);
        gui::PressButton(options, IDOK);
        ASSERT_TRUE(gui::WaitUntil([options] { return !IsWindow(options); }));
        gui::BoxAnswerer answers(gui::YesTo({}), setup.Id());
        ASSERT_EQ(setup.WaitForExit(30000), 0u);
        ASSERT_EQ(gui::Texts(answers.Finish()), std::vector<std::wstring>{MessageText(MSG_INSTALL_COMPLETE)});
        ASSERT_TRUE(Exists(dir_ + "\\Setup.exe"));
        ASSERT_TRUE(Exists(group_ + "\\Acme Main.lnk"));
        ASSERT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kEntry));
    }

    // What the product leaves while it is used: settings in both registry
    // roots, logs, a cache tree, the help index, a file of the user's.
    void UseProduct() {
        ASSERT_TRUE(machine::MakeKey(HKEY_CURRENT_USER, L"Software\\MivoTests\\UninstallGui\\Options"));
        ASSERT_TRUE(machine::MakeKey(HKEY_LOCAL_MACHINE, L"SOFTWARE\\MivoTests\\UninstallGui\\Licence"));
        for (const char* file :
             {"\\logs\\today.log", "\\logs\\old\\2019.log", "\\cache\\a\\b\\c.bin", "\\doc\\HELP.GID", "\\user.cfg"}) {
            ASSERT_TRUE(installkit::WriteText(dir_ + file, "state"));
        }
    }

    // Starts the installed copy with `argument` from outside the install
    // directory, answers every box (Yes to `yesTexts`, No to the restart),
    // and waits for it and for the copy it may hand over to.
    UninstallRun Uninstall(const wchar_t* argument, std::vector<std::wstring> yesTexts, bool handsOver) {
        UninstallRun run;
        gui::Process start =
            gui::StartProgram(FromAnsi(dir_ + "\\Setup.exe"), argument, distribution_.Scratch().Path());
        EXPECT_TRUE(start.Started());
        gui::BoxAnswerer answers(gui::YesTo(std::move(yesTexts)), start.Id(), kUninstaller);
        run.exitCode = start.WaitForExit(30000);
        if (handsOver) {
            EXPECT_TRUE(machine::WaitForProcessNamedToEnd(kUninstaller, 10000, 60000));
        }
        run.boxes = gui::Texts(answers.Finish());
        return run;
    }

    installkit::Distribution distribution_{L"Acme CD"};
    installkit::InstallLeftovers leftovers_;
    std::string scratchDir_, dist_, dir_, group_, startup_, desktop_, workInf_, workExe_, marker_;
};

}  // namespace

TEST_F(UninstallGuiTest, TheWholeLifeOfAProductEndsWithNothingLeftButTheWorkCopyDueForDeletion) {
    Install("Program=Clean.exe," + marker_ + " \"" + dir_ + "\\Main.exe\"\r\nAllDelete=2\r\n",
            "[RegKey]\r\nItem1=HKEY_CURRENT_USER\\Software\\MivoTests\\UninstallGui\r\n"
            "Item2=HKEY_LOCAL_MACHINE\\SOFTWARE\\MivoTests\\UninstallGui\r\n"
            "Item3=HKEY_CURRENT_USER\\Software\\MivoTests\\UninstallGuiNeverMade\r\n"
            "[RmDir]\r\nItem1=logs\r\nItem2=cache,1\r\n");
    UseProduct();

    UninstallRun run = Uninstall(L"/r", {MessageText(MSG_CONFIRM_UNINSTALL)}, true);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, (std::vector<std::wstring>{MessageText(MSG_CONFIRM_UNINSTALL),
                                                    MessageText(MSG_UNINSTALL_COMPLETE_RESTART)}));

    // The product's uninstall program ran before anything was removed.
    std::string report = installkit::ReadText(marker_);
    EXPECT_EQ(report.substr(0, 14), std::string("p\0r\0e\0s\0e\0n\0t\0", 14));

    EXPECT_FALSE(Exists(dir_));
    EXPECT_FALSE(Exists(group_));
    EXPECT_FALSE(Exists(startup_));
    EXPECT_FALSE(Exists(desktop_));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\MivoTests\\UninstallGui"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\MivoTests\\UninstallGui"));
    EXPECT_FALSE(RegKeyExists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_FALSE(Exists(workInf_));
    EXPECT_TRUE(machine::DeletionPendingFor(FromAnsi(workExe_)));
}

TEST_F(UninstallGuiTest, AnUninstallProgramThatCannotStartStopsBeforeAnythingIsRemoved) {
    Install("Program=Missing.exe,/quiet\r\nAllDelete=2\r\n",
            "[RegKey]\r\nItem1=HKEY_CURRENT_USER\\Software\\MivoTests\\UninstallGui\r\n");
    UseProduct();

    UninstallRun run = Uninstall(L"/R", {MessageText(MSG_CONFIRM_UNINSTALL)}, false);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_EQ(run.boxes,
              (std::vector<std::wstring>{MessageText(MSG_CONFIRM_UNINSTALL), L"Missing.exe の起動に失敗しました。"}));
    EXPECT_TRUE(Exists(dir_ + "\\Main.exe"));
    EXPECT_TRUE(Exists(group_ + "\\Acme Main.lnk"));
    EXPECT_TRUE(RegKeyExists(HKEY_CURRENT_USER, "Software\\MivoTests\\UninstallGui\\Options"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_FALSE(Exists(workInf_));
    EXPECT_TRUE(machine::ProcessesNamed(kUninstaller).empty());
}

TEST_F(UninstallGuiTest, PerUserRemovalTakesOnlyTheUsersShortcutsAndSettings) {
    Install("",
            "[RegKey]\r\nItem1=HKEY_CURRENT_USER\\Software\\MivoTests\\UninstallGui\r\n"
            "Item2=HKEY_LOCAL_MACHINE\\SOFTWARE\\MivoTests\\UninstallGui\r\n"
            "Item3=HKEY_CURRENT_USER\\Software\\MivoTests\\UninstallGuiNeverMade\r\n"
            "[RmDir]\r\nItem1=logs\r\n");
    UseProduct();

    UninstallRun run = Uninstall(L"/U", {MessageText(MSG_CONFIRM_PER_USER_UNINSTALL)}, false);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, (std::vector<std::wstring>{MessageText(MSG_CONFIRM_PER_USER_UNINSTALL),
                                                    MessageText(MSG_PER_USER_REMOVED)}));
    EXPECT_FALSE(Exists(group_));
    EXPECT_FALSE(Exists(startup_));
    EXPECT_FALSE(Exists(desktop_));
    EXPECT_FALSE(RegKeyExists(HKEY_CURRENT_USER, "Software\\MivoTests\\UninstallGui"));
    // The application itself stays for an administrator's full uninstall.
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\MivoTests\\UninstallGui\\Licence"));
    EXPECT_TRUE(RegKeyExists(HKEY_LOCAL_MACHINE, kEntry));
    EXPECT_TRUE(Exists(dir_ + "\\logs\\today.log"));
    EXPECT_TRUE(Exists(dir_ + "\\Setup.inf"));
    EXPECT_FALSE(Exists(workInf_));
    EXPECT_FALSE(machine::DeletionPendingFor(FromAnsi(dir_ + "\\Setup.exe")));
}

TEST_F(UninstallGuiTest, ALinkInTheInstallDirectoryLeavesWhatItPointsToIntact) {
    Install("AllDelete=2\r\n", "[RmDir]\r\nItem1=cache,1\r\n");
    UseProduct();
    const std::string shared = scratchDir_ + "\\Shared data";
    ASSERT_TRUE(CreateDirectoryA(shared.c_str(), nullptr));
    ASSERT_TRUE(installkit::WriteText(shared + "\\precious.txt", "mine"));
    ASSERT_TRUE(CreateDirectoryA((shared + "\\deeper").c_str(), nullptr));
    ASSERT_TRUE(installkit::WriteText(shared + "\\deeper\\also.txt", "mine too"));
    ASSERT_TRUE(testfiles::MakeDirectoryLink(FromAnsi(dir_ + "\\shared"), FromAnsi(shared)));
    ASSERT_TRUE(testfiles::MakeDirectoryLink(FromAnsi(dir_ + "\\cache\\shared"), FromAnsi(shared)));

    UninstallRun run = Uninstall(L"/r", {MessageText(MSG_CONFIRM_UNINSTALL)}, true);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(installkit::ReadText(shared + "\\precious.txt"), "mine");
    EXPECT_EQ(installkit::ReadText(shared + "\\deeper\\also.txt"), "mine too");
    EXPECT_FALSE(Exists(dir_ + "\\user.cfg"));
    EXPECT_FALSE(Exists(dir_ + "\\Main.exe"));
    // Windows removes a link like an empty directory, Wine cannot remove its
    // Unix links at all: then the install directory stays and says so.
    std::vector<std::wstring> expected = {MessageText(MSG_CONFIRM_UNINSTALL)};
    if (Exists(dir_ + "\\shared")) {
        expected.push_back(MessageText(MSG_INSTALL_DIR_DELETE_FAILED));
    } else {
        EXPECT_FALSE(Exists(dir_));
    }
    expected.push_back(MessageText(MSG_UNINSTALL_COMPLETE_RESTART));
    EXPECT_EQ(run.boxes, expected);
}
