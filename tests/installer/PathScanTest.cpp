#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "ShiftJisText.h"
#include "engine/PathScan.h"

namespace {

const char kOwnDir[] = "C:\\dist\\";

std::string Offset(const char* text, const char* found) {
    return found ? std::to_string(found - text) : "none";
}

}  // namespace

TEST(PathScan, BackslashSearchesSkipTrailBytes) {
    struct Case {
        const char* text;
        const char* first;
        const char* last;
    } cases[] = {
        {"a\\b\\c", "1", "3"}, {"abc", "none", "none"},       {"", "none", "none"}, {SO, "none", "none"},
        {"C:\\" SO, "2", "2"}, {HYO "\\" SO "\\x", "2", "5"}, {"\\", "0", "0"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Offset(c.text, FindFirstBackslash(c.text, NextShiftJis)), c.first) << c.text;
        EXPECT_EQ(Offset(c.text, FindLastBackslash(c.text, NextShiftJis)), c.last) << c.text;
    }
    // A backslash before the minimum offset does not count.
    EXPECT_EQ(FindLastBackslash("\\x", NextShiftJis, 1), nullptr);
}

TEST(PathScan, MacroEndIsTheSecondPercentSign) {
    struct Case {
        const char* entry;
        const char* end;
    } cases[] = {
        {"%WINDIR%\\Fonts\\a.ttf", "7"}, {"%WINDIR", "none"}, {"%", "none"}, {"%%\\a", "1"}, {"WINDIR%", "none"},
        {"%" HYO "%\\a", "3"},           {"%A%B%", "2"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Offset(c.entry, FindMacroEnd(c.entry, NextShiftJis)), c.end) << c.entry;
    }
}

TEST(PathScan, JoinFailsWholeWhenTheResultWouldNotFit) {
    std::string a(200, 'a');
    std::string b(55, 'b');
    char out[256];
    ASSERT_TRUE(JoinPath(out, sizeof out, {a.c_str(), b.c_str()}));
    EXPECT_EQ(std::strlen(out), 255u);

    std::string c(56, 'c');
    std::memset(out, 'x', sizeof out);
    EXPECT_FALSE(JoinPath(out, sizeof out, {a.c_str(), c.c_str()}));
    EXPECT_STREQ(out, "");

    EXPECT_FALSE(CopyPrefix(out, 4, "abcd", 4));
    EXPECT_STREQ(out, "");
    ASSERT_TRUE(CopyPrefix(out, 4, "abcd", 3));
    EXPECT_STREQ(out, "abc");
}

TEST(PathScan, SourceIsTheLastComponentBesideTheSetupProgram) {
    struct Case {
        const char* field;
        const char* source;
    } cases[] = {
        {"bin\\x.dll", "C:\\dist\\x.dll"},
        {"x.dll", "C:\\dist\\x.dll"},
        {"a\\b\\c\\x.dll", "C:\\dist\\x.dll"},
        // A leading backslash is not a separator; the field is used whole.
        {"\\x.dll", "C:\\dist\\\\x.dll"},
        {"\\bin\\x.dll", "C:\\dist\\x.dll"},
        {"%WINDIR%\\Fonts\\a.ttf", "C:\\dist\\a.ttf"},
        // The trail byte of the file name is no separator.
        {"bin\\" SO ".dll", "C:\\dist\\" SO ".dll"},
        {SO, "C:\\dist\\" SO},
        {HYO "\\" SO, "C:\\dist\\" SO},
    };
    for (const Case& c : cases) {
        char out[256];
        ASSERT_TRUE(BuildSourcePath(out, sizeof out, kOwnDir, c.field, NextShiftJis)) << c.field;
        EXPECT_STREQ(out, c.source) << c.field;
    }
}

TEST(PathScan, SourcePathLongerThan255BytesIsRefused) {
    char out[256];
    std::string name(255 - std::strlen(kOwnDir), 'n');
    ASSERT_TRUE(BuildSourcePath(out, sizeof out, kOwnDir, name.c_str(), NextShiftJis));
    EXPECT_EQ(std::strlen(out), 255u);
    name += 'n';
    EXPECT_FALSE(BuildSourcePath(out, sizeof out, kOwnDir, name.c_str(), NextShiftJis));
    EXPECT_STREQ(out, "");
}

