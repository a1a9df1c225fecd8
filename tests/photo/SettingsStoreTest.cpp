// The settings file through the real private-profile functions: what a first
// start creates, the persistence rules of SAVE_SETTINGS, and texts outside the
// ANSI code page.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "settings/SettingsStore_win.h"
#include "support/TestFiles.h"

namespace {

const wchar_t* const kLoadOrder[] = {
    L"SAVE_SETTINGS", L"OUTPUT_FILE_BASE", L"CALLSCREEN_STRING",  L"CUNDERRIGHT_STRING", L"ZOOM",
    L"CALLSCREEN",    L"CUNDERRIGHT",      L"FALLSCREEN",         L"FUNDERRIGHT",        L"ROTATION",
    L"EFFECTSIZE",    L"ZOOMSIZENON",      L"ZOOMSIZESMALL",      L"ZOOMSIZEMIDDLE",     L"ZOOMSIZELARGE",
    L"TRIMSAVESIZE",  L"JPEG_QUALITY",     L"KEEP_SHOOTING_DATA",
};

struct SettingsFile {
    testfiles::ScratchDir dir{L"tdr"};
    std::wstring Path() const { return dir / L"TDR.ini"; }

    // What the main window does when it opens.
    Settings Start() const {
        Settings settings = {};
        LoadSaveFlag(settings, dir.Path().c_str());
        LoadSettings(settings, settings.saveSettings == 0, dir.Path().c_str());
        return settings;
    }
    void Exit(const Settings& settings) const { SaveSettings(settings, dir.Path().c_str()); }

    // The file as text, whichever encoding it is in.
    std::wstring Text() const {
        std::string bytes = testfiles::ReadFileBytes(Path());
        if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
            return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
        }
        return testfiles::FromAnsi(bytes);
    }
    bool IsUtf16() const {
        std::string bytes = testfiles::ReadFileBytes(Path());
        return bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    }
    std::vector<std::wstring> Keys() const {
        std::vector<std::wstring> keys;
        std::wstring text = Text();
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find(L'\n', start);
            std::wstring line = text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
            size_t equals = line.find(L'=');
            if (equals != std::wstring::npos) {
                keys.push_back(line.substr(0, equals));
            }
            if (end == std::wstring::npos) {
                break;
            }
            start = end + 1;
        }
        return keys;
    }
    std::wstring Value(const wchar_t* key) const {
        wchar_t value[2048] = {};
        GetPrivateProfileStringW(L"SETTINGS", key, L"<absent>", value, 2048, Path().c_str());
        return value;
    }
    void Write(const wchar_t* key, const wchar_t* value) const {
        WritePrivateProfileStringW(L"SETTINGS", key, value, Path().c_str());
    }
};

void ExpectDefaults(const Settings& s) {
    Settings d = DefaultSettings();
    EXPECT_STREQ(s.outputFileBase, d.outputFileBase);
    EXPECT_STREQ(s.callScreenString, d.callScreenString);
    EXPECT_STREQ(s.cUnderRightString, d.cUnderRightString);
    EXPECT_EQ(s.zoom, d.zoom);
    EXPECT_EQ(s.callScreen, d.callScreen);
    EXPECT_EQ(s.cUnderRight, d.cUnderRight);
    EXPECT_EQ(s.fAllScreen, d.fAllScreen);
    EXPECT_EQ(s.fUnderRight, d.fUnderRight);
    EXPECT_EQ(s.rotationChoice, d.rotationChoice);
    EXPECT_EQ(s.effectSize, d.effectSize);
    EXPECT_EQ(s.zoomSizeNon, d.zoomSizeNon);
    EXPECT_EQ(s.zoomSizeSmall, d.zoomSizeSmall);
    EXPECT_EQ(s.zoomSizeMiddle, d.zoomSizeMiddle);
    EXPECT_EQ(s.zoomSizeLarge, d.zoomSizeLarge);
    EXPECT_EQ(s.trimSaveSize, d.trimSaveSize);
    EXPECT_EQ(s.jpegQuality, d.jpegQuality);
    EXPECT_EQ(s.keepShootingData, d.keepShootingData);
}

