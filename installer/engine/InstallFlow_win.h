// The install itself, the options it takes from the user, and the clean-up
// run after a moving install.
#pragma once

#include <cstdint>

#include "engine/InstallerState_win.h"

class ItemList;
class Reporter;

// What the options dialog offers and what the user chose there.
struct InstallOptions {
    // The shortcut boxes, as "Group", "Startup" and "Desktop" "Value": -1 not
    // offered, 0 unchecked, anything else checked. The user's choice is 0 or 1.
    int32_t group = -1;
    int32_t startup = -1;
    int32_t desktop = -1;
    // "AllUsers": below 0 not offered, 0 unchecked, 1 checked, 2 or more an
    // indeterminate state the user cannot change.
    int32_t allUsers = -1;
    // `InstallDir`, without trailing backslash; asked for unless the install
    // is in place.
    char installDir[kPathCapacity] = {};
};

// The options as the setup file and the entry set them.
InstallOptions OfferedInstallOptions();

// Makes the user's choice the run's: the shortcut values and "AllUsers" of
// the setup record, and the install directory.
void ApplyInstallOptions(const InstallOptions& options);

// Copies the files, creates the shortcuts, remembers the install directory,
// registers the uninstall entry, reports completion and starts the installed
// program. True when all of it succeeded; false after reporting the error.
// The copying is one step: when it fails, or the user cancels it (through
// the progress or the question about a file in use; `cancelled` then says
// so), every file it wrote is removed and every file it replaced put back,
// and nothing else is done. A failure after it leaves the files installed
// and still writes the uninstall entry.
bool RunInstall(Reporter& reporter, bool* cancelled = nullptr);

// Creates the shortcut of every entry of a "Group", "Startup" or "Desktop"
// list in `folder`. True, or false after reporting the error; shortcuts
// created before the failing entry stay.
bool CreateShortcutsFromList(Reporter& reporter, const ItemList& list, const char* folder);

// After a moving install: starts the installed copy of this program with
// "/d" and the token under which RunInstall named the setup program, which
// that run deletes once this process has ended. Nothing when RunInstall named
// none. Its result is of no use here and not reported.
void StartCleanUpAfterMove();

// The "/d" run: deletes the setup program left in the distribution directory
// after a moving install, as the installing process named it under
// HKEY_LOCAL_MACHINE (where only an administrator writes) with `token`, and
// removes that record first, so that it deletes once. Without the record, or
// with another token, nothing is deleted.
void CleanUpAfterMove(const char* token);
