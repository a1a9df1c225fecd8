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
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/PathScan.h"

extern const char kInstallRecordSection[];  // "InstallRecord"

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
// again. A path that is not absolute is not added.
void RecordFile(InstallRecord& record, const char* path, CharStep next);
void RecordDirectory(InstallRecord& record, const char* path, CharStep next);
void RecordExistingKey(InstallRecord& record, const char* item, CharStep next);

// The section's lines: "DirHeldFiles=0|1", then "File<n>=", "Dir<n>=",
// "KeyExisted<n>=" numbered from 1, each ended by a zero, the whole closed by
// one more zero.
std::string FormatInstallRecord(const InstallRecord& record);

// Reads the section as GetPrivateProfileSectionA passes it (`capacity`
// bytes; a section cut by a small buffer reads as far as it is whole).
// `record.present` is true when `section` holds any line. Unknown keys and
// lines without "=" are passed over; values are taken as written.
InstallRecord ParseInstallRecord(const char* section, size_t capacity);

// Whether the record lists `path` (any spelling) among the files written or
// the directories created, or `item` among the keys found already there.
bool RecordListsFile(const InstallRecord& record, const char* path, CharStep next);
bool RecordListsDirectory(const InstallRecord& record, const char* path, CharStep next);
bool RecordListsExistingKey(const InstallRecord& record, const char* item, CharStep next);
