#include <gtest/gtest.h>

#include <string>

#include "ShiftJisText.h"
#include "engine/InstallRecord.h"

namespace {

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

    const InstallRecord read = ParseInstallRecord(section.data(), section.size());
    EXPECT_TRUE(read.present);
    EXPECT_TRUE(read.dirHeldFiles);
    EXPECT_EQ(read.files, record.files);
    EXPECT_EQ(read.dirs, record.dirs);
    EXPECT_EQ(read.keysExisting, record.keysExisting);

    InstallRecord empty;
    const std::string emptySection = FormatInstallRecord(empty);
    EXPECT_EQ(emptySection, std::string("DirHeldFiles=0\0\0", 16));
    EXPECT_TRUE(ParseInstallRecord(emptySection.data(), emptySection.size()).present);
}

TEST(InstallRecord, ASetupFileWithoutTheSectionHasNoRecordAndStrayLinesArePassedOver) {
    const std::string none("\0\0", 2);
    EXPECT_FALSE(ParseInstallRecord(none.data(), none.size()).present);

    const std::string odd("Other=1\0File=C:\\x\0Filex1=C:\\y\0noequals\0File7=C:\\z\0DirHeldFiles=yes\0\0", 68);
    const InstallRecord read = ParseInstallRecord(odd.data(), odd.size());
    EXPECT_TRUE(read.present);
    EXPECT_FALSE(read.dirHeldFiles);
    EXPECT_EQ(read.files, std::vector<std::string>{"C:\\z"});
    EXPECT_TRUE(read.dirs.empty());

    // A buffer that cut the last line: only whole lines count.
    const std::string cut("File1=C:\\a\0File2=C:\\b", 21);
    EXPECT_EQ(ParseInstallRecord(cut.data(), cut.size()).files, std::vector<std::string>{"C:\\a"});
}

}  // namespace
