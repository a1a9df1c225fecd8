#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "ShiftJisText.h"
#include "engine/InstallRules.h"

namespace {

TEST(ShouldCopyFile, FollowsTheModeAndTheTwoFiles) {
    enum Order { SourceOlder = -1, SameTime = 0, SourceNewer = 1 };
    struct Case {
        int32_t mode;
        bool sourceExists;
        bool destinationExists;
        int order;
        bool copied;
    } cases[] = {
        // Mode 0: only into a free place.
        {0, true, false, SameTime, true},
        {0, true, true, SourceNewer, false},
        {0, true, true, SourceOlder, false},
        // Mode 1 and anything unknown: always.
        {1, true, true, SourceOlder, true},
        {1, true, true, SameTime, true},
        {1, false, false, SameTime, true},
        {7, true, true, SourceOlder, true},
        {-1, true, true, SourceOlder, true},
        // Mode 2: missing or strictly older destination.
        {2, true, false, SameTime, true},
        {2, true, true, SourceNewer, true},
        {2, true, true, SameTime, false},
        {2, true, true, SourceOlder, false},
        // A missing source is attempted, so its copy fails and is reported.
        {2, false, true, SameTime, true},
        {0, false, true, SameTime, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShouldCopyFile(c.mode, c.sourceExists, c.destinationExists, c.order), c.copied)
            << "mode " << c.mode << ", source " << c.sourceExists << ", destination " << c.destinationExists
            << ", order " << c.order;
    }
}

TEST(BuildUninstallCommand, QuotesOnlyAPathWithABlank) {
    struct Case {
        const char* path;
        const char* command;
    } cases[] = {
        {"C:\\Program Files\\Acme\\Setup.exe", "\"C:\\Program Files\\Acme\\Setup.exe\" /r"},
        {"C:\\Acme\\Setup.exe", "C:\\Acme\\Setup.exe /r"},
        {"C:\\" SO "\\Setup.exe", "C:\\" SO "\\Setup.exe /r"},
        {"C:\\a b", "\"C:\\a b\" /r"},
        {"", " /r"},
    };
    for (const Case& c : cases) {
        char out[256];
        ASSERT_TRUE(BuildUninstallCommand(out, sizeof out, c.path)) << c.path;
        EXPECT_STREQ(out, c.command);
    }
}

TEST(BuildUninstallCommand, RefusesACommandThatWouldBeCut) {
    // "C:\a b" quoted with the switch takes 11 bytes plus the terminator.
    char out[16];
    EXPECT_TRUE(BuildUninstallCommand(out, 12, "C:\\a b"));
    EXPECT_STREQ(out, "\"C:\\a b\" /r");
    std::memset(out, 'x', sizeof out);
    EXPECT_FALSE(BuildUninstallCommand(out, 11, "C:\\a b"));
    EXPECT_STREQ(out, "");
    EXPECT_FALSE(BuildUninstallCommand(out, 5, "C:\\ab"));
    EXPECT_STREQ(out, "");

    std::string longPath = "C:\\" + std::string(250, 'a');
    char full[256];
    EXPECT_FALSE(BuildUninstallCommand(full, sizeof full, longPath.c_str()));
}

TEST(EqualsIgnoringCase, FoldsSingleByteLettersOnly) {
    struct Case {
        const char* a;
        const char* b;
        bool equal;
    } cases[] = {
        {"Setup.exe", "SETUP.EXE", true},
        {"setup.exe", "Setup.exe", true},
        {"Setup.exe", "Setup.ex", false},
        {"", "", true},
        {"/R", "/r", true},
        {"/r ", "/r", false},
        // Trail bytes that are letters must not be folded: ka (83 4A) is not
        // 83 6A (the double-byte character "j" would otherwise match).
        {KA ".exe", KA ".EXE", true},
        {KA, "\x83\x6A", false},
        {SO "x", SO "X", true},
        {"[", "{", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EqualsIgnoringCase(c.a, c.b), c.equal) << c.a << " / " << c.b;
    }
}

TEST(SkipsSelfShortcut, LeavesOutOnlyTheShortcutsARunCannotUse) {
    enum Run { Admin, PerUser, Win9x };
    struct Case {
        const char* target;
        const char* arguments;
        Run run;
        bool skipped;
    } cases[] = {
        {"Setup.exe", "/r", PerUser, true},
        {"SETUP.EXE", "/R", PerUser, true},
        {"Setup.exe", "/r", Admin, false},
        {"Setup.exe", "/r", Win9x, false},
        {"Setup.exe", "/u", Win9x, true},
        {"setup.exe", "/U", Win9x, true},
        {"Setup.exe", "/u", PerUser, false},
        {"Setup.exe", "/u", Admin, false},
        {"Setup.exe", "", PerUser, false},
        // Only the installer itself, named as the bare file name.
        {"Tool.exe", "/r", PerUser, false},
        {"%WINDIR%\\Setup.exe", "/r", PerUser, false},
        {"bin\\Setup.exe", "/u", Win9x, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(SkipsSelfShortcut(c.target, c.arguments, "Setup.exe", c.run == PerUser, c.run == Win9x), c.skipped)
            << c.target << " " << c.arguments << " run " << c.run;
    }
}

InstallDirFolders FoldersLikeWindows() {
    InstallDirFolders folders;
    AddInstallDirFolder(folders.windows, "C:\\Windows", NextShiftJis);
    for (const char* folder : {"C:\\Program Files", "C:\\Program Files (x86)", "C:\\Program Files\\Common Files",
                               "C:\\Program Files (x86)\\Common Files", "C:\\ProgramData", "C:\\Users\\bob"}) {
        AddInstallDirFolder(folders.exact, folder, NextShiftJis);
    }
    AddInstallDirFolder(folders.profileParents, "C:\\Users", NextShiftJis);
    AddInstallDirFolder(folders.exact, "relative", NextShiftJis);  // ignored
    return folders;
}

TEST(CheckInstallDirText, AcceptsOnlyARealSafeDirectory) {
    const InstallDirFolders folders = FoldersLikeWindows();
    EXPECT_EQ(folders.exact.size(), 6u);
    using P = InstallDirProblem;
    struct Case {
        const char* dir;
        InstallDirProblem problem;
    } cases[] = {
        {"C:\\Program Files\\Tandrel", P::None},
        {"c:\\program files (x86)\\Tandrel", P::None},
        {"D:\\Tools\\Tandrel", P::None},
        {"C:/Program Files/Tandrel", P::ForbiddenSymbol},  // a slash after the drive, as always
        {"C:/Tandrel", P::None},
        {"C:\\Users\\bob\\Tandrel", P::None},
        {"C:\\Users\\bob\\AppData\\Local\\Programs\\Tandrel", P::None},
        {"\\\\server\\share\\Tandrel", P::None},
        {"C:\\" SO, P::None},
        {"C:\\" HYO "\\x", P::None},
        {"C:\\Windows Tools\\Tandrel", P::None},
        // Empty, a trailing backslash, and what is no full path.
        {"", P::Unspecified},
        {"C:\\Program Files\\Tandrel\\", P::Unspecified},
        {"Tandrel", P::Unspecified},
        {"C:Tandrel", P::Unspecified},
        {"\\Tandrel", P::Unspecified},
        {"E:", P::Unspecified},
        {"1:\\Tandrel", P::Unspecified},
        {"|:|x", P::Unspecified},
        // Roots of a drive or a share.
        {"E:\\", P::Unspecified},
        {"C:/", P::Unspecified},
        {"C:\\Tandrel\\..", P::Unspecified},
        {"\\\\server\\share", P::Unspecified},
        {"\\\\server", P::Unspecified},
        // Symbols no directory name may hold.
        {"C:\\Tandrel*", P::ForbiddenSymbol},
        {"C:\\Tan?drel", P::ForbiddenSymbol},
        {"\\\\?\\C:\\Tandrel", P::ForbiddenSymbol},
        {"C:\\Tan\tdrel", P::ForbiddenSymbol},
        {"C:\\Tan\x7F"
         "drel",
         P::ForbiddenSymbol},
        {"C:\\Tandrel\n", P::ForbiddenSymbol},
        {"C:\\a;b", P::ForbiddenSymbol},
        {"C:\\a|b", P::ForbiddenSymbol},
        {"\\\\server\\share:x\\Tandrel", P::ForbiddenSymbol},
        // The system's folders and the profile roots.
        {"C:\\Windows", P::ProtectedFolder},
        {"c:\\windows.", P::ProtectedFolder},
        {"C:\\Windows\\System32", P::ProtectedFolder},
        {"C:\\Windows\\Tandrel", P::ProtectedFolder},
        {"C:\\Tandrel\\..\\Windows", P::ProtectedFolder},
        {"C:\\Program Files", P::ProtectedFolder},
        {"C:\\PROGRAM FILES (X86)", P::ProtectedFolder},
        {"C:\\Program Files\\Common Files", P::ProtectedFolder},
        {"C:\\Program Files (x86)\\Common Files", P::ProtectedFolder},
        {"C:\\ProgramData", P::ProtectedFolder},
        {"C:\\Users\\bob", P::ProtectedFolder},
        {"C:\\Users\\alice", P::ProtectedFolder},
        {"C:\\Users\\Public", P::ProtectedFolder},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckInstallDirText(c.dir, folders, NextShiftJis), c.problem) << c.dir;
    }
}

TEST(AppendProductFolder, ABrowsedFolderGetsTheProductsFolder) {
    struct Case {
        const char* chosen;
        const char* defaultDir;
        const char* result;
    } cases[] = {
        {"C:\\Program Files", "Tandrel", "C:\\Program Files\\Tandrel"},
        {"C:\\Program Files", "C:\\Program Files\\Tandrel", "C:\\Program Files\\Tandrel"},
        {"D:\\", "Tandrel", "D:\\Tandrel"},
        {"D:\\Apps\\Tandrel", "Tandrel", "D:\\Apps\\Tandrel"},
        {"D:\\Apps\\TANDREL", "Tandrel", "D:\\Apps\\TANDREL"},
        {"D:\\Apps\\Tandrel2", "Tandrel", "D:\\Apps\\Tandrel2\\Tandrel"},
        {"D:\\Apps", "\\Vendor\\Tandrel\\", "D:\\Apps\\Tandrel"},
        {"D:\\" SO, SO, "D:\\" SO},
        {"D:\\" SO, KA, "D:\\" SO "\\" KA},
        {"D:\\Apps", "", "D:\\Apps"},
    };
    for (const Case& c : cases) {
        char dir[256];
        std::strcpy(dir, c.chosen);
        EXPECT_TRUE(AppendProductFolder(dir, sizeof dir, c.defaultDir, NextShiftJis)) << c.chosen;
        EXPECT_STREQ(dir, c.result) << c.chosen;
    }
    // A result that would not fit leaves the chosen folder as it was.
    char small[16] = "C:\\Programs";
    EXPECT_FALSE(AppendProductFolder(small, sizeof small, "Tandrel", NextShiftJis));
    EXPECT_STREQ(small, "C:\\Programs");
    char exact[16] = "C:\\Apps";
    EXPECT_TRUE(AppendProductFolder(exact, sizeof exact, "Tandrel", NextShiftJis));  // 15 bytes and its zero
    EXPECT_STREQ(exact, "C:\\Apps\\Tandrel");
}

TEST(UninstallDirText, ADriveRootKeepsItsBackslash) {
    char out[8];
    ASSERT_TRUE(UninstallDirText(out, sizeof out, "E:"));
    EXPECT_STREQ(out, "E:\\");
    ASSERT_TRUE(UninstallDirText(out, sizeof out, "E:\\"));
    EXPECT_STREQ(out, "E:\\");
    ASSERT_TRUE(UninstallDirText(out, sizeof out, "E:\\App"));
    EXPECT_STREQ(out, "E:\\App");
    EXPECT_FALSE(UninstallDirText(out, 3, "E:"));
    EXPECT_STREQ(out, "");
}

TEST(IsSafeShortcutName, RefusesNamesThatLeaveTheirFolder) {
    struct Case {
        const char* name;
        bool safe;
    } cases[] = {
        {"Tandrel", true},
        {"Tandrel " KA, true},
        {"Tandrel v1.2", true},
        {SO, true},  // a trail byte equal to a backslash
        {HYO "x", true},
        {"", false},
        {"..\\..\\Startup\\evil", false},
        {"..", false},
        {"a..b", false},
        {"sub\\name", false},
        {"sub/name", false},
        {"C:evil", false},
        {"C:\\Windows\\evil", false},
        {"name\r", false},
        {"\x1b"
         "name",
         false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsSafeShortcutName(c.name, NextShiftJis), c.safe) << c.name;
    }
}

TEST(BuildModifyCommand, QuotesAPathWithBlanksLikeTheUninstallString) {
    char out[64];
    ASSERT_TRUE(BuildModifyCommand(out, sizeof out, "C:\\Program Files\\Acme\\Setup.exe"));
    EXPECT_STREQ(out, "\"C:\\Program Files\\Acme\\Setup.exe\"");
    ASSERT_TRUE(BuildModifyCommand(out, sizeof out, "C:\\Acme\\Setup.exe"));
    EXPECT_STREQ(out, "C:\\Acme\\Setup.exe");
    char small[8];
    EXPECT_FALSE(BuildModifyCommand(small, sizeof small, "C:\\A B\\x"));
    EXPECT_STREQ(small, "");
}

TEST(ParseVersionNumbers, TakesTheLeadingNumbersOfTheDisplayedVersion) {
    struct Case {
        const char* text;
        bool parsed;
        uint32_t major;
        uint32_t minor;
    } cases[] = {
        {"1", true, 1, 0},
        {"1.2", true, 1, 2},
        {"1.2.3", true, 1, 2},
        {"10.04 beta", true, 10, 4},
        {"2.", true, 2, 0},
        {"3 (test)", true, 3, 0},
        {"007.010", true, 7, 10},
        {"4294967295.1", true, 4294967295u, 1},
        {"", false, 0, 0},
        {"v1.2", false, 0, 0},
        {".5", false, 0, 0},
        {"-1.0", false, 0, 0},
        // A number past 32 bits would be written as some other version.
        {"4294967296.0", false, 0, 0},
        {"1.99999999999", false, 0, 0},
    };
    for (const Case& c : cases) {
        uint32_t major = 77;
        uint32_t minor = 77;
        EXPECT_EQ(ParseVersionNumbers(c.text, major, minor), c.parsed) << c.text;
        if (c.parsed) {
            EXPECT_EQ(major, c.major) << c.text;
            EXPECT_EQ(minor, c.minor) << c.text;
        } else {
            EXPECT_EQ(major, 77u) << c.text;
            EXPECT_EQ(minor, 77u) << c.text;
        }
    }
}

TEST(FormatInstallDate, WritesEightDigits) {
    char date[9];
    FormatInstallDate(date, 2026, 12, 7);
    EXPECT_STREQ(date, "20261207");
    FormatInstallDate(date, 999, 1, 31);
    EXPECT_STREQ(date, "09990131");
}

}  // namespace
