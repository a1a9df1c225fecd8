// Loading the setup information file through the real private-profile
// functions, in process.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

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

// The list reads its section at once; each entry must come out as the
// profile function reads that one key.
TEST_F(SetupInfoTest, ItemListEntriesReadAsTheProfileFunctionReadsEachKey) {
    const std::string files[] = {
        "[Files]\r\n  item1  =  a.exe , 1  \r\nITEM2=\"quoted, value\"\r\nItem3='single'\r\nItem4=\"half\r\n"
        "Item5=x=y\r\nItem2=duplicate\r\n; Item6=comment\r\nItem6=\t\"\"b\"\" \r\nItem7=\"\r\n"
        "Item8=" +
            std::string(300, 'z') + "\r\n[Other]\r\nItem9=other\r\n",
        "[Files]\r\nItem1=a\r\nItem2=\"\"\r\nItem3=c\r\n",
        "[Files]\r\nItem1=a\r\nItem2\r\nItem3=c\r\n",
    };
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        Write(file);
        std::vector<std::string> expected;
        for (int n = 1; n <= 99; ++n) {
            char value[256] = {};
            GetPrivateProfileStringA("Files", ("Item" + std::to_string(n)).c_str(), "", value, sizeof value,
                                     g_installer.setupFilePath);
            if (value[0] == '\0') {
                break;
            }
            expected.push_back(value);
        }
        ItemList list = ReadItemList(reports_, "Files");
        ASSERT_TRUE(list);
        EXPECT_EQ(Entries(list), expected);
    }
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

namespace {

// Every text member of the loaded record (and the install directory it may
// set) is terminated inside its array and does not end in half a character.
void ExpectWholeTexts(const std::string& what) {
    struct Text {
        const char* name;
        const char* text;
        size_t capacity;
    };
    const SetupInfo& s = g_setupInfo;
#define TEXT_MEMBER(member)                 \
    Text {                                  \
#member, s.member, sizeof(s.member) \
    }
    const Text texts[] = {
        TEXT_MEMBER(title),           TEXT_MEMBER(groupName),
        TEXT_MEMBER(uninstallKey),    TEXT_MEMBER(textFile),
        TEXT_MEMBER(installDirEntry), TEXT_MEMBER(installDirReg),
        TEXT_MEMBER(message),         TEXT_MEMBER(groupInfo),
        TEXT_MEMBER(startupInfo),     TEXT_MEMBER(desktopInfo),
        TEXT_MEMBER(uninstallName),   TEXT_MEMBER(iconFile),
        TEXT_MEMBER(publisher),       TEXT_MEMBER(urlInfoAbout),
        TEXT_MEMBER(displayVersion),  TEXT_MEMBER(helpLink),
        TEXT_MEMBER(urlUpdateInfo),   TEXT_MEMBER(program),
        TEXT_MEMBER(uninstallDir),    Text{"installDir", g_installer.installDir, sizeof(g_installer.installDir)},
    };
#undef TEXT_MEMBER
    for (const Text& t : texts) {
        const char* end = static_cast<const char*>(std::memchr(t.text, '\0', t.capacity));
        ASSERT_NE(end, nullptr) << what << ": " << t.name << " not terminated";
        for (const char* p = t.text; p < end; p = CharNextExA(932, p, 0)) {
            EXPECT_FALSE(IsDBCSLeadByteEx(932, static_cast<BYTE>(*p)) && p + 1 == end)
                << what << ": " << t.name << " ends in half a character";
        }
    }
}

// The entries of every list section: at most 99, each whole and below 256 bytes.
void ExpectWholeItemLists(const std::string& what, const char* extraSection) {
    for (const char* section : {"Files", "Group", "Startup", "Desktop", "RmDir", "RegKey", extraSection}) {
        installkit::ReportRecorder answer;
        ItemList list = ReadItemList(answer, section);
        EXPECT_EQ(answer.One().text, L"") << what << " [" << section << "]";
        ASSERT_TRUE(list) << what << " [" << section << "]";
        int count = 0;
        for (const ItemNode* node = list.First(); node; node = node->next) {
            ++count;
            size_t length = strnlen(node->text, kItemCapacity);
            ASSERT_LT(length, kItemCapacity) << what << " [" << section << "]";
            const char* end = node->text + length;
            for (const char* p = node->text; p < end; p = CharNextExA(932, p, 0)) {
                EXPECT_FALSE(IsDBCSLeadByteEx(932, static_cast<BYTE>(*p)) && p + 1 == end)
                    << what << " [" << section << "] entry " << count << " ends in half a character";
            }
        }
        EXPECT_LE(count, kMaxItems) << what << " [" << section << "]";
    }
}

// Every key the loader reads, by section.
const char* const kKeys[][2] = {
    {"Install", "InstallProhibited"},
    {"Install", "Title"},
    {"Install", "TextFile"},
    {"Install", "Program"},
    {"Install", "InstallDir"},
    {"Install", "InstallDirReg"},
    {"Install", "IsFileDelAfterMivo"},
    {"Install", "Message"},
    {"Install", "AllUsers"},
    {"Group", "Value"},
    {"Group", "GroupName"},
    {"Group", "Info"},
    {"Startup", "Value"},
    {"Startup", "Info"},
    {"Desktop", "Value"},
    {"Desktop", "Info"},
    {"Uninstall", "Title"},
    {"Uninstall", "Key"},
    {"Uninstall", "Name"},
    {"Uninstall", "Modify"},
    {"Uninstall", "IconFile"},
    {"Uninstall", "Publisher"},
    {"Uninstall", "URLInfoAbout"},
    {"Uninstall", "DisplayVersion"},
    {"Uninstall", "HelpLink"},
    {"Uninstall", "URLUpdateInfo"},
    {"Uninstall", "Program"},
    {"Uninstall", "AllDelete"},
    {"Uninstall", "RebootDlg"},
    {"Uninstall", "NotAdmin"},
};

// A setup file with `value(section, key)` for every key, sections in order.
std::string EveryKey(const std::function<std::string(const std::string&, const std::string&)>& value) {
    std::string file;
    std::string current;
    for (const auto& key : kKeys) {
        if (current != key[0]) {
            current = key[0];
            file += "[" + current + "]\r\n";
        }
        file += std::string(key[1]) + "=" + value(key[0], key[1]) + "\r\n";
    }
    return file;
}

// Item1..Item100 of a list section, each `value`, with Item0 before them.
std::string Items(const std::string& section, const std::string& value) {
    std::string text = "[" + section + "]\r\nItem0=" + value + "\r\n";
    for (int n = 1; n <= 100; ++n) {
        text += "Item" + std::to_string(n) + "=" + value + "\r\n";
    }
    return text;
}

}  // namespace

