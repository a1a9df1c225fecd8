#include <gtest/gtest.h>

#include "engine/SetupFields.h"

#include <cstring>
#include <string>

TEST(ParseDecimal, AcceptsOnlyAnOptionalMinusAndDigits) {
    struct Case {
        const char* text;
        int32_t value;
    } cases[] = {
        {"0", 0},
        {"12", 12},
        {"-7", -7},
        {"", 0},
        {"-", 0},
        {"1a", 0},
        {" 1", 0},
        {"+1", 0},
        {"--1", 0},
        {"2147483647", 2147483647},
        {"-2147483648", INT32_MIN},
        // Beyond 32 bits the value wraps modulo 2^32 instead of overflowing.
        {"2147483648", INT32_MIN},
        {"4294967297", 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDecimal(c.text), c.value) << '"' << c.text << '"';
    }
    EXPECT_EQ(ParseDecimal(nullptr), 0);
}

namespace {

// Two-byte Shift-JIS characters whose trail byte equals a separator the
// installer scans for: U+8868 is 0x95 0x5C ("\"), U+30BD is 0x83 0x5C, and
// 0x83 0x7C is a katakana whose trail byte is "|".
const char kTrailBackslash[] = "\x95\x5C";
const char kTrailBar[] = "\x83\x7C";

struct Fields {
    char a[256];
    char b[256];
    char c[256];
    FieldBuffer buffers[3];
    Fields() : a(), b(), c(), buffers{{a, sizeof(a), false}, {b, sizeof(b), false}, {c, sizeof(c), false}} {}
};

}  // namespace

