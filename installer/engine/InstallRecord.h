// The record an install keeps of what it made, in the installed setup file
// (so that it travels with it to "$$UnMivo.inf"), section "InstallRecord":
//
//   DirHeldFiles=1              the install directory existed and held files
//   File1=C:\Program Files\Acme\acme.exe    every destination file written
//   Dir1=C:\Program Files\Acme\data         every directory created
//   KeyExisted1=HKEY_CLASSES_ROOT\.txt      every "RegKey" item found already there
//
// The uninstall deletes a listed file, directory or key by what the record
// says; a setup file without the section comes from an install made before
// the record, and is uninstalled as before. Free of Windows calls: the
// section is read and written whole (GetPrivateProfileSectionA,
// WritePrivateProfileSectionA) as zero-separated "key=value" lines.
//
// Bounds: each value is one full path (or "RegKey" item) of at most 255
// bytes; each list holds at most 99 entries, as the item lists do (a "Files"
// list cannot name more destinations). The whole section stays within the
// 32 KiB that the profile-section functions of Windows 9x handle; what does
// not fit is left out, files first kept. Anything left out of the record is
// left on the disk by the uninstall, never the other way round.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/PathScan.h"

extern const char kInstallRecordSection[];  // "InstallRecord"

// Entries per list, and bytes of the section with its closing zero.
constexpr size_t kMaxRecordEntries = 99;
constexpr size_t kRecordSectionCapacity = 32 * 1024;

struct InstallRecord {
    bool present = false;  // the setup file holds the section
    bool dirHeldFiles = false;
    std::vector<std::string> files;         // as written by the install
    std::vector<std::string> dirs;          // as written by the install
    std::vector<std::string> keysExisting;  // "RegKey" items as the setup file spells them
};

// Adds a path or item once: one that names the same file, directory or key
// (by the comparison form of engine/DeletionRules.h, or for keys the
// registry's case-insensitive comparison) as one already listed is not added
// again. A path that is not absolute, a value over 255 bytes and any entry
// beyond the 99th are not added.
void RecordFile(InstallRecord& record, const char* path, CharStep next);
// The same as RecordFile for each of `paths` in turn, with each listed path
// brought to its comparison form once rather than once for every path added.
void RecordFiles(InstallRecord& record, const std::vector<std::string>& paths, CharStep next);
void RecordDirectory(InstallRecord& record, const char* path, CharStep next);
void RecordExistingKey(InstallRecord& record, const char* item, CharStep next);

// The section's lines: "DirHeldFiles=0|1", then "File<n>=", "Dir<n>=",
// "KeyExisted<n>=" numbered from 1, each ended by a zero, the whole closed by
// one more zero; never longer than kRecordSectionCapacity.
std::string FormatInstallRecord(const InstallRecord& record);

// Reads the section as GetPrivateProfileSectionA passes it (`capacity`
// bytes; a section cut by a small buffer reads as far as it is whole).
// `record.present` is true when `section` holds any line. Unknown keys, lines
// without "=", numbers outside 1..99 and values that cannot be an entry
// (empty, over 255 bytes, with control characters or wildcards) are passed
// over. A record without "DirHeldFiles=0" counts the directory as the user's.
InstallRecord ParseInstallRecord(const char* section, size_t capacity);

// Whether the record lists `path` (any spelling) among the files written or
// the directories created, or `item` among the keys found already there.
bool RecordListsFile(const InstallRecord& record, const char* path, CharStep next);
bool RecordListsDirectory(const InstallRecord& record, const char* path, CharStep next);
bool RecordListsExistingKey(const InstallRecord& record, const char* item, CharStep next);

// Whether the full path `path` lies strictly inside the directory `dir` (a
// drive's root may be written "E:"), in any spelling.
bool LiesInside(const char* path, const char* dir, CharStep next);

// Whether `path` is a directory the install created, or lies inside one.
bool InsideCreatedDirectory(const InstallRecord& record, const char* path, CharStep next);

// The directories the install created, deepest first: the order in which
// emptied ones can be removed.
std::vector<std::string> CreatedDirectoriesDeepestFirst(const InstallRecord& record, CharStep next);

// Adds what `earlier` (the record of an earlier install of the product into
// the same directory) lists to `record`, whose install found that earlier
// one's files there: the directory's state before the first install counts.
void MergeEarlierRecord(InstallRecord& record, const InstallRecord& earlier, CharStep next);
