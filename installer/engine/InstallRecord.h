// What an install made, kept in the installed setup information file so that
// the uninstall (through the copy "$$UnMivo.inf") removes that and nothing
// else. Free of Windows calls.
//
// The record is the section "InstallRecord", written in one piece:
//
//   [InstallRecord]
//   Version=1
//   HeldFiles=0            1: the install directory existed and held something
//   File1=Tool.exe         every destination file the install wrote
//   File2=C:\WINDOWS\system32\shared.dll
//   Dir1=C:\Program Files\Acme   every directory the install created
//   Dir2=help
//
// A path inside the install directory is written relative to it, as the
// "Files" entries are; any other path in full. Each value is one path of at
// most 255 bytes; "File" and "Dir" run from 1 to 99 each, as the item lists do
// (a "Files" list cannot name more destinations; directories beyond 99 are
// simply not recorded, and what is not recorded is left by the uninstall).
// The whole section stays below the 32 KiB the profile-section functions of
// Windows 9x handle: entries that would not fit are not written either.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/PathScan.h"

constexpr const char kRecordSection[] = "InstallRecord";
constexpr int kMaxRecordEntries = 99;
// Bytes of the section in profile-section form, its closing zero included.
constexpr size_t kRecordSectionCapacity = 32 * 1024;

struct InstallRecord {
    // False for a setup file installed before installs kept a record: the
    // uninstall then goes by the lists alone.
    bool present = false;
    // The install directory existed and held something before the install:
    // what else lies there is the user's.
    bool heldFiles = true;
    // As written: relative to the install directory, or full paths.
    std::vector<std::string> files;
    std::vector<std::string> dirs;
};

// Adds `path` (a full path) to `list` in record form: relative when it lies
// inside `installDir`. A path already listed (in any letter case), one longer
// than 255 bytes and any beyond the 99th are left out.
void AddRecordPath(std::vector<std::string>& list, const char* path, const char* installDir, CharStep next);

// The record in profile-section form ("key=value" strings, each closed by a
// zero, the list by one more) into `out`. Returns the number of entries left
// out because the section would have grown past kRecordSectionCapacity.
size_t FormatInstallRecord(const InstallRecord& record, std::string& out);

// Reads a section as GetPrivateProfileSectionA hands it over: `size` bytes,
// lines closed by zeros; a missing final zero is tolerated. Keys match without
// regard to case; unknown keys, numbers outside 1..99, values that are no
// usable path (empty, relative with "..", rooted without a drive, a drive
// without a backslash, wildcards or control characters, 256 bytes or more)
// are dropped. An empty section is no record. A record of another version is
// present but lists nothing, so the uninstall removes none of the files.
InstallRecord ParseInstallRecord(const char* section, size_t size, CharStep next);

// The full comparison form of a record path (see CanonicalTargetPath):
// relative ones below `installDir`. False when it cannot be formed.
bool RecordedFullPath(const std::string& entry, const char* installDir, CharStep next, std::string& out);

// Whether the full path `path` lies inside the directory `dir` (a drive's
// root may be written "E:"), in any spelling.
bool LiesInside(const char* path, const char* dir, CharStep next);

// Whether the record lists `path` as a file the install wrote.
bool RecordListsFile(const InstallRecord& record, const char* path, const char* installDir, CharStep next);

// Whether `path` is a directory the install created, or lies inside one.
bool InsideCreatedDirectory(const InstallRecord& record, const char* path, const char* installDir, CharStep next);

// The directories the install created, in full, deepest first: the order in
// which emptied ones can be removed.
std::vector<std::string> CreatedDirectoriesDeepestFirst(const InstallRecord& record,
                                                        const char* installDir,
                                                        CharStep next);

// Adds what `earlier` (the record of an earlier install into the same
// directory) lists to `record`, whose install found that earlier one's files:
// the directory's state before the first install is the one that counts.
void MergeEarlierRecord(InstallRecord& record, const InstallRecord& earlier, const char* installDir, CharStep next);
