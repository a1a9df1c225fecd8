#include <gtest/gtest.h>

#include <objbase.h>
#include <shlobj.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "InstallTestKit.h"
#include "ShiftJisText.h"
#include "engine/InstallerState_win.h"
#include "engine/Shortcut_win.h"
#include "support/TestFiles.h"

namespace {

class ShortcutTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::strcpy(g_installer.ownFileName, "Setup.exe");
        root_ = testfiles::ToAnsi(work_.Path());
        app_ = root_ + "\\App";
        links_ = root_ + "\\Links";
        ASSERT_TRUE(CreateDirectoryA(app_.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(links_.c_str(), nullptr));
        for (const char* name : {"a.exe", "Setup.exe", "icons.dll", SO}) {
            ASSERT_TRUE(testfiles::WriteFileBytes(testfiles::FromAnsi(app_ + "\\" + name), "MZ"));
        }
    }
    std::wstring LinkPath(const std::string& name) const { return testfiles::FromAnsi(links_ + "\\" + name + ".lnk"); }

    testfiles::ScratchDir work_;
    std::string root_, app_, links_;
};

}  // namespace

TEST_F(ShortcutTest, LinksReadBackWithWhatWasAskedFor) {
    std::string a = app_ + "\\a.exe";
    std::string setup = app_ + "\\Setup.exe";
    std::string icons = app_ + "\\icons.dll";
    std::string japanese = app_ + "\\" SO;
    struct Case {
        const char* name;
        std::string target;
        const char* arguments;
        std::string iconPath;
        int iconIndex;
        // Expected:
        std::string workingDirectory;
        std::string storedIconPath;
        int storedIconIndex;
    } cases[] = {
        {"Program", a, "", "", -1, app_, "", 0},
        {"WithArguments", a, "-x \"y z\"", "", -1, app_, "", 0},
        // The installer itself, by any case of its name, gets no working directory.
        {"Uninstall", setup, "/r", "", -1, "", "", 0},
        {"UserRemoval", app_ + "\\SETUP.EXE", "/u", "", -1, "", "", 0},
        // An index without an icon file takes the icon from the target.
        {"TargetIcon", a, "", "", 0, app_, a, 0},
        {"TargetIcon2", a, "", "", 2, app_, a, 2},
        {"IconFile", a, "", icons, 3, app_, icons, 3},
        // An icon file without an index is not used.
        {"IconFileNoIndex", a, "", icons, -1, app_, "", 0},
        // The file name's trail byte is not the separator.
        {"JapaneseTarget", japanese, "", "", -1, app_, "", 0},
        {"\x83\x41\x83\x93\x83\x43\x83\x93\x83\x58\x83\x67\x81\x5B\x83\x8B", setup, "/r", "", 0, "", setup, 0},
        {SO "\x83\x74\x83\x67", a, "", "", -1, app_, "", 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(
            CreateShortcut(c.target.c_str(), c.arguments, links_.c_str(), c.name, c.iconPath.c_str(), c.iconIndex))
            << c.name;
        EXPECT_EQ(
            testfiles::ReadShortcut(LinkPath(c.name)),
            installkit::LinkTo(c.target, c.arguments, c.workingDirectory, c.name, c.storedIconPath, c.storedIconIndex))
            << c.name;
    }
}

TEST_F(ShortcutTest, ShiftJisNameIsSavedUnderItsUnicodeFileName) {
    const char name[] = SO "\x83\x74\x83\x67";  // ソフト
    ASSERT_TRUE(CreateShortcut((app_ + "\\a.exe").c_str(), "", links_.c_str(), name, "", -1));
    EXPECT_TRUE(testfiles::FileExists(testfiles::FromAnsi(links_) + L"\\ソフト.lnk"));
}

TEST_F(ShortcutTest, ExistingShortcutIsOverwritten) {
    std::string a = app_ + "\\a.exe";
    ASSERT_TRUE(CreateShortcut(a.c_str(), "/first", links_.c_str(), "Same", "", -1));
    ASSERT_TRUE(CreateShortcut(a.c_str(), "/second", links_.c_str(), "Same", "", 1));
    testfiles::Shortcut link = testfiles::ReadShortcut(LinkPath("Same"));
    EXPECT_EQ(link.arguments, L"/second");
    EXPECT_EQ(link.iconIndex, 1);
}

TEST_F(ShortcutTest, MissingFolderOrOverlongPathFails) {
    std::string a = app_ + "\\a.exe";
    EXPECT_FALSE(CreateShortcut(a.c_str(), "", (root_ + "\\NoSuchFolder").c_str(), "Program", "", -1));
    std::string longName(MAX_PATH, 'n');
    EXPECT_FALSE(CreateShortcut(a.c_str(), "", links_.c_str(), longName.c_str(), "", -1));
}

TEST_F(ShortcutTest, CallerKeepsItsOwnComInitialisation) {
    // A thread already in the multi-threaded apartment cannot enter a
    // single-threaded one; the shortcut is made all the same, and the
    // thread's own initialisation survives it.
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    ASSERT_TRUE(CreateShortcut((app_ + "\\a.exe").c_str(), "", links_.c_str(), "Program", "", -1));
    IShellLinkA* link = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    if (link) {
        link->Release();
    }
    CoUninitialize();
}
