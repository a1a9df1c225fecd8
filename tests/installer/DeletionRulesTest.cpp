#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ShiftJisText.h"
#include "engine/DeletionRules.h"

namespace {

ProtectedDirectories MachineLikeWindows() {
    ProtectedDirectories dirs;
    for (const char* dir : {"C:\\Windows\\System32", "C:\\Program Files", "C:\\Program Files\\Common Files",
                            "C:\\Users\\bob", "C:\\Users\\bob\\Documents", "C:\\Users\\bob\\AppData\\Roaming"}) {
        AddProtectedDirectory(dirs, dir, NextShiftJis);
    }
    AddProtectedTree(dirs, "C:\\Windows", NextShiftJis);
    AddProfileParent(dirs, "C:\\Users\\bob", NextShiftJis);
    dirs.localHosts = {"MYPC", "MYPC.EXAMPLE.ORG"};
    return dirs;
}

}  // namespace

TEST(DeletionRules, CanonicalPathsOfOneDirectoryAgree) {
    struct Case {
        const char* path;
        const char* canonical;
    } cases[] = {
        {"C:\\Windows", "C:\\WINDOWS"},
        {"c:/windows/", "C:\\WINDOWS"},
        {"C:\\\\Windows\\\\", "C:\\WINDOWS"},
        {"C:\\Windows\\.\\System32\\..", "C:\\WINDOWS"},
        {"C:\\Windows.  ", "C:\\WINDOWS"},
        {"C:\\Windows\\.. \\Windows", "C:\\WINDOWS"},
        {"C:\\Program Files\\Acme\\..\\..\\", "C:"},
        {"C:\\..\\..\\Windows", "C:\\WINDOWS"},
        {"\\\\?\\C:\\Windows", "C:\\WINDOWS"},
        {"\\\\.\\c:\\windows", "C:\\WINDOWS"},
        {"\\\\server\\share\\Dir", "\\\\SERVER\\SHARE\\DIR"},
        {"\\\\?\\UNC\\server\\share\\..", "\\\\SERVER\\SHARE"},
        {"C:\\" SO "\\x", "C:\\" SO "\\X"},
        {"C:\\" SO "\\..", "C:"},
        {"C:\\" FULL_A "b", "C:\\" FULL_A "B"},
    };
    for (const Case& c : cases) {
        std::string canonical;
        EXPECT_TRUE(CanonicalTargetPath(c.path, NextShiftJis, canonical)) << c.path;
        EXPECT_EQ(canonical, c.canonical) << c.path;
    }
}

TEST(DeletionRules, PathsThatAreNotAbsoluteHaveNoCanonicalForm) {
    for (const char* path :
         {"", "Acme", "\\Acme", "C:", "C:Acme", "1:\\x", "\\\\server", "\\\\server\\", "\\\\server\\ . ", "\\\\?\\"}) {
        std::string canonical = "unchanged";
        EXPECT_FALSE(CanonicalTargetPath(path, NextShiftJis, canonical)) << path;
        EXPECT_EQ(canonical, "") << path;
    }
}