Settings Changed() {
    Settings s = DefaultSettings();
    wcscpy(s.outputFileBase, L"_web");
    wcscpy(s.callScreenString, L"見本");
    wcscpy(s.cUnderRightString, L"(c) me");
    s.zoom = 2;
    s.callScreen = 1;
    s.cUnderRight = 0;
    s.fAllScreen = 44;
    s.fUnderRight = 9;
    s.rotationChoice = 3;
    s.effectSize = 25;
    s.zoomSizeSmall = 111;
    s.zoomSizeMiddle = 222;
    s.zoomSizeLarge = 333;
    s.trimSaveSize = 1;
    s.jpegQuality = 70;
    s.keepShootingData = 1;
    return s;
}

void ExpectChanged(const Settings& s) {
    Settings c = Changed();
    EXPECT_STREQ(s.outputFileBase, c.outputFileBase);
    EXPECT_STREQ(s.callScreenString, c.callScreenString);
    EXPECT_STREQ(s.cUnderRightString, c.cUnderRightString);
    EXPECT_EQ(s.zoom, 2);
    EXPECT_EQ(s.callScreen, 1);
    EXPECT_EQ(s.cUnderRight, 0);
    EXPECT_EQ(s.fAllScreen, 44);
    EXPECT_EQ(s.fUnderRight, 9);
    EXPECT_EQ(s.rotationChoice, 3);
    EXPECT_EQ(s.effectSize, 25);
    EXPECT_EQ(s.zoomSizeSmall, 111);
    EXPECT_EQ(s.zoomSizeMiddle, 222);
    EXPECT_EQ(s.zoomSizeLarge, 333);
    EXPECT_EQ(s.trimSaveSize, 1);
    EXPECT_EQ(s.jpegQuality, 70);
    EXPECT_EQ(s.keepShootingData, 1);
}

}  // namespace

TEST(SettingsStore, FirstStartCreatesEveryKeyAtItsDefaultInLoadOrder) {
    SettingsFile file;
    Settings s = file.Start();
    EXPECT_EQ(s.saveSettings, 1);
    ExpectDefaults(s);

    std::vector<std::wstring> keys = file.Keys();
    ASSERT_EQ(keys.size(), sizeof(kLoadOrder) / sizeof(kLoadOrder[0]));
    for (size_t i = 0; i < keys.size(); ++i) {
        EXPECT_EQ(keys[i], kLoadOrder[i]);
    }
    EXPECT_EQ(file.Value(L"SAVE_SETTINGS"), L"1");
    EXPECT_EQ(file.Value(L"CALLSCREEN_STRING"), L"複製禁止");
    EXPECT_EQ(file.Value(L"ZOOMSIZELARGE"), L"500");
    EXPECT_TRUE(file.IsUtf16());
}

