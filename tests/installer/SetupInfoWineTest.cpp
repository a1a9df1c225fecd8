// Loading the setup information file through the real private-profile
// functions, in process.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "ReportRecorder.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "support/TestFiles.h"

namespace {

using testfiles::FromAnsi;
using testfiles::ToAnsi;

class SetupInfoTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_setupInfo = SetupInfo();
        g_installer = InstallerState();
        g_installer.runMode = RunMode::Admin;
        std::strcpy(g_installer.installDir, "C:\\dist");
        setupPath_ = work_ / L"Setup.inf";
        std::string ansi = ToAnsi(setupPath_);
        std::strcpy(g_installer.setupFilePath, ansi.c_str());
    }

    void Write(const std::string& text) { ASSERT_TRUE(testfiles::WriteFileBytes(setupPath_, text)); }

    // Loads in `mode`; the text of the box it would show, if any.
    int Load(SetupLoadMode mode, std::wstring* boxText = nullptr) {
        installkit::ReportRecorder answer;
        int result = LoadSetupInfo(answer, mode);
        gui::MessageBoxContent box = answer.One();
        if (boxText) {
            *boxText = box.text;
        } else {
            EXPECT_EQ(box.text, L"") << "unexpected box";
        }
        return result;
    }

    testfiles::ScratchDir work_;
    installkit::ReportRecorder reports_;  // what the item lists would report
    std::wstring setupPath_;
};

std::wstring WindowsDrive() {
    char windows[MAX_PATH] = {};
    GetWindowsDirectoryA(windows, MAX_PATH);
    return FromAnsi(std::string(windows, 2));
}

}  // namespace

TEST_F(SetupInfoTest, ProbeReadsOnlyInstallProhibited) {
    Write("[Install]\r\nInstallProhibited=2\r\nTitle=\r\n[Group]\r\nValue=1\r\n");
    EXPECT_EQ(Load(SetupLoadMode::Probe), 2);
    EXPECT_EQ(g_setupInfo.installProhibited, 2);
    EXPECT_EQ(g_setupInfo.groupValue, 0);  // untouched initial value
    Write("[Install]\r\nTitle=T\r\n");
    EXPECT_EQ(Load(SetupLoadMode::Probe), 0);
}

TEST_F(SetupInfoTest, InstallModeDefaults) {
    Write("[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\nProgram=u.exe\r\nAllDelete=2\r\nRebootDlg=0\r\n");
    ASSERT_EQ(Load(SetupLoadMode::Install), 1);
    const SetupInfo& s = g_setupInfo;
    EXPECT_STREQ(s.title, "T");
    struct IntCase {
        const char* name;
        int32_t value;
        int32_t expected;
    } ints[] = {
        {"InstallProhibited", s.installProhibited, 0},
        {"Group Value", s.groupValue, -1},
        {"Startup Value", s.startupValue, -1},
        {"Desktop Value", s.desktopValue, -1},
        {"Modify", s.modify, 0},
        {"AllUsers", s.allUsers, -1},
        // Uninstall keys are not read in install mode.
        {"AllDelete", s.allDelete, 0},
        {"RebootDlg", s.rebootDlg, 0},
        {"NotAdmin", s.notAdmin, 0},
    };
    for (const IntCase& c : ints) {
        EXPECT_EQ(c.value, c.expected) << c.name;
    }
    for (const char* text :
         {s.groupName, s.uninstallKey, s.textFile, s.program, s.installDirEntry, s.installDirReg, s.message,
          s.groupInfo, s.startupInfo, s.desktopInfo, s.uninstallName, s.iconFile, s.publisher, s.urlInfoAbout,
          s.displayVersion, s.helpLink, s.urlUpdateInfo, s.uninstallDir}) {
        EXPECT_STREQ(text, "");
    }
    EXPECT_EQ(s.transferMode, TransferMode::InPlace);
    EXPECT_STREQ(g_installer.installDir, "C:\\dist");
}

