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

// The comparison form split into its drive or share and its components.
struct PathParts {
    std::string prefix;  // "C:" or "\\SERVER\SHARE"
    std::vector<std::string> components;

    // The prefix and the first `count` components.
    std::string Join(size_t count) const;
    std::string Text() const { return Join(components.size()); }
    // The text to hand to Windows: a root gets its backslash back ("C:\").
    std::string WindowsText() const;
};
bool SplitTargetPath(const char* path, CharStep next, PathParts& out);

// Reads an administrative share of this machine ("\\localhost\C$\dir",
// "\\MYPC\d$") as the drive path it is ("C:\dir"). `localHosts` holds the
// names this machine answers to, in upper case; "LOCALHOST" and "127.0.0.1"
// always count. False for any other share of this machine: what it shows
// cannot be told from its name. A path on another machine stays as it is.
bool MapLocalShare(PathParts& path, const std::vector<std::string>& localHosts);

// True when `path` lies strictly inside `directory`; both in comparison form.
bool IsInsideDirectory(const std::string& path, const std::string& directory);

// Directories that a recursive or whole-directory deletion must leave alone.
struct ProtectedDirectories {
    // In comparison form: neither these nor anything above them may be
    // deleted (the Windows, system, program and common files directories, the
    // shell's folders of the user and of all users, the profiles).
    std::vector<std::string> exact;
    // In comparison form: refused themselves, above them and everything
    // inside them (the Windows directory, the system's own AppData folders),
    // unless this install created the directory inside.
    std::vector<std::string> trees;
    // In comparison form: the directories holding the users' profiles; every
    // directory directly inside one is a user's profile root.
    std::vector<std::string> profileParents;
    // The names this machine answers to, upper case (see MapLocalShare).
    std::vector<std::string> localHosts;
};

// Adds `path` (any spelling) to `exact` or `trees`; ignored when it is not
// absolute.
void AddProtectedDirectory(ProtectedDirectories& dirs, const char* path, CharStep next);
void AddProtectedTree(ProtectedDirectories& dirs, const char* path, CharStep next);

// Adds the directory that holds the profile `profilePath` to
// `profileParents`; ignored when that directory is a drive or share root,
// which would make every top-level directory a profile.
void AddProfileParent(ProtectedDirectories& dirs, const char* profilePath, CharStep next);

// True when deleting the directory `target` recursively could destroy what is
// not the product's: a target that is not absolute, a drive or share root, a
// share of this machine other than a drive's administrative share, one of
// `dirs.exact` or `dirs.trees` or a directory above one, a user's profile
// root or a folder directly inside one (such as Downloads), the system's
// AppData folders of any profile (AppData\LocalLow, Local\Microsoft,
// Roaming\Microsoft and what they hold, Local\Programs itself), and
// anything inside the Windows directory. `createdByInstall` (from the
// install's record) lets a directory inside those trees go: the install made
// it, so it is the product's.
bool IsProtectedTarget(const char* target,
                       const ProtectedDirectories& dirs,
                       CharStep next,
                       bool createdByInstall = false);

// A "RegKey" item: "ROOT\key path".
enum class RegistryRoot { CurrentUser, LocalMachine, ClassesRoot };

enum class RegistryItemStatus {
    Ok,
    NoBackslash,  // no root separator at all
    UnknownRoot,  // a root other than the three names, in exactly their case
    EmptyKey,     // nothing but backslashes after the root: it would name the root itself
    Protected,    // not a key a product may own (its whole tree would go)
};

struct RegistryItem {
    RegistryRoot root;
    const char* keyPath;  // points into the item, after the first backslash
    // HKEY_CLASSES_ROOT only: the key that says whose the item is, in upper
    // case: the extension or class (".ACME", "ACME.DOCUMENT"), or the class
    // id, interface, type library or application id under its root
    // ("CLSID\{...}"). Whether the machine's registrations in it belong to
    // the product is for the caller to find out (ClassKeyIsProducts).
    std::string classKey;
};

// Reads a "RegKey" item and applies the rule of what a product may own. Keys
// under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE: only
// "Software\Vendor\Product" and below ("Software\Wow6432Node\Vendor\Product" in the 32-bit
// view), never under Microsoft, Classes, Policies, Clients or
// RegisteredApplications, and nothing of HKEY_LOCAL_MACHINE\SYSTEM. Keys under
// HKEY_CLASSES_ROOT: an extension or class key and below, never the roots of
// class ids, interfaces, type libraries and application ids themselves, nor
// the classes and extensions of Windows itself. `existedBeforeInstall` (from
// the install's record) refuses a key the product did not make.
// `item.keyPath` is set for Ok and Protected.
RegistryItemStatus ParseRegistryItem(const char* text,
                                     CharStep next,
                                     RegistryItem& item,
                                     bool existedBeforeInstall = false);

// Whether a registration value of a class key (a shell command, a default
// icon, a COM server's path) names a file inside `directory`: the program is
// the quoted text, or the text up to the first blank, without an icon's
// ",index". "%1", a bare program name and an unquoted path with blanks name
// nothing inside.
bool RegistrationIsInside(const char* value, const char* directory, CharStep next);

// Whether the registrations found in a class key (see RegistrationIsInside)
// make it the product's: none of them names a file outside `directory`.
// A key holding no registration at all counts as the product's: its
// extension points to a class already removed, or it holds settings only.
bool ClassKeyIsProducts(const std::vector<std::string>& registrations, const char* directory, CharStep next);

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