TEST(PathScan, DirectoryTreeLevelsStartAfterTheDrive) {
    using Levels = std::vector<std::string>;
    struct Case {
        const char* path;
        Levels levels;
    } cases[] = {
        {"C:\\a\\b\\c", {"C:\\a", "C:\\a\\b", "C:\\a\\b\\c"}},
        {"C:\\a", {"C:\\a"}},
        {"C:\\a\\", {"C:\\a", "C:\\a\\"}},
        {"C:\\", {"C:\\"}},
        {"C:", {"C:"}},
        {"", {}},
        // No level may end inside a double-byte character.
        {"C:\\" HYO "\\" SO, {"C:\\" HYO, "C:\\" HYO "\\" SO}},
        {"C:\\" SO SO "\\x", {"C:\\" SO SO, "C:\\" SO SO "\\x"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DirectoryTreeLevels(c.path, NextShiftJis), c.levels) << c.path;
    }
}

TEST(PathScan, CopyDestinationDirectoryRefusesDriveRoots) {
    struct Case {
        const char* destination;
        const char* directory;  // null: refused
    } cases[] = {
        {"C:\\d\\a.txt", "C:\\d"},
        {"C:\\d\\e\\a.txt", "C:\\d\\e"},
        {"C:\\a.txt", nullptr},
        {"a.txt", nullptr},
        {"", nullptr},
        {"C:\\d\\" SO, "C:\\d"},
        {"C:\\" SO, nullptr},
        {"C:\\" HYO "\\a", "C:\\" HYO},
    };
    for (const Case& c : cases) {
        char out[256] = "stale";
        bool ok = CopyDestinationDirectory(out, sizeof out, c.destination, NextShiftJis);
        if (c.directory == nullptr) {
            EXPECT_FALSE(ok) << c.destination;
            EXPECT_STREQ(out, "") << c.destination;
        } else {
            EXPECT_TRUE(ok) << c.destination;
            EXPECT_STREQ(out, c.directory) << c.destination;
        }
    }
}

TEST(PathScan, FileNameIsWhatFollowsTheLastSeparator) {
    EXPECT_STREQ(FileNameOf("C:\\Tools\\a.exe", NextShiftJis), "a.exe");
    EXPECT_STREQ(FileNameOf("C:\\" HYO "\\" SO, NextShiftJis), SO);
    EXPECT_STREQ(FileNameOf("C:\\Tools\\", NextShiftJis), "");
    EXPECT_EQ(FileNameOf("a.exe", NextShiftJis), nullptr);
    EXPECT_EQ(FileNameOf(SO, NextShiftJis), nullptr);
}

TEST(PathScan, RegistryPathSplitsAtTheFirstSeparator) {
    struct Case {
        const char* path;
        bool ok;
        const char* root;
        const char* subKey;
    } cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Acme", true, "HKEY_CURRENT_USER", "Software\\Acme"},
        {"HKEY_LOCAL_MACHINE\\Software", true, "HKEY_LOCAL_MACHINE", "Software"},
        {"HKEY_CURRENT_USER", false, "", nullptr},
        {"\\Software", true, "", "Software"},
        {HYO "\\Software\\" SO, true, HYO, "Software\\" SO},
        {"", false, "", nullptr},
    };
    for (const Case& c : cases) {
        char root[32] = "stale";
        const char* subKey = nullptr;
        EXPECT_EQ(SplitRegistryPath(c.path, NextShiftJis, root, sizeof root, &subKey), c.ok) << c.path;
        EXPECT_STREQ(root, c.root) << c.path;
        if (c.subKey) {
            EXPECT_STREQ(subKey, c.subKey) << c.path;
        }
    }
    char tiny[4];
    const char* subKey = nullptr;
    EXPECT_FALSE(SplitRegistryPath("HKEY\\x", NextShiftJis, tiny, sizeof tiny, &subKey));
}