TEST_F(SetupInfoTest, UninstallModeDefaultsAndKeysOfTheOtherModeStayEmpty) {
    Write(
        "[Install]\r\nTitle=T\r\nProgram=i.exe\r\nTextFile=doc.txt\r\nInstallDir=\\X\r\nMessage=M\r\n"
        "[Uninstall]\r\nTitle=U\r\nName=N\r\nPublisher=P\r\n");
    ASSERT_EQ(Load(SetupLoadMode::Uninstall), 1);
    const SetupInfo& s = g_setupInfo;
    EXPECT_STREQ(s.title, "U");
    EXPECT_EQ(s.allDelete, 0);
    EXPECT_EQ(s.rebootDlg, 1);
    EXPECT_EQ(s.notAdmin, 0);
    EXPECT_EQ(s.allUsers, -1);
    EXPECT_EQ(s.groupValue, -1);
    EXPECT_STREQ(s.program, "");  // "Install" "Program" belongs to the other mode
    for (const char* text : {s.textFile, s.installDirEntry, s.message, s.uninstallName, s.publisher}) {
        EXPECT_STREQ(text, "");
    }
    EXPECT_EQ(s.transferMode, TransferMode::InPlace);
    EXPECT_STREQ(g_installer.installDir, "C:\\dist");
}

TEST_F(SetupInfoTest, EveryKeyReachesItsMember) {
    Write(
        "[install]\r\ninstallprohibited=0\r\nTITLE=Installer title\r\nTextFile=readme.txt\r\n"
        "Program=bin\\app.exe, -a\r\nInstallDir=\\Acme\r\nInstallDirReg=\r\nIsFileDelAfterMivo=0\r\n"
        "Message=Done!\r\nAllUsers=2\r\n"
        "[Group]\r\nValue=1\r\nGroupName=Acme Tools\r\nInfo=group help\r\n"
        "[Startup]\r\nValue=0\r\nInfo=startup help\r\n"
        "[Desktop]\r\nValue=-1\r\nInfo=desktop help\r\n"
        "[Uninstall]\r\nTitle=Remover\r\nKey=AcmeKey\r\nName=Acme\r\nModify=1\r\nIconFile=app.exe\r\n"
        "Publisher=Acme Inc.\r\nURLInfoAbout=http://acme.example/\r\nDisplayVersion=1.2.3\r\n"
        "HelpLink=http://acme.example/help\r\nURLUpdateInfo=http://acme.example/up\r\n"
        "AllDelete=2\r\nRebootDlg=0\r\nProgram=cleanup.exe\r\nNotAdmin=1\r\n");
    ASSERT_EQ(Load(SetupLoadMode::Install), 1);
    const SetupInfo& s = g_setupInfo;
    struct TextCase {
        const char* key;
        const char* value;
        const char* expected;
    } texts[] = {
        {"Install Title", s.title, "Installer title"},
        {"TextFile", s.textFile, "readme.txt"},
        {"Install Program", s.program, "bin\\app.exe, -a"},
        {"InstallDir", s.installDirEntry, "\\Acme"},
        {"Message", s.message, "Done!"},
        {"GroupName", s.groupName, "Acme Tools"},
        {"Group Info", s.groupInfo, "group help"},
        {"Startup Info", s.startupInfo, "startup help"},
        {"Desktop Info", s.desktopInfo, "desktop help"},
        {"Key", s.uninstallKey, "AcmeKey"},
        {"Name", s.uninstallName, "Acme"},
        {"IconFile", s.iconFile, "app.exe"},
        {"Publisher", s.publisher, "Acme Inc."},
        {"URLInfoAbout", s.urlInfoAbout, "http://acme.example/"},
        {"DisplayVersion", s.displayVersion, "1.2.3"},
        {"HelpLink", s.helpLink, "http://acme.example/help"},
        {"URLUpdateInfo", s.urlUpdateInfo, "http://acme.example/up"},
    };
    for (const TextCase& c : texts) {
        EXPECT_STREQ(c.value, c.expected) << c.key;
    }
    EXPECT_EQ(s.groupValue, 1);
    EXPECT_EQ(s.startupValue, 0);
    EXPECT_EQ(s.desktopValue, -1);
    EXPECT_EQ(s.modify, 1);
    EXPECT_EQ(s.allUsers, 2);
    EXPECT_EQ(s.transferMode, TransferMode::Copy);
    EXPECT_EQ(FromAnsi(g_installer.installDir), WindowsDrive() + L"\\Acme");

    g_setupInfo = SetupInfo();
    ASSERT_EQ(Load(SetupLoadMode::Uninstall), 1);
    EXPECT_STREQ(s.title, "Remover");
    EXPECT_STREQ(s.program, "cleanup.exe");
    EXPECT_STREQ(s.uninstallKey, "AcmeKey");
    EXPECT_EQ(s.allDelete, 2);
    EXPECT_EQ(s.rebootDlg, 0);
    EXPECT_EQ(s.notAdmin, 1);
    EXPECT_EQ(s.allUsers, 2);
}

