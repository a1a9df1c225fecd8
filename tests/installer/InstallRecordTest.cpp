// The install record: its section both ways, what a hostile or oversized
// section yields, and the questions the uninstall asks of it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ShiftJisText.h"
#include "engine/InstallRecord.h"

namespace {

InstallRecord Parse(const std::string& section) {
    return ParseInstallRecord(section.data(), section.size());
}

// Lines joined the way the profile-section functions pass them.
std::string Section(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\0';
    }
    text += '\0';
    return text;
}

TEST(InstallRecord, ListsEachFileDirectoryAndKeyOnceUnderAnySpelling) {
    InstallRecord record;
    RecordFile(record, "C:\\Program Files\\Acme\\acme.exe", NextShiftJis);
    RecordFile(record, "c:/program files/acme/ACME.EXE", NextShiftJis);
    RecordFile(record, "C:\\Program Files\\Acme\\" SO ".txt", NextShiftJis);
    RecordFile(record, "acme.exe", NextShiftJis);  // not absolute: never recorded
    RecordDirectory(record, "C:\\Program Files\\Acme\\data", NextShiftJis);
    RecordDirectory(record, "C:\\Program Files\\Acme\\data\\", NextShiftJis);
    RecordExistingKey(record, "HKEY_CLASSES_ROOT\\.txt", NextShiftJis);
    RecordExistingKey(record, "HKEY_CLASSES_ROOT\\\\.TXT\\", NextShiftJis);
    EXPECT_EQ(record.files,
              (std::vector<std::string>{"C:\\Program Files\\Acme\\acme.exe", "C:\\Program Files\\Acme\\" SO ".txt"}));
    EXPECT_EQ(record.dirs, std::vector<std::string>{"C:\\Program Files\\Acme\\data"});
    EXPECT_EQ(record.keysExisting, std::vector<std::string>{"HKEY_CLASSES_ROOT\\.txt"});

    EXPECT_TRUE(RecordListsFile(record, "C:\\PROGRAM FILES\\Acme\\.\\acme.exe", NextShiftJis));
    EXPECT_TRUE(RecordListsFile(record, "\\\\?\\C:\\Program Files\\Acme\\" SO ".txt", NextShiftJis));
    EXPECT_FALSE(RecordListsFile(record, "C:\\Windows\\win.ini", NextShiftJis));
    EXPECT_FALSE(RecordListsFile(record, "C:\\Program Files\\Acme\\data", NextShiftJis));
    EXPECT_FALSE(RecordListsFile(record, "acme.exe", NextShiftJis));
    EXPECT_TRUE(RecordListsDirectory(record, "C:\\Program Files\\Acme\\sub\\..\\data", NextShiftJis));
    EXPECT_FALSE(RecordListsDirectory(record, "C:\\Program Files\\Acme", NextShiftJis));
    EXPECT_TRUE(RecordListsExistingKey(record, "HKEY_CLASSES_ROOT\\.Txt", NextShiftJis));
    EXPECT_FALSE(RecordListsExistingKey(record, "HKEY_CLASSES_ROOT\\.txt\\shell", NextShiftJis));
}

TEST(InstallRecord, FilesAddedTogetherAreListedAsOneByOne) {
    // Spellings of one file, unusable values and more than 99 entries, on a
    // record that already lists some: the list must come out the same.
    std::vector<std::string> paths = {"C:\\Program Files\\Acme\\acme.exe",
                                      "c:/program files/acme/ACME.EXE",
                                      "acme.exe",
                                      "C:\\Program Files\\Acme\\" SO ".txt",
                                      "C:\\Program Files\\Acme\\sub\\..\\" SO ".txt",
                                      "C:\\" + std::string(300, 'x')};
    for (int i = 0; i < 110; ++i) {
        paths.push_back("C:\\Other\\f" + std::to_string(i % 104));
    }
    InstallRecord one, all;
    for (InstallRecord* record : {&one, &all}) {
        RecordFile(*record, "C:\\Other\\F3", NextShiftJis);
        RecordFile(*record, "C:\\Earlier\\old.dll", NextShiftJis);
    }
    for (const std::string& path : paths) {
        RecordFile(one, path.c_str(), NextShiftJis);
    }
    RecordFiles(all, paths, NextShiftJis);
    EXPECT_EQ(all.files, one.files);
    EXPECT_EQ(all.files.size(), 99u);
}