TEST(FindSectionValue, FindsAKeyAsTheProfileFunctionsDo) {
    // Lines as GetPrivateProfileSectionA hands them over, zero-separated.
    using namespace std::string_literals;
    const std::string section = "Title=T\0item1 = a.exe , 1 \0ITEM2=\"quoted\"\0Item3='single'\0"s +
                                "Item4=\"half\0Item5\0Item6=x=y\0Item1=second\0\tItem7\t=\t\"\" \0Item8=\"\0\0"s;
    struct Case {
        const char* key;
        bool found;
        std::string value;
    } cases[] = {
        {"Item1", true, "a.exe , 1"},                             // blanks around name and value; the first of two
        {"Item2", true, "quoted"},                                // one pair of quotes goes
        {"item3", true, "single"},    {"Item4", true, "\"half"},  // an unmatched quote stays
        {"Item5", true, ""},                                      // a name without "="
        {"Item6", true, "x=y"},                                   // split at the first "="
        {"Item7", true, ""},                                      // only a pair of quotes
        {"Item8", true, "\""},                                    // a lone quote is no pair
        {"Item9", false, ""},         {"Item", false, ""},        // no prefix match
        {"Item10", false, ""},        {"Titles", false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        const char* begin = nullptr;
        const char* end = nullptr;
        ASSERT_EQ(FindSectionValue(section.data(), section.size(), c.key, begin, end), c.found);
        if (c.found) {
            EXPECT_EQ(std::string(begin, end), c.value);
        }
    }
    // Nothing is read beyond `length`, even without the closing zero.
    const char cut[] = {'A', '=', '1', '\0', 'B', '=', '2'};
    const char* begin = nullptr;
    const char* end = nullptr;
    ASSERT_TRUE(FindSectionValue(cut, sizeof cut, "B", begin, end));
    EXPECT_EQ(std::string(begin, end), "2");
    EXPECT_FALSE(FindSectionValue(cut, 3, "B", begin, end));
    EXPECT_FALSE(FindSectionValue("", 0, "A", begin, end));
}

TEST(SplitFields, SplitsAtCommasAndSkipsSpacesAfterThem) {
    struct Case {
        const char* entry;
        int count;
        int result;
        const char* first;
        const char* second;
    } cases[] = {
        {"a.exe", 2, 1, "a.exe", ""},
        {"a.exe, 2", 2, 2, "a.exe", "2"},
        {"a.exe,", 2, 2, "a.exe", ""},
        {"a,b,c", 2, 2, "a", "b"},
        {"a,b,c", 3, 3, "a", "b"},
        {"a,b", 3, 2, "a", "b"},
        {"", 2, -1, "", ""},
        {",", 2, 2, "", ""},
        {",,,", 2, 2, "", ""},
        {",,,", 3, 3, "", ""},
        // Only the space byte after a comma is skipped; leading blanks, blanks
        // before a comma and tabs stay.
        {" a ,   b", 2, 2, " a ", "b"},
        {"a,\tb", 2, 2, "a", "\tb"},
        {"a,   ", 2, 2, "a", ""},
        {"a, , b", 3, 3, "a", ""},
        {"a", 1, 1, "a", ""},
    };
    for (const Case& c : cases) {
        Fields f;
        std::strcpy(f.b, "stale");
        std::strcpy(f.c, "stale");
        EXPECT_EQ(SplitFields(c.entry, f.buffers, c.count), c.result) << c.entry;
        EXPECT_STREQ(f.a, c.first) << c.entry;
        if (c.count >= 2) {
            EXPECT_STREQ(f.b, c.second) << c.entry;
        }
        // Fields beyond what was found are emptied, never left stale.
        if (c.count == 3 && c.result < 3) {
            EXPECT_STREQ(f.c, "") << c.entry;
        }
    }
}

TEST(SplitFields, KeepsShiftJisCharactersWhoseTrailByteLooksLikeASeparator) {
    std::string first = std::string("C:\\") + kTrailBackslash + "\\x.exe";
    std::string second = std::string("a") + kTrailBar + "b";
    std::string entry = first + ", " + second;
    Fields f;
    EXPECT_EQ(SplitFields(entry.c_str(), f.buffers, 3), 2);
    EXPECT_EQ(std::string(f.a), first);
    EXPECT_EQ(std::string(f.b), second);
}

TEST(SplitFields, CutsLongFieldsAtACharacterBoundaryAndSaysSo) {
    char small[4];
    char rest[256];
    struct Case {
        std::string entry;
        std::string first;
        bool cut;
        std::string second;
    } cases[] = {
        {"abc,d", "abc", false, "d"},
        {"abcd,e", "abc", true, "e"},
        // The double-byte character does not fit whole, so neither half stays.
        {std::string("ab") + kTrailBackslash + ",e", "ab", true, "e"},
        {std::string("a") + kTrailBackslash + ",e", std::string("a") + kTrailBackslash, false, "e"},
        {std::string(255, 'x'), "xxx", true, ""},
    };
    for (const Case& c : cases) {
        FieldBuffer fields[] = {{small, sizeof(small), false}, {rest, sizeof(rest), false}};
        SplitFields(c.entry.c_str(), fields, 2);
        EXPECT_EQ(std::string(small), c.first) << c.entry;
        EXPECT_EQ(fields[0].cut, c.cut) << c.entry;
        EXPECT_EQ(std::string(rest), c.second) << c.entry;
        EXPECT_FALSE(fields[1].cut);
    }
    // A 255-byte entry fills a 256-byte field exactly.
    std::string longest(255, 'y');
    FieldBuffer whole[] = {{rest, sizeof(rest), false}};
    EXPECT_EQ(SplitFields(longest.c_str(), whole, 1), 1);
    EXPECT_EQ(std::string(rest), longest);
    EXPECT_FALSE(whole[0].cut);
}

TEST(ParseFileEntry, ReadsPathAndCopyMode) {
    struct Case {
        const char* entry;
        bool ok;
        const char* path;
        int32_t mode;
    } cases[] = {
        {"a.exe", true, "a.exe", 1},
        {"a.exe,0", true, "a.exe", 0},
        {"a.exe, 2", true, "a.exe", 2},
        {"a.exe,1", true, "a.exe", 1},
        {"a.exe,7", true, "a.exe", 1},
        {"a.exe,-1", true, "a.exe", 1},
        // An empty or non-numeric mode reads as 0: copy only when missing.
        {"a.exe,", true, "a.exe", 0},
        {"a.exe,x", true, "a.exe", 0},
        {"a.exe,2x", true, "a.exe", 0},
        {"", false, "", 0},
    };
    for (const Case& c : cases) {
        FileEntry entry = {};
        EXPECT_EQ(ParseFileEntry(c.entry, entry), c.ok) << c.entry;
        EXPECT_STREQ(entry.path, c.path) << c.entry;
        EXPECT_EQ(entry.mode, c.mode) << c.entry;
    }
}

TEST(ParseShortcutEntry, NeedsNameAndTargetAndRefusesOverlongFields) {
    auto repeat = [](size_t n) { return std::string(n, 'n'); };
    struct Case {
        std::string entry;
        EntryStatus status;
    } cases[] = {
        {"App,App.exe", EntryStatus::Ok},
        {"App,App.exe,/r,icon.ico,0", EntryStatus::Ok},
        {"App,App.exe,/r,icon.ico,0,extra text is ignored", EntryStatus::Ok},
        {"App", EntryStatus::TooFewFields},
        {"", EntryStatus::TooFewFields},
        {repeat(63) + ",t", EntryStatus::Ok},
        {repeat(64) + ",t", EntryStatus::FieldTooLong},
        {"a," + repeat(127), EntryStatus::Ok},
        {"a," + repeat(128), EntryStatus::FieldTooLong},
        {"a,t," + repeat(64), EntryStatus::FieldTooLong},
        {"a,t,," + repeat(128) + ",1", EntryStatus::FieldTooLong},
        {"a,t,,i," + repeat(15), EntryStatus::Ok},
        {"a,t,,i," + repeat(16), EntryStatus::FieldTooLong},
    };
    for (const Case& c : cases) {
        ShortcutEntry entry;
        EXPECT_EQ(ParseShortcutEntry(c.entry.c_str(), entry), c.status) << c.entry;
    }
    ShortcutEntry entry;
    ASSERT_EQ(ParseShortcutEntry("Uninstall, Setup.exe, /r", entry), EntryStatus::Ok);
    EXPECT_STREQ(entry.name, "Uninstall");
    EXPECT_STREQ(entry.target, "Setup.exe");
    EXPECT_STREQ(entry.arguments, "/r");
    EXPECT_STREQ(entry.iconFile, "");
    EXPECT_STREQ(entry.iconIndex, "");
}

TEST(ParseProgramAndRmDirEntries, ReadOptionalSecondFields) {
    ProgramEntry program;
    ASSERT_TRUE(ParseProgramEntry("bin\\app.exe, -x file", program));
    EXPECT_STREQ(program.program, "bin\\app.exe");
    EXPECT_STREQ(program.parameters, "-x file");
    ASSERT_TRUE(ParseProgramEntry("app.exe", program));
    EXPECT_STREQ(program.parameters, "");
    EXPECT_FALSE(ParseProgramEntry("", program));
    std::string longParameters = "a," + std::string(200, 'p');
    ASSERT_TRUE(ParseProgramEntry(longParameters.c_str(), program));
    EXPECT_EQ(std::strlen(program.parameters), sizeof(program.parameters) - 1);

    struct Case {
        const char* entry;
        bool ok;
        bool recurse;
    } cases[] = {
        {"%WINDIR%\\x", true, false}, {"d,1", true, true},  {"d,0", true, false}, {"d,", true, false},
        {"d,yes", true, false},       {"d,-2", true, true}, {"", false, false},
    };
    for (const Case& c : cases) {
        RmDirEntry entry = {};
        EXPECT_EQ(ParseRmDirEntry(c.entry, entry), c.ok) << c.entry;
        EXPECT_EQ(entry.recurse, c.recurse) << c.entry;
    }
}