TEST_F(SetupInfoTest, LongValuesAreCutToTheirCapacity) {
    struct Case {
        const char* section;
        const char* key;
        SetupLoadMode mode;
        std::function<const char*()> member;
        size_t capacity;
    } cases[] = {
        {"Install", "Title", SetupLoadMode::Install, [] { return g_setupInfo.title; }, 128},
        {"Uninstall", "Title", SetupLoadMode::Uninstall, [] { return g_setupInfo.title; }, 128},
        {"Group", "GroupName", SetupLoadMode::Install, [] { return g_setupInfo.groupName; }, 128},
        {"Uninstall", "Key", SetupLoadMode::Uninstall, [] { return g_setupInfo.uninstallKey; }, 128},
        {"Install", "TextFile", SetupLoadMode::Install, [] { return g_setupInfo.textFile; }, 256},
        {"Install", "Program", SetupLoadMode::Install, [] { return g_setupInfo.program; }, 256},
        {"Uninstall", "Program", SetupLoadMode::Uninstall, [] { return g_setupInfo.program; }, 256},
        {"Install", "Message", SetupLoadMode::Install, [] { return g_setupInfo.message; }, 256},
        {"Group", "Info", SetupLoadMode::Install, [] { return g_setupInfo.groupInfo; }, 256},
        {"Startup", "Info", SetupLoadMode::Install, [] { return g_setupInfo.startupInfo; }, 256},
        {"Desktop", "Info", SetupLoadMode::Install, [] { return g_setupInfo.desktopInfo; }, 256},
        {"Uninstall", "Name", SetupLoadMode::Install, [] { return g_setupInfo.uninstallName; }, 128},
        {"Uninstall", "IconFile", SetupLoadMode::Install, [] { return g_setupInfo.iconFile; }, 256},
        {"Uninstall", "Publisher", SetupLoadMode::Install, [] { return g_setupInfo.publisher; }, 64},
        {"Uninstall", "URLInfoAbout", SetupLoadMode::Install, [] { return g_setupInfo.urlInfoAbout; }, 256},
        {"Uninstall", "DisplayVersion", SetupLoadMode::Install, [] { return g_setupInfo.displayVersion; }, 32},
        {"Uninstall", "HelpLink", SetupLoadMode::Install, [] { return g_setupInfo.helpLink; }, 256},
        {"Uninstall", "URLUpdateInfo", SetupLoadMode::Install, [] { return g_setupInfo.urlUpdateInfo; }, 256},
    };
    const std::string longValue(300, 'v');
    for (const Case& c : cases) {
        g_setupInfo = SetupInfo();
        // The long key comes first in its section, so that it wins over the
        // titles every load needs.
        std::string file = "[" + std::string(c.section) + "]\r\n" + c.key + "=" + longValue + "\r\n" +
                           "[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\n";
        std::string section = c.section;
        if (section == "Install" || section == "Uninstall") {
            file = "[" + section + "]\r\n" + c.key + "=" + longValue + "\r\nTitle=" + section + "\r\n" +
                   (section == "Install" ? "[Uninstall]\r\nTitle=U\r\n" : "[Install]\r\nTitle=T\r\n");
        }
        Write(file);
        ASSERT_EQ(Load(c.mode), 1) << c.section << " " << c.key;
        EXPECT_EQ(std::string(c.member()), longValue.substr(0, c.capacity - 1)) << c.section << " " << c.key;
    }
}

TEST_F(SetupInfoTest, AnEmptyTitleOfTheLoadedModeIsRefusedWithThePath) {
    const std::wstring expected = L"セットアップ情報ファイル（" + setupPath_ + L"）の内容が不正です。";
    struct Case {
        const char* file;
        SetupLoadMode mode;
    } cases[] = {
        {"[Install]\r\nTitle=\r\n[Uninstall]\r\nTitle=U\r\n", SetupLoadMode::Install},
        {"[Uninstall]\r\nTitle=U\r\n", SetupLoadMode::Install},
        {"[Install]\r\nTitle=T\r\n", SetupLoadMode::Uninstall},
    };
    for (const Case& c : cases) {
        Write(c.file);
        std::wstring box;
        EXPECT_EQ(Load(c.mode, &box), 0) << c.file;
        EXPECT_EQ(box, expected) << c.file;
    }
}

