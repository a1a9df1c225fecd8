// Parsing of setup information file entries, free of Windows calls.
#pragma once

#include <cstddef>
#include <cstdint>

// A decimal integer with an optional leading '-'. Any other character makes
// the result 0, as do an empty text and a lone '-'. Values beyond 32 bits wrap
// around modulo 2^32, the way the original 32-bit accumulation did, but
// without signed overflow.
int32_t ParseDecimal(const char* text);

// The value of `key` among the lines of a profile section as
// GetPrivateProfileSectionA hands it over: "name=value" lines, each ended by
// a zero, within `length` bytes. Found as GetPrivateProfileStringA finds it:
// the first line whose name, blanks (spaces, tabs) around it dropped, equals
// `key` without regard to ASCII case; its value is the text after the first
// "=", blanks around it dropped and then one pair of enclosing quotes (" or
// '). A line without "=" has an empty value. False when no line names `key`;
// otherwise the value is [begin, end) of `section`.
bool FindSectionValue(const char* section, size_t length, const char* key, const char*& begin, const char*& end);

// One caller-provided field of SplitFields: a buffer of `capacity` bytes
// (at least 1). `cut` tells afterwards whether the field was longer than the
// buffer and lost its tail.
struct FieldBuffer {
    char* text;
    size_t capacity;
    bool cut;
};

// Splits a comma-separated entry into the first `count` fields. After each
// comma every following space byte is skipped (tabs are kept); spaces before
// a comma and at the start stay. Returns the number of fields found (at most
// `count`; text after the last filled field is ignored), or -1 for an empty
// entry. Fields from the result up to count - 1 are set empty. A field longer
// than its buffer is cut at a character boundary (double-byte aware for code
// page 932; commas and spaces never occur as trail bytes, so the byte-wise
// scan for separators is safe).
int SplitFields(const char* entry, FieldBuffer* fields, int count);

// A "Files" entry: "path[,mode]".
struct FileEntry {
    char path[256];
    // Copy mode: 0 only when the destination is missing; 1 always (also for
    // every value other than 0 and 2); 2 when missing or older than the
    // source. Absent means 1; empty or non-numeric reads as 0.
    int32_t mode;
};
// False for an empty entry.
bool ParseFileEntry(const char* entry, FileEntry& out);

// A "Group", "Startup" or "Desktop" entry:
// "name,target[,arguments[,icon file[,icon index]]]".
struct ShortcutEntry {
    char name[64];       // shortcut file name without ".lnk", also its description
    char target[128];    // path entry
    char arguments[64];  // command-line arguments
    char iconFile[128];  // path entry; empty: the target's icon
    char iconIndex[16];  // empty: no icon is set
};

enum class EntryStatus {
    Ok,
    TooFewFields,  // empty, or without a target field
    FieldTooLong,  // a field does not fit its capacity
};

// Shortcut entries are refused rather than cut when a field is too long: a
// shortened target or icon path would silently point at a different file.
EntryStatus ParseShortcutEntry(const char* entry, ShortcutEntry& out);

// "Install" "Program" and "Uninstall" "Program": "program[,parameters]".
struct ProgramEntry {
    char program[256];     // relative to the install directory
    char parameters[128];  // cut when longer
};
// False for an empty entry.
bool ParseProgramEntry(const char* entry, ProgramEntry& out);

// An "RmDir" entry: "path[,recurse]".
struct RmDirEntry {
    char path[256];
    bool recurse;  // non-zero second field: also delete sub-directories
};
// False for an empty entry.
bool ParseRmDirEntry(const char* entry, RmDirEntry& out);

// True when `c` is a lead byte of a Shift-JIS (code page 932) double-byte
// character.
bool IsShiftJisLeadByte(unsigned char c);