// Setup files an attacker or a careless author could ship: each load ends in
// the record or in the error box, never in a crash, an overflow or a hang;
// whatever arrives is whole.
TEST_F(SetupInfoTest, HostileSetupFilesEndInTheRecordOrAnErrorBox) {
    // ソ and 表 end in a 0x5C trail byte; a long run of them ends wherever a
    // buffer does.
    std::string soHyo;
    for (int i = 0; i < 2500; ++i) {
        soHyo += i % 2 ? "\x95\x5C" : "\x83\x5C";
    }
    const std::string longAscii(5000, 'v');
    const std::string longDigits(5000, '9');
    auto isNumber = [](const std::string& key) {
        for (const char* number : {"InstallProhibited", "IsFileDelAfterMivo", "AllUsers", "Value", "Modify",
                                   "AllDelete", "RebootDlg", "NotAdmin"}) {
            if (key == number) {
                return true;
            }
        }
        return false;
    };
    std::string junk;
    uint32_t seed = 5;
    for (int i = 0; i < 65536; ++i) {
        seed = seed * 1664525u + 1013904223u;
        junk += char(seed >> 24);
    }
    const std::string numbers =
        "[Install]\r\nTitle=T\r\nInstallProhibited=-2147483649\r\nIsFileDelAfterMivo=1e9\r\nAllUsers=+1\r\n"
        "InstallDir=\\Tools\r\n[Group]\r\nValue=99999999999999999999\r\n[Startup]\r\nValue=-1\r\n"
        "[Desktop]\r\nValue=2147483648\r\n[Uninstall]\r\nTitle=U\r\nModify=  -0\r\nAllDelete=-4294967297\r\n"
        "RebootDlg=4294967297\r\nNotAdmin=0x10\r\n";
    std::string huge = "[Install]\r\nTitle=T\r\n[Uninstall]\r\nTitle=U\r\n[Padding]\r\n";
    while (huge.size() < (2u << 20)) {
        huge += "; " + std::string(98, 'c') + "\r\n";
    }
    huge += Items("Files", "big.dat");

    // The load's result in install and uninstall mode: 1 the record, 0 the
    // error box (the loaded mode's title missing, or an unusable
    // InstallDirReg); -1 either, where Windows and Wine may read the file
    // differently.
    struct Case {
        std::string what;
        std::string file;  // none: no file at all
        const char* extraSection;
        int install, uninstall;
    } cases[] = {
        {"over-long text in every key",
         EveryKey([&](const std::string&, const std::string& key) { return isNumber(key) ? longDigits : longAscii; }),
         "Files", 0, 1},
        {"over-long Shift-JIS in every key",
         EveryKey([&](const std::string&, const std::string& key) { return isNumber(key) ? "-" + longDigits : soHyo; }),
         "Files", 0, 1},
        {"Shift-JIS names ending in 0x5C",
         "[Install]\r\nTitle=\x83\x5C\r\nInstallDir=\x83\x5C\\\x95\x5C\r\nInstallDirReg=HKEY_CURRENT_USER\\Software\\" +
             soHyo.substr(0, 300) + "\r\n[Group]\r\nGroupName=\x95\x5C\\\r\n[\x83\x5C\x95\x5C]\r\nItem1=\x83\x5C\r\n" +
             Items("Files", soHyo.substr(0, 301)) + Items("Group", "\x83\x5C,\x95\x5C\\\x83\x5C.exe"),
         "\x83\x5C\x95\x5C", 1, 0},
        {"no file", "", "Files", 0, 0},
        {"empty file", "", "Files", 0, 0},
        {"sections without keys", "[Install]\r\n[Uninstall]\r\n[Group]\r\n[Files]\r\n", "Files", 0, 0},
        {"keys before any section", "Title=T\r\nItem1=a\r\n", "Files", 0, 0},
        {"unclosed section", "[Install\r\nTitle=T\r\n[Uninstall\r\nTitle=U", "Files", -1, -1},
        {"item gaps and Item100",
         "[Install]\r\nTitle=T\r\n[Files]\r\nItem1=a\r\nItem2=\r\nItem3=c\r\n" + Items("RmDir", soHyo.substr(0, 600)) +
             Items("RegKey", "HKEY_CURRENT_USER\\" + longAscii),
         "Files", 1, 0},
        {"huge and negative numbers", numbers, "Files", 1, 1},
        {"random bytes", junk, "Files", -1, -1},
        {"a line of 100000 bytes", "[Install]\r\nTitle=" + std::string(100000, 't') + "\r\n", "Files", -1, 0},
        {"two megabytes", huge, "Files", 1, 1},
    };
    for (const Case& c : cases) {
        if (c.what == "no file") {
            DeleteFileW(setupPath_.c_str());
        } else {
            Write(c.file);
        }
        for (SetupLoadMode mode : {SetupLoadMode::Probe, SetupLoadMode::Install, SetupLoadMode::Uninstall}) {
            g_setupInfo = SetupInfo();
            std::strcpy(g_installer.installDir, "C:\\dist");
            std::wstring box;
            int result = Load(mode, &box);
            std::string what = c.what + " (mode " + std::to_string(static_cast<int>(mode)) + ")";
            if (mode != SetupLoadMode::Probe) {
                EXPECT_TRUE((result == 1 && box.empty()) || (result == 0 && !box.empty()))
                    << what << ": result " << result << ", box " << testfiles::ToUtf8(box);
                int expected = mode == SetupLoadMode::Install ? c.install : c.uninstall;
                if (expected >= 0) {
                    EXPECT_EQ(result, expected) << what;
                }
            } else {
                EXPECT_EQ(box, L"") << what;
            }
            ExpectWholeTexts(what);
        }
        ExpectWholeItemLists(c.what, c.extraSection);
    }
}