TEST_F(SetupInfoTest, TransferModeFollowsInstallDirAndIsFileDelAfterMivo) {
    struct Case {
        const char* keys;
        TransferMode mode;
        bool dirChanges;
    } cases[] = {
        {"InstallDir=\\Tools\r\n", TransferMode::Move, true},
        {"InstallDir=\\Tools\r\nIsFileDelAfterMivo=1\r\n", TransferMode::Move, true},
        {"InstallDir=\\Tools\r\nIsFileDelAfterMivo=0\r\n", TransferMode::Copy, true},
        {"InstallDir=\\Tools\r\nIsFileDelAfterMivo=2\r\n", TransferMode::Copy, true},
        // Without an install directory the registry key is not even looked at.
        {"InstallDir=\r\nInstallDirReg=nonsense\r\nIsFileDelAfterMivo=1\r\n", TransferMode::InPlace, false},
    };
    for (const Case& c : cases) {
        g_setupInfo = SetupInfo();
        std::strcpy(g_installer.installDir, "C:\\dist");
        Write(std::string("[Install]\r\nTitle=T\r\n") + c.keys);
        ASSERT_EQ(Load(SetupLoadMode::Install), 1) << c.keys;
        EXPECT_EQ(g_setupInfo.transferMode, c.mode) << c.keys;
        std::wstring expectedDir = c.dirChanges ? WindowsDrive() + L"\\Tools" : L"C:\\dist";
        EXPECT_EQ(FromAnsi(g_installer.installDir), expectedDir) << c.keys;
        EXPECT_STREQ(g_setupInfo.installDirReg, "");
    }
}

TEST_F(SetupInfoTest, ABadInstallDirRegEndsTheLoad) {
    Write("[Install]\r\nTitle=T\r\nInstallDir=Acme\r\nInstallDirReg=HKEY_USERS\\Software\\Acme\r\n");
    std::wstring box;
    EXPECT_EQ(Load(SetupLoadMode::Install, &box), 0);
    EXPECT_EQ(box, L"セットアップ情報ファイル（" + setupPath_ + L"）の内容が不正です。");
}

TEST_F(SetupInfoTest, ModifyIsSuppressedWhenInstallingIsProhibited) {
    for (int prohibited : {0, 1, 2, -1}) {
        g_setupInfo = SetupInfo();
        Write("[Install]\r\nTitle=T\r\nInstallProhibited=" + std::to_string(prohibited) +
              "\r\n[Uninstall]\r\nModify=1\r\n");
        ASSERT_EQ(Load(SetupLoadMode::Install), 1);
        EXPECT_EQ(g_setupInfo.modify, prohibited == 0 ? 1 : 0) << prohibited;
    }
}

TEST_F(SetupInfoTest, AllUsersAndNotAdminDependOnTheRunMode) {
    struct Case {
        RunMode runMode;
        SetupLoadMode load;
        int32_t allUsers;
        int32_t notAdmin;
    } cases[] = {
        {RunMode::Admin, SetupLoadMode::Install, 1, 0},      {RunMode::PerUser, SetupLoadMode::Install, -1, 0},
        {RunMode::Win9x, SetupLoadMode::Install, -1, 0},     {RunMode::Admin, SetupLoadMode::Uninstall, 1, 1},
        {RunMode::PerUser, SetupLoadMode::Uninstall, -1, 1}, {RunMode::Win9x, SetupLoadMode::Uninstall, -1, 0},
    };
    Write("[Install]\r\nTitle=T\r\nAllUsers=1\r\n[Uninstall]\r\nTitle=U\r\nNotAdmin=1\r\n");
    for (const Case& c : cases) {
        g_setupInfo = SetupInfo();
        g_installer.runMode = c.runMode;
        ASSERT_EQ(Load(c.load), 1);
        EXPECT_EQ(g_setupInfo.allUsers, c.allUsers) << static_cast<int>(c.runMode);
        EXPECT_EQ(g_setupInfo.notAdmin, c.notAdmin) << static_cast<int>(c.runMode);
    }
}

