// Decisions of the install flow and the uninstall entry that need no Windows
// calls: which files are copied, how the uninstall command line is written,
// and which shortcuts a run leaves out.
#pragma once

#include <cstddef>
#include <cstdint>

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
