// The install record: its section text both ways, what a hostile or
// oversized section yields, and the questions the uninstall asks of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShiftJisText.h"
#include "engine/InstallRecord.h"

namespace {

const char kDir[] = "C:\\Program Files\\Acme " SO;

InstallRecord Parse(const std::string& section) {
    return ParseInstallRecord(section.data(), section.size(), NextShiftJis);
}

// Lines joined the way the profile-section functions pass them.
std::string Section(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        text += line;
        text += '\0';
    }
    text += '\0';
    return text;
}

TEST(InstallRecord, RoundTripsWithPathsInsideTheInstallDirectoryRelative) {
    InstallRecord record;
    record.present = true;
    record.heldFiles = false;
    for (const char* file :
         {"C:\\Program Files\\Acme " SO "\\Tool.exe", "C:\\Program Files\\Acme " SO "\\help\\" HYO ".html",
          "C:\\WINDOWS\\system32\\shared.dll", "C:\\PROGRAM FILES\\ACME " SO "\\TOOL.EXE"}) {
        AddRecordPath(record.files, file, kDir, NextShiftJis);
    }
    AddRecordPath(record.dirs, "C:\\Program Files\\Acme " SO "\\help", kDir, NextShiftJis);
    AddRecordPath(record.dirs, kDir, kDir, NextShiftJis);
    // The same file in another case is one file.
    EXPECT_EQ(record.files,
              (std::vector<std::string>{"Tool.exe", "help\\" HYO ".html", "C:\\WINDOWS\\system32\\shared.dll"}));
    EXPECT_EQ(record.dirs, (std::vector<std::string>{"help", kDir}));

    std::string text;
    EXPECT_EQ(FormatInstallRecord(record, text), 0u);
    EXPECT_EQ(text,
              Section({"Version=1", "HeldFiles=0", "File1=Tool.exe", "File2=help\\" HYO ".html",
                       "File3=C:\\WINDOWS\\system32\\shared.dll", "Dir1=help", "Dir2=C:\\Program Files\\Acme " SO}));
    InstallRecord back = Parse(text);
    EXPECT_TRUE(back.present);
    EXPECT_FALSE(back.heldFiles);
    EXPECT_EQ(back.files, record.files);
    EXPECT_EQ(back.dirs, record.dirs);
}

TEST(InstallRecord, NoSectionIsNoRecordAndAnUnknownVersionListsNothing) {
    EXPECT_FALSE(Parse(Section({})).present);
    EXPECT_FALSE(Parse(Section({"File1=Tool.exe", "HeldFiles=0"})).present);
    EXPECT_FALSE(ParseInstallRecord(nullptr, 0, NextShiftJis).present);

    InstallRecord future = Parse(Section({"Version=2", "HeldFiles=0", "File1=Tool.exe", "Dir1=help"}));
    EXPECT_TRUE(future.present);
    EXPECT_TRUE(future.heldFiles);
    EXPECT_TRUE(future.files.empty());
    EXPECT_TRUE(future.dirs.empty());

    // Without its flag the directory counts as the user's.
    EXPECT_TRUE(Parse(Section({"Version=1", "File1=Tool.exe"})).heldFiles);
    EXPECT_TRUE(Parse(Section({"version=1", "heldfiles=yes"})).heldFiles);
    EXPECT_FALSE(Parse(Section({"VERSION=1", "HELDFILES=0"})).heldFiles);
}

TEST(InstallRecord, HostileValuesAndKeysAreDropped) {
    const std::string tooLong = "File3=" + std::string(256, 'a');
    const std::string longest = "File4=" + std::string(255, 'b');
    InstallRecord record = Parse(Section({
        "Version=1",
        "File1=..\\..\\WINDOWS\\win.ini",
        "File2=help\\..\\..\\x.dll",
        tooLong.c_str(),
        longest.c_str(),
        "File5=\\WINDOWS\\win.ini",  // rooted without a drive
        "File6=C:WINDOWS\\win.ini",  // relative to a drive's directory
        "File7=*.*",                 // wildcards
        "File8=a\tb.txt",            // control character
        "File9=Tool.exe:stream",     // a stream of a file
        "File0=zero.txt",            // numbers run from 1
        "File01=padded.txt",         // written plainly only
        "File100=beyond.txt",        // never more than 99
        "File99=last.txt",
        "Files=plain.txt",
        "File10=",    // empty
        "Dir1=C:\\",  // a root is a full path, listed as such
        "Dir2=.",
        "no equals sign",
        "=Tool.exe",
        "File11=" SO "\\" HYO ".txt",  // trail bytes that read as backslashes
        "File99=twice.txt",            // the later of two wins
    }));
    EXPECT_TRUE(record.present);
    EXPECT_EQ(record.files, (std::vector<std::string>{std::string(255, 'b'), SO "\\" HYO ".txt", "twice.txt"}));
    EXPECT_EQ(record.dirs, std::vector<std::string>{"C:\\"});
}