TEST_F(SetupInfoTest, ShiftJisValuesArriveWhole) {
    std::string title = ToAnsi(L"表示ソフト｜セットアップ");
    Write("[Install]\r\nTitle=" + title + "\r\n");
    ASSERT_EQ(Load(SetupLoadMode::Install), 1);
    EXPECT_EQ(std::string(g_setupInfo.title), title);
}

namespace {

std::vector<std::string> Entries(const ItemList& list) {
    std::vector<std::string> entries;
    for (const ItemNode* node = list.First(); node; node = node->next) {
        entries.push_back(node->text);
    }
    return entries;
}

}  // namespace

TEST_F(SetupInfoTest, ItemListsStopAtTheFirstGapAndAfterItem99) {
    std::string many = "[Files]\r\n";
    for (int n = 1; n <= 100; ++n) {
        many += "Item" + std::to_string(n) + "=f" + std::to_string(n) + "\r\n";
    }
    struct Case {
        std::string file;
        const char* section;
        std::vector<std::string> entries;
    } cases[] = {
        {"[Files]\r\nItem1=a.exe\r\nItem3=c.exe\r\n", "Files", {"a.exe"}},
        {"[Files]\r\nItem2=b.exe\r\n", "Files", {}},
        {"[Files]\r\nItem1=\r\nItem2=b.exe\r\n", "Files", {}},
        {"[Files]\r\n", "Files", {}},
        {"[Install]\r\nTitle=T\r\n", "RmDir", {}},
        {"[RegKey]\r\nitem1=HKEY_CURRENT_USER\\A\r\nITEM2=HKEY_CURRENT_USER\\B\r\n",
         "regkey",
         {"HKEY_CURRENT_USER\\A", "HKEY_CURRENT_USER\\B"}},
        {"[Group]\r\nItem1 = App , App.exe\r\n", "Group", {"App , App.exe"}},
    };
    for (const Case& c : cases) {
        Write(c.file);
        ItemList list = ReadItemList(reports_, c.section);
        ASSERT_TRUE(list) << c.file;
        EXPECT_EQ(Entries(list), c.entries) << c.file;
    }
    Write(many);
    ItemList list = ReadItemList(reports_, "Files");
    std::vector<std::string> entries = Entries(list);
    ASSERT_EQ(entries.size(), 99u);
    EXPECT_EQ(entries.back(), "f99");
}

TEST_F(SetupInfoTest, ItemListEntriesAreCutTo255BytesAndFreedOnce) {
    Write("[Files]\r\nItem1=" + std::string(400, 'x') + "\r\nItem2=y\r\n");
    ItemList list = ReadItemList(reports_, "Files");
    ASSERT_TRUE(list);
    EXPECT_EQ(std::string(list.First()->text), std::string(255, 'x'));
    ItemList moved = std::move(list);
    EXPECT_FALSE(list);
    EXPECT_EQ(Entries(moved).size(), 2u);
    FreeItemList(moved);
    EXPECT_FALSE(moved);
    FreeItemList(moved);  // a second release is harmless
}

TEST_F(SetupInfoTest, LongShiftJisValuesAreCutWithoutOverflowOrHalfCharacters) {
    std::wstring wide;
    for (int i = 0; i < 100; ++i) {
        wide += i % 2 ? L"表" : L"ソ";  // both end in a 0x5C trail byte
    }
    std::string value = ToAnsi(wide);
    Write("[Install]\r\nTitle=" + value + "\r\nMessage=a" + value + "\r\n");
    ASSERT_EQ(Load(SetupLoadMode::Install), 1);
    for (const std::string& got : {std::string(g_setupInfo.title), std::string(g_setupInfo.message).substr(1)}) {
        ASSERT_LE(got.size(), 255u);
        EXPECT_GE(got.size(), 120u);
        EXPECT_EQ(got, value.substr(0, got.size()));
        EXPECT_EQ(got.size() % 2, 0u) << "half a character left at the end";
    }
    EXPECT_LE(std::strlen(g_setupInfo.title), 127u);
    EXPECT_EQ(std::strlen(g_setupInfo.message), 200u + 1u);
}