TEST(SettingsStore, PersistenceFollowsTheSaveFlag) {
    // Each row: the flag stored at start (-1 = no file), whether the user
    // switches saving on or off during the run, and what the next start sees.
    struct Case {
        const char* name;
        int storedFlag;
        int flagAtExit;
        bool nextStartHasChanges;
        bool storedValuesKeptAtExit;  // when saving is off at exit
    } cases[] = {
        {"absent, saving left on", -1, 1, true, false}, {"absent, saving switched off", -1, 0, false, true},
        {"1, saving left on", 1, 1, true, false},       {"1, saving switched off", 1, 0, false, true},
        {"0, saving left off", 0, 0, false, true},      {"0, saving switched on", 0, 1, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SettingsFile file;
        if (c.storedFlag >= 0) {
            file.Exit(Changed());  // a previous run's choices
            file.Write(L"SAVE_SETTINGS", c.storedFlag ? L"1" : L"0");
        }
        Settings s = file.Start();
        EXPECT_EQ(s.saveSettings, c.storedFlag == 0 ? 0 : 1);
        if (c.storedFlag == 1) {
            ExpectChanged(s);
        } else {
            ExpectDefaults(s);
        }
        if (c.storedFlag == 0) {
            // The defaults replace the stored values at once, before any exit.
            EXPECT_EQ(file.Value(L"OUTPUT_FILE_BASE"), L"_tdr");
            EXPECT_EQ(file.Value(L"ZOOMSIZESMALL"), L"160");
        }

        Settings run = Changed();
        wcscpy(run.outputFileBase, L"_run");
        run.saveSettings = c.flagAtExit;
        std::wstring storedBase = file.Value(L"OUTPUT_FILE_BASE");
        file.Exit(run);
        EXPECT_EQ(file.Value(L"SAVE_SETTINGS"), c.flagAtExit ? L"1" : L"0");
        if (c.storedValuesKeptAtExit) {
            EXPECT_EQ(file.Value(L"OUTPUT_FILE_BASE"), storedBase);
        }

        Settings next = file.Start();
        if (c.nextStartHasChanges) {
            EXPECT_STREQ(next.outputFileBase, L"_run");
            EXPECT_EQ(next.zoomSizeLarge, 333);
        } else {
            ExpectDefaults(next);
        }
    }
}

TEST(SettingsStore, StoredValuesThatCannotPersistTakeTheirDefaults) {
    struct Case {
        const wchar_t* key;
        const wchar_t* stored;
        const wchar_t* rewritten;  // what the file holds after the start
    } cases[] = {
        {L"OUTPUT_FILE_BASE", L"", L"_tdr"},
        {L"CALLSCREEN_STRING", L"", L"複製禁止"},
        {L"CUNDERRIGHT_STRING", L"", L"Copyright #c 2007 BRAMWELT"},
        {L"FALLSCREEN", L"-1", L"30"},
        {L"ZOOMSIZESMALL", L"-1", L"160"},
        {L"TRIMSAVESIZE", L"-1", L"0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testfiles::ToUtf8(c.key));
        SettingsFile file;
        file.Start();
        file.Write(c.key, c.stored);
        Settings s = file.Start();
        ExpectDefaults(s);
        EXPECT_EQ(file.Value(c.key), c.rewritten);
    }
}

TEST(SettingsStore, IntegersOutsideTheirRangeAreReadAsTheirDefaults) {
    SettingsFile file;
    file.Start();
    file.Write(L"ZOOM", L"7");
    file.Write(L"ROTATION", L"-2");
    file.Write(L"ZOOMSIZENON", L"640");
    file.Write(L"ZOOMSIZEMIDDLE", L"99999999999");
    file.Write(L"ZOOMSIZELARGE", L"2001");
    file.Write(L"FALLSCREEN", L"abc");
    file.Write(L"effectsize", L"0");  // key names match without regard to case
    file.Write(L"FUNDERRIGHT", L"80");
    Settings s = file.Start();
    EXPECT_EQ(s.zoom, 0);
    EXPECT_EQ(s.rotationChoice, 0);
    EXPECT_EQ(s.zoomSizeNon, 640);
    EXPECT_EQ(s.zoomSizeMiddle, 320);
    EXPECT_EQ(s.zoomSizeLarge, 500);
    EXPECT_EQ(s.fAllScreen, 30);
    EXPECT_EQ(s.effectSize, 10);
    EXPECT_EQ(s.fUnderRight, 80);
}

TEST(SettingsStore, LaterKeysReadAbsentAsTheDefaultAndOutOfRangeValuesAsWell) {
    struct Case {
        const wchar_t* quality;  // null: absent, as in a file of an earlier release
        const wchar_t* keep;
        int expectedQuality;
        int expectedKeep;
    } cases[] = {
        {nullptr, nullptr, 95, 0}, {L"40", L"1", 40, 1},   {L"1", L"0", 1, 0},     {L"100", L"1", 100, 1},
        {L"0", L"2", 95, 0},       {L"101", L"-3", 95, 0}, {L"-7", L"yes", 95, 0}, {L"abc", L"-1", 95, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testfiles::ToUtf8(c.quality ? c.quality : L"(absent)"));
        SettingsFile file;
        // An earlier release's file: its keys, none of the later ones.
        std::string ansi = testfiles::ToAnsi(L"[SETTINGS]\r\nSAVE_SETTINGS=1\r\nZOOM=3\r\nOUTPUT_FILE_BASE=_old\r\n");
        ASSERT_TRUE(testfiles::WriteFileBytes(file.Path(), ansi));
        if (c.quality) {
            file.Write(L"JPEG_QUALITY", c.quality);
            file.Write(L"KEEP_SHOOTING_DATA", c.keep);
        }
        Settings s = file.Start();
        EXPECT_EQ(s.jpegQuality, c.expectedQuality);
        EXPECT_EQ(s.keepShootingData, c.expectedKeep);
        EXPECT_EQ(s.zoom, 3) << "the earlier keys read as they were";
        EXPECT_STREQ(s.outputFileBase, L"_old");
        file.Exit(s);
        EXPECT_EQ(file.Value(L"JPEG_QUALITY"), std::to_wstring(c.expectedQuality));
        EXPECT_EQ(file.Value(L"ZOOM"), L"3");
    }
}

TEST(SettingsStore, TextsOutsideTheAnsiCodePageSurviveASaveAndALoad) {
    const wchar_t* texts[] = {
        L"© 2024 ★ Müller",
        L"\U0001F600 emoji",
        L"Ωμέγα ☃ ─ 한국어",
        L"複製禁止 ①",
    };
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(testfiles::ToUtf8(text));
        SettingsFile file;
        Settings s = file.Start();
        wcscpy(s.callScreenString, text);
        wcscpy(s.cUnderRightString, text);
        wcscpy(s.outputFileBase, text);
        file.Exit(s);
        Settings next = file.Start();
        EXPECT_STREQ(next.callScreenString, text);
        EXPECT_STREQ(next.cUnderRightString, text);
        EXPECT_STREQ(next.outputFileBase, text);
    }
}

TEST(SettingsStore, AnEarlierAnsiFileIsReadAndThenKeepsEveryCharacter) {
    SettingsFile file;
    std::string ansi = testfiles::ToAnsi(
        L"[SETTINGS]\r\nSAVE_SETTINGS=1\r\nOUTPUT_FILE_BASE=_小\r\nCALLSCREEN_STRING=見本です\r\nZOOM=3\r\n"
        L"[OTHER]\r\nKEEP=ここ\r\n");
    ASSERT_TRUE(testfiles::WriteFileBytes(file.Path(), ansi));
    Settings s = file.Start();
    EXPECT_STREQ(s.outputFileBase, L"_小");
    EXPECT_STREQ(s.callScreenString, L"見本です");
    EXPECT_EQ(s.zoom, 3);

    wcscpy(s.callScreenString, L"★見本★");
    file.Exit(s);
    EXPECT_STREQ(file.Start().callScreenString, L"★見本★");
    wchar_t other[64] = {};
    GetPrivateProfileStringW(L"OTHER", L"KEEP", L"", other, 64, file.Path().c_str());
    EXPECT_STREQ(other, L"ここ");
}

TEST(SettingsStore, LongTextsAreCutToTheBuffer) {
    SettingsFile file;
    file.Start();
    std::wstring longText(1500, L'あ');
    file.Write(L"CUNDERRIGHT_STRING", longText.c_str());
    Settings s = file.Start();
    EXPECT_EQ(wcslen(s.cUnderRightString), 1023u);
}

TEST(SettingsStore, AnUnwritableFolderLeavesTheRunGoingOnDefaults) {
    // A folder that does not exist stands for one that cannot be written (Wine
    // runs the tests with rights that ignore a read-only attribute).
    testfiles::ScratchDir dir(L"tdr");
    std::wstring missing = dir / L"missing";
    Settings s = {};
    LoadSaveFlag(s, missing.c_str());
    LoadSettings(s, s.saveSettings == 0, missing.c_str());
    EXPECT_EQ(s.saveSettings, 1);
    ExpectDefaults(s);
    SaveSettings(Changed(), missing.c_str());
    EXPECT_FALSE(testfiles::DirExists(missing));
}
