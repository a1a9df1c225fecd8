#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ShiftJisText.h"
#include "engine/DeletionRules.h"

namespace {

ProtectedDirectories MachineLikeWindows() {
    ProtectedDirectories dirs;
    for (const char* dir :
         {"C:\\Windows", "C:\\Windows\\System32", "C:\\Program Files", "C:\\Program Files\\Common Files",
          "C:\\Users\\bob", "C:\\Users\\bob\\Documents", "C:\\Users\\bob\\AppData\\Roaming"}) {
        AddProtectedDirectory(dirs, dir, NextShiftJis);
    }
    AddProfileParent(dirs, "C:\\Users\\bob", NextShiftJis);
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
        {"C:\\Windows\\Acme", false},
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
        {"HKEY_CURRENT_USER\\Software\\Acme", RegistryItemStatus::Ok, RegistryRoot::CurrentUser, "Software\\Acme"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Acme\\Tool", RegistryItemStatus::Ok, RegistryRoot::LocalMachine,
         "SOFTWARE\\Acme\\Tool"},
        {"HKEY_CLASSES_ROOT\\.acme", RegistryItemStatus::Ok, RegistryRoot::ClassesRoot, ".acme"},
        {"HKEY_CLASSES_ROOT\\CLSID\\{0B1D}", RegistryItemStatus::Ok, RegistryRoot::ClassesRoot, "CLSID\\{0B1D}"},
        {"HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme", RegistryItemStatus::Ok,
         RegistryRoot::LocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Acme"},
        {"HKEY_CURRENT_USER\\AcmeTool", RegistryItemStatus::Ok, RegistryRoot::CurrentUser, "AcmeTool"},
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