TEST(InstallRecord, RoundTripsThroughItsProfileSection) {
    InstallRecord record;
    record.dirHeldFiles = true;
    RecordFile(record, "C:\\Acme\\a.exe", NextShiftJis);
    RecordFile(record, "C:\\Acme\\" SO "\\b=c.txt", NextShiftJis);
    RecordDirectory(record, "C:\\Acme\\data", NextShiftJis);
    RecordExistingKey(record, "HKEY_CLASSES_ROOT\\.acme", NextShiftJis);
    const std::string section = FormatInstallRecord(record);
    EXPECT_EQ(section, std::string("DirHeldFiles=1\0File1=C:\\Acme\\a.exe\0File2=C:\\Acme\\" SO
                                   "\\b=c.txt\0Dir1=C:\\Acme\\data\0KeyExisted1=HKEY_CLASSES_ROOT\\.acme\0\0",
                                   115));

    const InstallRecord read = Parse(section);
    EXPECT_TRUE(read.present);
    EXPECT_TRUE(read.dirHeldFiles);
    EXPECT_EQ(read.files, record.files);
    EXPECT_EQ(read.dirs, record.dirs);
    EXPECT_EQ(read.keysExisting, record.keysExisting);

    InstallRecord empty;
    const std::string emptySection = FormatInstallRecord(empty);
    EXPECT_EQ(emptySection, std::string("DirHeldFiles=0\0\0", 16));
    EXPECT_TRUE(Parse(emptySection).present);
    EXPECT_FALSE(Parse(emptySection).dirHeldFiles);
}

TEST(InstallRecord, ASetupFileWithoutTheSectionHasNoRecordAndStrayLinesArePassedOver) {
    EXPECT_FALSE(Parse(std::string("\0\0", 2)).present);
    EXPECT_FALSE(ParseInstallRecord(nullptr, 0).present);

    // Without a clear "0" the install directory counts as the user's.
    const InstallRecord read =
        Parse(Section({"Other=1", "File=C:\\x", "Filex1=C:\\y", "noequals", "File7=C:\\z", "DirHeldFiles=yes"}));
    EXPECT_TRUE(read.present);
    EXPECT_TRUE(read.dirHeldFiles);
    EXPECT_EQ(read.files, std::vector<std::string>{"C:\\z"});
    EXPECT_TRUE(read.dirs.empty());
    EXPECT_TRUE(Parse(Section({"File1=C:\\a"})).dirHeldFiles);

    // A buffer that cut the last line: only whole lines count, since a cut
    // path may name another file.
    const std::string cut("File1=C:\\a\0File2=C:\\b", 21);
    EXPECT_EQ(Parse(cut).files, std::vector<std::string>{"C:\\a"});
}

TEST(InstallRecord, HostileValuesAndNumbersAreDropped) {
    const InstallRecord record = Parse(Section({
        "File1=C:\\" + std::string(253, 'a'),  // 256 bytes: longer than any path
        "File2=C:\\" + std::string(252, 'b'),  // 255 bytes: the longest path
        "File3=C:\\*.*",
        "File4=C:\\a\tb.txt",
        "File0=C:\\zero.txt",
        "File01=C:\\padded.txt",
        "File100=C:\\beyond.txt",
        "File99=C:\\last.txt",
        "File5=",
        "File6=C:\\" SO "\\" HYO ".txt",
        "File99=C:\\twice.txt",  // the later of two wins
        "Dir1=C:\\",
        "KeyExisted2=HKEY_CLASSES_ROOT\\.acme",
    }));
    EXPECT_EQ(record.files,
              (std::vector<std::string>{"C:\\" + std::string(252, 'b'), "C:\\" SO "\\" HYO ".txt", "C:\\twice.txt"}));
    EXPECT_EQ(record.dirs, std::vector<std::string>{"C:\\"});
    EXPECT_EQ(record.keysExisting, std::vector<std::string>{"HKEY_CLASSES_ROOT\\.acme"});
    // A relative value is kept as written but names nothing.
    const InstallRecord relative = Parse(Section({"File1=..\\..\\WINDOWS\\win.ini"}));
    EXPECT_FALSE(RecordListsFile(relative, "C:\\WINDOWS\\win.ini", NextShiftJis));
}

