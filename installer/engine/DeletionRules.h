// Decisions of the uninstall that need no Windows calls: which directories a
// recursive deletion must never touch, how a "RegKey" item is read and which
// keys it may not name, the help index beside a help file, the uninstall
// program's command line, and the "rename" section of "wininit.ini".
//
// Paths are ANSI text of a double-byte code page (Shift-JIS): every scan walks
// whole characters with the stepping function the caller passes (CharNextA in
// the program), so a trail byte is never taken for a separator or a letter.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/PathScan.h"

// The comparison form of an absolute path: the drive ("C:") or the share
// ("\\SERVER\SHARE") followed by "\component" for each component, with "/"
// read as "\", empty and "." components dropped, ".." taking away the
// component before it (never the drive or share), trailing dots and blanks of
// each component dropped (Windows ignores them when it opens a path), and
// single-byte letters in upper case. "\\?\" and "\\.\" prefixes are read
// through. False for a path that is not absolute: empty, relative, rooted
// without a drive ("\dir") or relative to a drive's current directory ("C:dir").
bool CanonicalTargetPath(const char* path, CharStep next, std::string& out);

// Directories that a recursive or whole-directory deletion must leave alone.
struct ProtectedDirectories {
    // In comparison form: neither these nor anything above them may be
    // deleted (the Windows, system, program and common files directories, the
    // shell's folders of the user and of all users, the profiles).
    std::vector<std::string> exact;
    // In comparison form: the directories holding the users' profiles; every
    // directory directly inside one is a user's profile root.
    std::vector<std::string> profileParents;
};

// Adds `path` (any spelling) to `exact`; ignored when it is not absolute.
void AddProtectedDirectory(ProtectedDirectories& dirs, const char* path, CharStep next);

// Adds the directory that holds the profile `profilePath` to
// `profileParents`; ignored when that directory is a drive or share root,
// which would make every top-level directory a profile.
void AddProfileParent(ProtectedDirectories& dirs, const char* profilePath, CharStep next);

// True when deleting the directory `target` recursively could destroy what is
// not the product's: a target that is not absolute, a drive or share root, one
// of `dirs.exact` or a directory above one, a user's profile root or a folder
// directly inside one (such as Downloads).
bool IsProtectedTarget(const char* target, const ProtectedDirectories& dirs, CharStep next);

// A "RegKey" item: "ROOT\key path".
enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };

enum class RegistryItemStatus {
    Ok,
    NoBackslash,  // no root separator at all
    UnknownRoot,  // a root other than the three names, in exactly their case
    EmptyKey,     // nothing but backslashes after the root: it would name the root itself
    Protected,    // a key of the system that no product owns (its whole tree would go)
};

struct RegistryItem {
    RegistryRoot root;
    const char* keyPath;  // points into the item, after the first backslash
};

// Reads a "RegKey" item. `item.keyPath` is set for Ok and Protected.
RegistryItemStatus ParseRegistryItem(const char* text, CharStep next, RegistryItem& item);

// When `path`'s extension (the text from its last ".") is ".hlp" in any case,
// `out` receives the path with that extension replaced by ".gid", the index
// file WinHelp keeps beside a help file, and the result is true. A path whose
// last component has no "." has no extension.
bool HelpIndexPathFor(const char* path, CharStep next, char* out, size_t capacity);

// The uninstall program's command line: `installDir`\`program` in double
// quotes, followed by a blank and `parameters` when there are any. False, with
// `out` empty, when it does not fit in `capacity` bytes.
bool BuildProgramCommandLine(char* out,
                             size_t capacity,
                             const char* installDir,
                             const char* program,
                             const char* parameters);

// A profile section as the private-profile functions pass it: zero-terminated
// "key=value" lines, closed by one more zero. Returns the offset of the empty
// string that closes the list in `section` of `capacity` bytes, or `capacity`
// when the buffer holds no closing empty string.
size_t ProfileSectionEnd(const char* section, size_t capacity);

// Appends the line "NUL=" + `path` that asks Windows 9x to delete `path` at
// its next start, after every line `section` holds, and closes the list
// again. False, leaving `section` unchanged, when it does not fit.
bool AppendDeletionLine(char* section, size_t capacity, const char* path);