TEST(DeletionRules, RecursiveDeletionTargetsAreCheckedAgainstTheSystemsDirectories) {
    const ProtectedDirectories dirs = MachineLikeWindows();
    struct Case {
        const char* target;
        bool refused;
    } cases[] = {
        // Roots and paths that do not say where they are.
        {"C:\\", true},
        {"C:", true},
        {"c:/", true},
        {"D:\\", true},
        {"", true},
        {"Acme", true},
        {"\\Acme", true},
        {"\\\\srv\\share", true},
        {"\\\\srv\\share\\", true},
        // The directories themselves, in any spelling, and what lies above them.
        {"C:\\Windows", true},
        {"c:\\WINDOWS\\", true},
        {"C:\\Windows.", true},
        {"C:\\Windows\\System32", true},
        {"C:\\Program Files", true},
        {"C:\\Program Files\\Common Files", true},
        {"C:\\Program Files\\Acme\\..", true},
        {"C:\\Program Files\\Acme\\..\\..\\Windows", true},
        {"C:\\Users", true},
        {"C:\\Users\\bob", true},
        {"C:\\Users\\bob\\Documents", true},
        {"C:\\Users\\bob\\AppData", true},
        {"C:\\Users\\bob\\AppData\\Roaming", true},
        // Another user's profile root, and the folders directly in a profile.
        {"C:\\Users\\alice", true},
        {"C:\\Users\\alice\\", true},
        {"C:\\Users\\bob\\Downloads", true},
        {"C:\\Users\\alice\\Dropbox", true},
        // What a product owns.
        {"C:\\Program Files\\Acme", false},
        {"C:\\Program Files\\Acme\\data", false},
        {"C:\\Program Files\\Common Files\\Acme", false},
        {"C:\\Users\\alice\\AppData\\Acme", false},
        {"C:\\Users\\bob\\Downloads\\Acme", false},
        {"C:\\Users\\bob\\Documents\\Acme", false},
        {"C:\\Users\\bob\\AppData\\Roaming\\Acme", false},
        {"C:\\Program Files\\Acme\\sub\\..", false},
        {"C:\\Acme", false},
        {"D:\\Tools\\Acme", false},
        {"\\\\srv\\share\\Acme", false},
        {"C:\\Program Files\\" SO "\\x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedTarget(c.target, dirs, NextShiftJis), c.refused) << c.target;
    }
}

TEST(DeletionRules, AProfileInADriveRootDoesNotTurnEveryTopLevelDirectoryIntoAProfile) {
    ProtectedDirectories dirs;
    AddProfileParent(dirs, "C:\\bob", NextShiftJis);
    AddProfileParent(dirs, "relative\\bob", NextShiftJis);
    EXPECT_TRUE(dirs.profileParents.empty());
    EXPECT_FALSE(IsProtectedTarget("C:\\Acme", dirs, NextShiftJis));
}

TEST(DeletionRules, RegistryItemsAreReadAndSystemKeysRefused) {
    struct Case {
        const char* item;
        RegistryItemStatus status;
        RegistryRoot root;
        const char* keyPath;  // null: none expected
    } cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Acme\\Tool", RegistryItemStatus::Ok, RegistryRoot::CurrentUser,
         "Software\\Acme\\Tool"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Tool", RegistryItemStatus::Ok, RegistryRoot::LocalMachine,
         "SOFTWARE\\Acme\\Tool"},
        {"HKEY_CLASSES_ROOT\\.acme", RegistryItemStatus::Ok, RegistryRoot::ClassesRoot, ".acme"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{0B1D}", RegistryItemStatus::Ok, RegistryRoot::ClassesRoot, "CLSID\\{0B1D}"},
        {"HKEY_CURRENT_USER\\Software\\" SO "\\x", RegistryItemStatus::Ok, RegistryRoot::CurrentUser,
         "Software\\" SO "\\x"},
        // Malformed: the setup file is wrong.
        {"HKEY_CURRENT_USER", RegistryItemStatus::NoBackslash, RegistryRoot::CurrentUser, nullptr},
        {SO "x", RegistryItemStatus::NoBackslash, RegistryRoot::CurrentUser, nullptr},
        {"hkey_current_user\\Software\\Acme", RegistryItemStatus::UnknownRoot, RegistryRoot::CurrentUser, nullptr},
        {"HKCU\\Software\\Acme", RegistryItemStatus::UnknownRoot, RegistryRoot::CurrentUser, nullptr},
        {"HKEY_USERS\\.DEFAULT", RegistryItemStatus::UnknownRoot, RegistryRoot::CurrentUser, nullptr},
        {SO "\\x", RegistryItemStatus::UnknownRoot, RegistryRoot::CurrentUser, nullptr},
        {"HKEY_CURRENT_USER\\", RegistryItemStatus::EmptyKey, RegistryRoot::CurrentUser, nullptr},
        {"HKEY_LOCAL_MACHINE\\\\\\", RegistryItemStatus::EmptyKey, RegistryRoot::LocalMachine, nullptr},
        // Keys no product owns, and the keys above them.
        {"HKEY_CURRENT_USER\\Software", RegistryItemStatus::Protected, RegistryRoot::CurrentUser, "Software"},
        {"HKEY_CURRENT_USER\\software\\", RegistryItemStatus::Protected, RegistryRoot::CurrentUser, "software\\"},
        {"HKEY_CURRENT_USER\\Software\\Microsoft", RegistryItemStatus::Protected, RegistryRoot::CurrentUser,
         "Software\\Microsoft"},
        {"HKEY_CURRENT_USER\\Control Panel", RegistryItemStatus::Protected, RegistryRoot::CurrentUser, "Control Panel"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall", RegistryItemStatus::Protected,
         RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"},
        {"HKEY_LOCAL_MACHINE\\SYSTEM", RegistryItemStatus::Protected, RegistryRoot::LocalMachine, "SYSTEM"},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\\\CurrentControlSet", RegistryItemStatus::Protected, RegistryRoot::LocalMachine,
         "SYSTEM\\\\CurrentControlSet"},
        {"HKEY_CLASSES_ROOT\\CLSID", RegistryItemStatus::Protected, RegistryRoot::ClassesRoot, "CLSID"},
        {"HKEY_CLASSES_ROOT\\*", RegistryItemStatus::Protected, RegistryRoot::ClassesRoot, "*"},
        // Outside "Software\Vendor\Product": another product's uninstall
        // entry, a key of no vendor, a vendor's whole key.
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme",
         RegistryItemStatus::Protected, RegistryRoot::LocalMachine,
         "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme"},
        {"HKEY_CURRENT_USER\\AcmeTool", RegistryItemStatus::Protected, RegistryRoot::CurrentUser, "AcmeTool"},
        {"HKEY_CURRENT_USER\\Software\\Acme", RegistryItemStatus::Protected, RegistryRoot::CurrentUser,
         "Software\\Acme"},
    };
    for (const Case& c : cases) {
        RegistryItem item;
        EXPECT_EQ(ParseRegistryItem(c.item, NextShiftJis, item), c.status) << c.item;
        if (c.keyPath) {
            EXPECT_EQ(item.root, c.root) << c.item;
            ASSERT_NE(item.keyPath, nullptr) << c.item;
            EXPECT_STREQ(item.keyPath, c.keyPath) << c.item;
        } else {
            EXPECT_EQ(item.keyPath, nullptr) << c.item;
        }
    }
}