TEST(InstallRecord, NeverMoreThan99EntriesAndNeverPastThe32KiBSection) {
    InstallRecord record;
    for (int i = 0; i < 120; ++i) {
        RecordFile(record, ("C:\\Other\\" + std::string(200, 'f') + std::to_string(i)).c_str(), NextShiftJis);
        RecordDirectory(record, ("C:\\Data\\" + std::string(200, 'd') + std::to_string(i)).c_str(), NextShiftJis);
        RecordExistingKey(record, ("HKEY_CURRENT_USER\\Software\\" + std::to_string(i)).c_str(), NextShiftJis);
    }
    RecordFile(record, ("C:\\" + std::string(300, 'x')).c_str(), NextShiftJis);
    ASSERT_EQ(record.files.size(), 99u);
    ASSERT_EQ(record.dirs.size(), 99u);
    ASSERT_EQ(record.keysExisting.size(), 99u);

    const std::string text = FormatInstallRecord(record);
    EXPECT_LE(text.size(), kRecordSectionCapacity);
    const InstallRecord back = Parse(text);
    // Every file fits; of the directories those that do not are left out.
    EXPECT_EQ(back.files, record.files);
    ASSERT_LT(back.dirs.size(), 99u);
    EXPECT_EQ(back.dirs, std::vector<std::string>(record.dirs.begin(), record.dirs.begin() + back.dirs.size()));
}

TEST(InstallRecord, AnswersWhichDirectoriesTheInstallMade) {
    const char kDir[] = "C:\\Program Files\\Acme " SO;
    InstallRecord record = Parse(Section({"DirHeldFiles=0", std::string("Dir1=") + kDir + "\\help",
                                          std::string("Dir2=") + kDir + "\\data\\cache", std::string("Dir3=") + kDir}));
    struct Case {
        std::string path;
        bool insideCreated;
    } cases[] = {
        {std::string(kDir) + "\\help", true},     {std::string(kDir) + "\\HELP\\images", true},
        {std::string(kDir) + "\\user.txt", true}, {"C:\\Program Files", false},
        {"C:\\Program Files\\Acme", false},       {"C:\\Program Files\\Acme " SO "x", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InsideCreatedDirectory(record, c.path.c_str(), NextShiftJis), c.insideCreated) << c.path;
    }
    EXPECT_EQ(CreatedDirectoriesDeepestFirst(record, NextShiftJis),
              (std::vector<std::string>{std::string(kDir) + "\\data\\cache", std::string(kDir) + "\\help", kDir}));
    EXPECT_TRUE(LiesInside("E:\\a.txt", "E:", NextShiftJis));
    EXPECT_TRUE(LiesInside("E:\\sub\\a.txt", "E:\\", NextShiftJis));
    EXPECT_FALSE(LiesInside("E:\\", "E:", NextShiftJis));
    EXPECT_FALSE(LiesInside("F:\\a.txt", "E:", NextShiftJis));
}

TEST(InstallRecord, AnEarlierInstallsRecordIsMergedAndItsDirectoryStateKept) {
    const InstallRecord earlier =
        Parse(Section({"DirHeldFiles=0", "File1=C:\\Acme\\Tool.exe", "File2=C:\\Acme\\old.dll", "Dir1=C:\\Acme\\help",
                       "KeyExisted1=HKEY_CLASSES_ROOT\\.txt"}));
    InstallRecord now;
    now.present = true;
    now.dirHeldFiles = true;  // the earlier install's files were there
    RecordFile(now, "C:\\ACME\\TOOL.exe", NextShiftJis);
    RecordFile(now, "C:\\Acme\\new.dll", NextShiftJis);
    MergeEarlierRecord(now, earlier, NextShiftJis);
    EXPECT_FALSE(now.dirHeldFiles);
    EXPECT_EQ(now.files, (std::vector<std::string>{"C:\\ACME\\TOOL.exe", "C:\\Acme\\new.dll", "C:\\Acme\\old.dll"}));
    EXPECT_EQ(now.dirs, std::vector<std::string>{"C:\\Acme\\help"});
    EXPECT_EQ(now.keysExisting, std::vector<std::string>{"HKEY_CLASSES_ROOT\\.txt"});

    InstallRecord kept = now;
    MergeEarlierRecord(kept, InstallRecord(), NextShiftJis);
    EXPECT_EQ(kept.files, now.files);
    EXPECT_FALSE(kept.dirHeldFiles);
}

}  // namespace
