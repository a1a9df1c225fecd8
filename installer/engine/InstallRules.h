// Decisions of the install flow and the uninstall entry that need no Windows
// calls: which install directories are acceptable, which files are copied,
// how the uninstall command line is written, and which shortcuts a run
// leaves out or refuses.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/PathScan.h"

// The machine's folders an install directory may not be, in the comparison
// form of CanonicalTargetPath (engine/DeletionRules.h).
struct InstallDirFolders {
    // The Windows directory: refused with everything inside it.
    std::vector<std::string> windows;
    // Refused themselves: Program Files and Common Files in both views, the
    // profile roots known by name.
    std::vector<std::string> exact;
    // Directories holding the users' profiles: each directory directly in one
    // is a profile root.
    std::vector<std::string> profileParents;
};

// Adds `path` (any spelling) to `list` in comparison form; ignored when it is
// not absolute.
void AddInstallDirFolder(std::vector<std::string>& list, const char* path, CharStep next);

enum class InstallDirProblem {
    None,
    // Message 21: empty, ending in a backslash, not a full path ("Tandrel",
    // "C:Tandrel", "\Tandrel", "E:"), or a drive or share root.
    Unspecified,
    // Message 24: a control character, "*" or "?" anywhere, or one of
    // / : , ; " < > | after the drive part.
    ForbiddenSymbol,
    // The Windows directory or a folder in it, Program Files or Common Files
    // themselves, a profile root: the product's files would mix with the
    // system's, and its uninstall would take them along.
    ProtectedFolder,
};

// Judges the install directory as typed (the text that becomes InstallDir).
// Double-byte characters are stepped over whole with `next`.
InstallDirProblem CheckInstallDirText(const char* dir, const InstallDirFolders& folders, CharStep next);

// A folder chosen in the browser becomes the product's folder in it: `dir`
// gets "\" and the last component of `defaultDir` (the setup file's
// install directory) appended, unless its own last component is that one
// already ("C:\Program Files" becomes "C:\Program Files\Tandrel"). False,
// `dir` unchanged, when the result would not fit in `capacity` bytes.
bool AppendProductFolder(char* dir, size_t capacity, const char* defaultDir, CharStep next);

// The "Dir" an uninstall continues in: the install directory, with the
// backslash of a drive root put back ("E:" is the current directory of drive
// E, "E:\" its root). False, `out` empty, when it does not fit.
bool UninstallDirText(char* out, size_t capacity, const char* installDir);

// A shortcut's name becomes a file name in its folder: it may hold no
// backslash, slash, colon, ".." or control character, so that no ".lnk" is
// written or deleted outside that folder. False for an empty name too.
bool IsSafeShortcutName(const char* name, CharStep next);

// Whether one "Files" entry is copied. `sourceAgainstDestination` is the
// comparison of the two last-write times (above 0: the source is later); it
// only counts when both files exist.
//   mode 0: only when the destination is missing;
//   mode 2: when the destination is missing or older than the source;
//   any other mode: always.
// A mode-2 entry whose source is missing is copied, so that the copy fails
// and is reported instead of the file silently staying out of date.
bool ShouldCopyFile(int32_t mode, bool sourceExists, bool destinationExists, int sourceAgainstDestination);

// The "UninstallString" of an uninstall entry: the uninstaller path, in
// double quotes when it contains a blank, followed by " /r". False, with
// `out` empty, when it would not fit in `capacity` bytes.
bool BuildUninstallCommand(char* out, size_t capacity, const char* uninstallerPath);

// The "ModifyPath" of an uninstall entry: the uninstaller path, quoted as in
// BuildUninstallCommand, so that Windows does not start "C:\Program" for
// "C:\Program Files\...". False, with `out` empty, when it would not fit.
bool BuildModifyCommand(char* out, size_t capacity, const char* uninstallerPath);

// True when two ANSI (code page 932) texts are equal without regard to the
// case of their single-byte letters; double-byte characters must match
// exactly (their trail bytes are never folded).
bool EqualsIgnoringCase(const char* a, const char* b);

// A shortcut entry that targets the installer itself is left out when the
// run cannot use it: the uninstall shortcut ("/r") for a user without
// administrator rights, the per-user removal ("/u") on Windows 9x/Me.
bool SkipsSelfShortcut(const char* targetField,
                       const char* arguments,
                       const char* ownFileName,
                       bool perUserRun,
                       bool win9xRun);

// "VersionMajor" and "VersionMinor" of an uninstall entry from its
// "DisplayVersion": the leading decimal numbers of "1", "1.2", "1.2.3 beta".
// False when the text does not start with a number or a number does not fit
// a 32-bit value; a missing minor number is 0.
bool ParseVersionNumbers(const char* displayVersion, uint32_t& major, uint32_t& minor);

// "YYYYMMDD", the form of an uninstall entry's "InstallDate", into `out` (at
// least 9 bytes).
void FormatInstallDate(char* out, int year, int month, int day);