TEST(DeletionRules, OnlyAProductsOwnKeysMayBeDeleted) {
    struct Case {
        const char* item;
        bool deletable;
    } cases[] = {
        // Keys a hostile or careless setup file could name, which would take
        // the system or another product with them.
        {"HKEY_CLASSES_ROOT\\exefile", false},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip", false},
        {"HKEY_LOCAL_MACHINE\\SYSTEM\\ControlSet001", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Winlogon", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\acme.exe", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer", false},
        {"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer", false},
        {"HKEY_CLASSES_ROOT\\.exe", false},
        {"HKEY_CLASSES_ROOT\\lnkfile", false},
        {"HKEY_CLASSES_ROOT\\txtfile", false},
        {"HKEY_CLASSES_ROOT\\TxtFile\\shell\\open", false},
        {"HKEY_CLASSES_ROOT\\.TXT", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\exefile", false},
        {"HKEY_CURRENT_USER\\Software\\Classes\\.acme", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Cryptography", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\OtherProduct", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Policies\\Acme\\Tool", false},
        {"HKEY_CURRENT_USER\\Software\\Policies\\Acme\\Tool", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Microsoft\\Windows", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Classes\\exefile", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Acme", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Clients\\Mail\\Acme", false},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\RegisteredApplications\\Acme", false},
        {"HKEY_LOCAL_MACHINE\\HARDWARE\\DESCRIPTION", false},
        {"HKEY_CURRENT_USER\\Environment", false},
        {"HKEY_CLASSES_ROOT\\Interface", false},
        {"HKEY_CLASSES_ROOT\\TypeLib\\", false},
        {"HKEY_CLASSES_ROOT\\AppID", false},
        {"HKEY_CLASSES_ROOT\\Directory\\shell\\acme", false},
        {"HKEY_CLASSES_ROOT\\Wow6432Node\\CLSID\\{0B1D}", false},
        // A product's own: a vendor and a product under Software, in either
        // view and any spelling; its extension, class and COM registrations.
        {"HKEY_CURRENT_USER\\Software\\Acme\\Tool", true},
        {"HKEY_CURRENT_USER\\software\\\\acme\\tool\\", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\BRAMWELT\\Tandrel", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Tool\\Settings", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Wow6432Node\\Acme\\Tool", true},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\MicrosoftFan\\Tool", true},
        {"HKEY_CLASSES_ROOT\\.tdr", true},
        {"HKEY_CLASSES_ROOT\\Tandrel.Document", true},
        {"HKEY_CLASSES_ROOT\\Tandrel.Document\\shell\\open", true},
        {"HKEY_CLASSES_ROOT\\CLSID\\{0B1D}\\InprocServer32", true},
        {"HKEY_CLASSES_ROOT\\TypeLib\\{0B1D}", true},
        {"HKEY_CLASSES_ROOT\\.exe-acme", true},
    };
    for (const Case& c : cases) {
        RegistryItem item;
        EXPECT_EQ(ParseRegistryItem(c.item, NextShiftJis, item),
                  c.deletable ? RegistryItemStatus::Ok : RegistryItemStatus::Protected)
            << c.item;
    }
    // A key the install found already there is not the product's to delete.
    RegistryItem item;
    EXPECT_EQ(ParseRegistryItem("HKEY_CURRENT_USER\\Software\\Acme\\Tool", NextShiftJis, item, true),
              RegistryItemStatus::Protected);
    EXPECT_EQ(ParseRegistryItem("HKEY_CLASSES_ROOT\\.tdr", NextShiftJis, item, true), RegistryItemStatus::Protected);
}

TEST(DeletionRules, AClassItemNamesTheKeyThatSaysWhoseItIs) {
    struct Case {
        const char* item;
        const char* classKey;
    } cases[] = {
        {"HKEY_CLASSES_ROOT\\.tdr", ".TDR"},
        {"HKEY_CLASSES_ROOT\\Tandrel.Document\\shell\\open\\command", "TANDREL.DOCUMENT"},
        {"HKEY_CLASSES_ROOT\\\\clsid\\\\{0B1D}\\InprocServer32", "CLSID\\{0B1D}"},
        {"HKEY_CLASSES_ROOT\\Applications\\tandrel.exe\\shell", "APPLICATIONS\\TANDREL.EXE"},
        {"HKEY_CURRENT_USER\\Software\\Acme\\Tool", ""},
    };
    for (const Case& c : cases) {
        RegistryItem item;
        ASSERT_EQ(ParseRegistryItem(c.item, NextShiftJis, item), RegistryItemStatus::Ok) << c.item;
        EXPECT_EQ(item.classKey, c.classKey) << c.item;
    }
}

TEST(DeletionRules, AClassIsTheProductsWhenEveryProgramItRegistersIsInTheInstallDirectory) {
    const char* dir = "C:\\Program Files\\Tandrel";
    struct Case {
        const char* value;
        bool inside;
    } cases[] = {
        {"\"C:\\Program Files\\Tandrel\\tandrel.exe\" \"%1\"", true},
        {"\"c:\\program files\\tandrel\\bin\\tandrel.exe\" -o \"%1\"", true},
        {"C:\\Program Files\\Tandrel\\tandrel.exe,0", false},  // unquoted with blanks: ambiguous
        {"\"C:\\Program Files\\Tandrel\\tandrel.exe\",-101", true},
        {"C:\\PROGRA~1\\Tandrel\\tandrel.exe", false},  // spelt otherwise: not shown to be the product's
        {"\"C:\\Program Files\\Tandrel\\..\\..\\Windows\\notepad.exe\" %1", false},
        {"\"C:\\Program Files\\TandrelX\\x.exe\"", false},
        {"\"C:\\Program Files\\Tandrel\"", false},
        {"\"%1\" %*", false},
        {"%1", false},
        {"notepad.exe %1", false},
        {"%SystemRoot%\\system32\\NOTEPAD.EXE %1", false},
        {"C:\\Windows\\system32\\shell32.dll,-154", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RegistrationIsInside(c.value, dir, NextShiftJis), c.inside) << c.value;
    }
    const char* sjisDir = "C:\\" SO;
    EXPECT_TRUE(RegistrationIsInside("\"C:\\" SO "\\a.exe\" %1", sjisDir, NextShiftJis));
    EXPECT_TRUE(RegistrationIsInside("C:\\" SO "\\a.exe %1", sjisDir, NextShiftJis));

    EXPECT_TRUE(ClassKeyIsProducts({}, dir, NextShiftJis));
    EXPECT_TRUE(ClassKeyIsProducts(
        {"\"C:\\Program Files\\Tandrel\\tandrel.exe\" \"%1\"", "\"C:\\Program Files\\Tandrel\\tandrel.exe\",1"}, dir,
        NextShiftJis));
    EXPECT_FALSE(ClassKeyIsProducts(
        {"\"C:\\Program Files\\Tandrel\\tandrel.exe\" \"%1\"", "%SystemRoot%\\System32\\imageres.dll,-68"}, dir,
        NextShiftJis));
}

TEST(DeletionRules, TheWindowsDirectoryAndTheSystemsAppDataFoldersAreRefusedWithWhatTheyHold) {
    const ProtectedDirectories dirs = MachineLikeWindows();
    struct Case {
        const char* target;
        bool refused;
        bool refusedWhenCreatedByInstall;
    } cases[] = {
        // Emptied by today's uninstall when a setup file named them.
        {"C:\\Windows\\System32\\drivers", true, false},
        {"C:\\Windows\\WinSxS", true, false},
        {"C:\\Windows\\inf", true, false},
        {"C:\\Windows\\Temp", true, false},
        {"C:\\Windows\\Acme", true, false},
        {"C:\\Windows", true, true},
        // The AppData folders Windows fills, in any profile.
        {"C:\\Users\\bob\\AppData\\LocalLow", true, true},
        {"C:\\Users\\alice\\AppData\\LocalLow\\Acme", true, false},
        {"C:\\Users\\bob\\AppData\\Local", true, true},
        {"C:\\Users\\bob\\AppData\\Local\\Microsoft", true, true},
        {"C:\\Users\\bob\\AppData\\Local\\Microsoft\\Windows", true, false},
        {"C:\\Users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu", true, false},
        {"C:\\Users\\alice\\AppData\\Roaming\\Microsoft", true, true},
        {"C:\\Users\\bob\\AppData\\Local\\Programs", true, true},
        {"C:\\Documents and Settings\\bob\\Application Data\\Microsoft", false, false},  // not a profile directory here
        // What a product owns there.
        {"C:\\Users\\bob\\AppData\\Local\\Programs\\Acme", false, false},
        {"C:\\Users\\alice\\AppData\\Local\\Acme", false, false},
        {"C:\\Users\\bob\\AppData\\Roaming\\Acme", false, false},
        {"C:\\Users\\bob\\AppData\\Local\\MicrosoftFan", false, false},
        {"C:\\WindowsApps\\Acme", false, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedTarget(c.target, dirs, NextShiftJis), c.refused) << c.target;
        EXPECT_EQ(IsProtectedTarget(c.target, dirs, NextShiftJis, true), c.refusedWhenCreatedByInstall) << c.target;
    }
}

TEST(DeletionRules, ThisMachinesSharesAreComparedAsTheDrivesTheyShow) {
    const ProtectedDirectories dirs = MachineLikeWindows();
    struct Case {
        const char* target;
        bool refused;
    } cases[] = {
        {"\\\\localhost\\C$\\Windows", true},
        {"\\\\LOCALHOST\\c$\\windows\\system32\\drivers", true},
        {"\\\\127.0.0.1\\C$\\Program Files", true},
        {"\\\\?\\UNC\\localhost\\C$\\Windows\\Temp", true},
        {"\\\\mypc\\C$\\Users\\bob", true},
        {"\\\\mypc.example.org\\C$\\Windows\\inf", true},
        {"\\\\?\\C:\\Windows\\WinSxS", true},
        {"\\\\.\\C:\\Windows\\Acme", true},
        // Another share of this machine may show any folder.
        {"\\\\localhost\\Shared\\Acme", true},
        {"\\\\mypc\\Users\\bob\\Acme", true},
        // A product's folder through the administrative share, and other machines.
        {"\\\\localhost\\C$\\Program Files\\Acme", false},
        {"\\\\mypc\\D$\\Acme", false},
        {"\\\\server\\C$\\Windows", false},
        {"\\\\server\\share\\Acme", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsProtectedTarget(c.target, dirs, NextShiftJis), c.refused) << c.target;
    }

    PathParts parts;
    ASSERT_TRUE(SplitTargetPath("\\\\localhost\\d$\\Acme\\..", NextShiftJis, parts));
    ASSERT_TRUE(MapLocalShare(parts, {}));
    EXPECT_EQ(parts.Text(), "D:");
    EXPECT_EQ(parts.WindowsText(), "D:\\");
    ASSERT_TRUE(SplitTargetPath("\\\\server\\d$\\Acme", NextShiftJis, parts));
    ASSERT_TRUE(MapLocalShare(parts, {}));
    EXPECT_EQ(parts.Text(), "\\\\SERVER\\D$\\ACME");
}

TEST(DeletionRules, AHelpFileHasItsIndexBesideIt) {
    struct Case {
        const char* path;
        const char* index;  // null: none
    } cases[] = {
        {"C:\\Acme\\HELP.HLP", "C:\\Acme\\HELP.gid"},
        {"C:\\Acme\\help.hlp", "C:\\Acme\\help.gid"},
        {"C:\\Acme\\a.b.Hlp", "C:\\Acme\\a.b.gid"},
        {"C:\\Acme\\" SO ".hlp", "C:\\Acme\\" SO ".gid"},
        {"C:\\Acme\\help.hlpx", nullptr},
        {"C:\\Acme\\help.txt", nullptr},
        {"C:\\Acme\\hlp", nullptr},
        {"C:\\Acme.hlp\\readme", nullptr},
        {"C:\\Acme\\noextension", nullptr},
        {"", nullptr},
    };
    for (const Case& c : cases) {
        char out[256] = "unchanged";
        EXPECT_EQ(HelpIndexPathFor(c.path, NextShiftJis, out, sizeof out), c.index != nullptr) << c.path;
        if (c.index) {
            EXPECT_STREQ(out, c.index) << c.path;
        }
    }
    char small[8];
    EXPECT_FALSE(HelpIndexPathFor("C:\\long\\help.hlp", NextShiftJis, small, sizeof small));
}

TEST(DeletionRules, UninstallProgramCommandLineQuotesTheProgramOnly) {
    char out[64];
    ASSERT_TRUE(BuildProgramCommandLine(out, sizeof out, "C:\\Program Files\\Acme", "unins.exe", ""));
    EXPECT_STREQ(out, "\"C:\\Program Files\\Acme\\unins.exe\"");
    ASSERT_TRUE(BuildProgramCommandLine(out, sizeof out, "C:\\Acme", "bin\\clean.exe", "/s /q"));
    EXPECT_STREQ(out, "\"C:\\Acme\\bin\\clean.exe\" /s /q");

    // One byte short of room: refused whole, never cut.
    const char* expected = "\"C:\\Acme\\u.exe\" /x";
    char exact[32];
    ASSERT_TRUE(BuildProgramCommandLine(exact, std::strlen(expected) + 1, "C:\\Acme", "u.exe", "/x"));
    EXPECT_STREQ(exact, expected);
    EXPECT_FALSE(BuildProgramCommandLine(exact, std::strlen(expected), "C:\\Acme", "u.exe", "/x"));
    EXPECT_STREQ(exact, "");
}

TEST(DeletionRules, TheDeletionLineGoesAfterEveryLineOfTheSection) {
    const char path[] = "C:\\WINDOWS\\$$UnMivo.exe";
    struct Case {
        std::string section;  // as the profile functions hand it over
        std::string expected;
    } cases[] = {
        {std::string("\0\0", 2), std::string("NUL=C:\\WINDOWS\\$$UnMivo.exe\0\0", 29)},
        {std::string("NUL=C:\\a.exe\0C:\\b.dll=C:\\c.dll\0\0", 32),
         std::string("NUL=C:\\a.exe\0C:\\b.dll=C:\\c.dll\0NUL=C:\\WINDOWS\\$$UnMivo.exe\0\0", 60)},
    };
    for (const Case& c : cases) {
        char buffer[128] = {};
        std::memcpy(buffer, c.section.data(), c.section.size());
        ASSERT_TRUE(AppendDeletionLine(buffer, sizeof buffer, path));
        EXPECT_EQ(std::string(buffer, c.expected.size()), c.expected);
        EXPECT_EQ(ProfileSectionEnd(buffer, sizeof buffer), c.expected.size() - 1);
    }
}

TEST(DeletionRules, ADeletionLineThatDoesNotFitLeavesTheSectionAsItWas) {
    const std::string section("a=b\0\0", 5);
    const char path[] = "C:\\x.exe";
    // "a=b\0" + "NUL=C:\x.exe\0" + "\0" needs exactly 4 + 13 + 1 bytes.
    const size_t needed = 18;
    char exact[needed];
    std::memset(exact, 0, sizeof exact);
    std::memcpy(exact, section.data(), section.size());
    EXPECT_TRUE(AppendDeletionLine(exact, needed, path));

    char shortBuffer[needed - 1];
    std::memset(shortBuffer, 0, sizeof shortBuffer);
    std::memcpy(shortBuffer, section.data(), section.size());
    EXPECT_FALSE(AppendDeletionLine(shortBuffer, sizeof shortBuffer, path));
    EXPECT_EQ(std::string(shortBuffer, section.size()), section);

    // A buffer filled to the end without the closing empty string.
    char full[6] = {'a', '=', 'b', '\0', 'c', 'd'};
    EXPECT_EQ(ProfileSectionEnd(full, sizeof full), sizeof full);
    EXPECT_FALSE(AppendDeletionLine(full, sizeof full, path));
}