TEST(InstallRecord, ASectionWithoutItsClosingZerosIsReadUpToItsEnd) {
    std::string text = "Version=1";
    text += '\0';
    text += "File1=Tool.exe";  // no zero after it
    InstallRecord record = ParseInstallRecord(text.data(), text.size(), NextShiftJis);
    EXPECT_EQ(record.files, std::vector<std::string>{"Tool.exe"});
}

TEST(InstallRecord, NeverMoreThan99EntriesAndNeverPastThe32KiBSection) {
    InstallRecord record;
    for (int i = 0; i < 120; ++i) {
        std::string name = "C:\\Other\\" + std::string(200, 'f') + std::to_string(i);
        AddRecordPath(record.files, name.c_str(), kDir, NextShiftJis);
        name = "C:\\Data\\" + std::string(200, 'd') + std::to_string(i);
        AddRecordPath(record.dirs, name.c_str(), kDir, NextShiftJis);
    }
    // A path longer than any path is no entry.
    AddRecordPath(record.files, ("C:\\" + std::string(300, 'x')).c_str(), kDir, NextShiftJis);
    ASSERT_EQ(record.files.size(), 99u);
    ASSERT_EQ(record.dirs.size(), 99u);

    std::string text;
    size_t left = FormatInstallRecord(record, text);
    EXPECT_LE(text.size(), kRecordSectionCapacity);
    EXPECT_GT(left, 0u);
    InstallRecord back = Parse(text);
    // Every file fits; the directories that do not are the ones left out.
    EXPECT_EQ(back.files, record.files);
    EXPECT_EQ(back.dirs.size(), 99u - left);
    EXPECT_EQ(back.dirs.back(), record.dirs[back.dirs.size() - 1]);
}

TEST(InstallRecord, AnswersWhichFilesAndDirectoriesAreTheInstalls) {
    InstallRecord record = Parse(Section({"Version=1", "HeldFiles=1", "File1=Tool.exe", "File2=c:\\windows\\Shared.DLL",
                                          "Dir1=help", "Dir2=C:\\Program Files\\Acme " SO "\\data\\cache"}));
    struct Case {
        const char* path;
        bool listedFile;
        bool insideCreated;
    } cases[] = {
        {"C:\\Program Files\\Acme " SO "\\Tool.exe", true, false},
        {"c:\\program files\\acme " SO "\\TOOL.EXE", true, false},
        {"C:\\Program Files\\Acme " SO "\\.\\Tool.exe", true, false},
        {"C:\\WINDOWS\\shared.dll", true, false},
        {"C:\\WINDOWS\\system32\\shared.dll", false, false},
        {"C:\\Program Files\\Acme " SO "\\user.txt", false, false},
        {"C:\\Program Files\\Acme " SO "\\help", false, true},
        {"C:\\Program Files\\Acme " SO "\\help\\images", false, true},
        {"C:\\Program Files\\Acme " SO "\\helper", false, false},
        {"C:\\Program Files\\Acme " SO "\\data", false, false},
        {"C:\\Program Files\\Acme " SO "\\data\\cache\\x", false, true},
        {"Tool.exe", false, false},  // only full paths are asked about
    };
    for (const Case& c : cases) {
        EXPECT_EQ(RecordListsFile(record, c.path, kDir, NextShiftJis), c.listedFile) << c.path;
        EXPECT_EQ(InsideCreatedDirectory(record, c.path, kDir, NextShiftJis), c.insideCreated) << c.path;
    }
    EXPECT_EQ(CreatedDirectoriesDeepestFirst(record, kDir, NextShiftJis),
              (std::vector<std::string>{"C:\\Program Files\\Acme " SO "\\data\\cache", std::string(kDir) + "\\help"}));
}

TEST(InstallRecord, AnEarlierInstallsRecordIsMergedAndItsDirectoryStateKept) {
    InstallRecord earlier =
        Parse(Section({"Version=1", "HeldFiles=0", "File1=Tool.exe", "File2=old.dll", "Dir1=help"}));
    InstallRecord now;
    now.present = true;
    now.heldFiles = true;  // the earlier install's files were there
    AddRecordPath(now.files, "C:\\Program Files\\Acme " SO "\\TOOL.exe", kDir, NextShiftJis);
    AddRecordPath(now.files, "C:\\Program Files\\Acme " SO "\\new.dll", kDir, NextShiftJis);
    MergeEarlierRecord(now, earlier, kDir, NextShiftJis);
    EXPECT_FALSE(now.heldFiles);
    EXPECT_EQ(now.files, (std::vector<std::string>{"TOOL.exe", "new.dll", "old.dll"}));
    EXPECT_EQ(now.dirs, std::vector<std::string>{"help"});

    InstallRecord none;
    InstallRecord kept = now;
    MergeEarlierRecord(kept, none, kDir, NextShiftJis);
    EXPECT_EQ(kept.files, now.files);
    EXPECT_FALSE(kept.heldFiles);
}

}  // namespace
