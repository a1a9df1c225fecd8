// Removing what an installation made: directory trees, registry trees and
// shortcut files, and the check that keeps a recursive deletion away from
// directories no product owns.
#pragma once

#include <windows.h>

#include "engine/DeletionRules.h"
#include "engine/SetupInfo_win.h"

class Reporter;

// The error code of a registry key that cannot be deleted.
constexpr int kErrorRegistryKeyDelete = 2232;

// Deletes what `directory` holds: its files (read-only ones made writable
// first) and, when `recursive`, its subdirectories with everything in them.
// Without `recursive` subdirectories stay and count as no failure. A junction
// or directory link is never entered: inside the tree only the link itself is
// removed, and a `directory` that is a link is left as it is, so whatever the
// link points to stays untouched. True when everything it set out to remove is
// gone (also for a missing or empty directory).
bool DeleteDirectoryContents(const char* directory, bool recursive);

// Deletes the key `path` below `root` with all its subkeys. 0 on success and
// when the key does not exist; kErrorRegistryKeyDelete when a key cannot be
// deleted, and for an empty path, which would name `root` itself.
int DeleteRegistryTree(HKEY root, const char* path);

// Deletes `folder`\name.lnk for the name (the first field) of every shortcut
// item of `list`. A shortcut that is missing or cannot be deleted is no error;
// a name that would reach outside `folder` (IsSafeShortcutName) is passed over.
// Each one deleted is recorded with `reporter`, when one is given.
void DeleteShortcutList(const ItemList& list, const char* folder, Reporter* reporter = nullptr);

// True when a recursive or whole-directory deletion of `directory` could
// destroy what is not the product's: a path that is not absolute, a drive or
// share root, the Windows, system, Program Files or common files directory, a
// shell folder of the user or of all users, a user's profile root or a folder
// directly inside one, the system's AppData folders, anything inside the
// Windows directory or those AppData folders (unless `createdByInstall`, from
// the install's record, says the install made it), or any directory above
// one of these. Short (8.3) names, "\\?\" prefixes and this machine's
// administrative shares are compared as what they name; a path with a
// junction or symbolic link above its last component is refused, since the
// deletion would reach wherever that points. Shows nothing.
bool IsProtectedDeletionTarget(const char* directory, bool createdByInstall = false);

// Reads a "RegKey" item (ParseRegistryItem) and, for a key of
// HKEY_CLASSES_ROOT, asks the machine whether its registrations are those of
// the product installed in `installDir`: a class whose commands, icons or
// servers lie elsewhere is another program's or the system's, and is
// Protected. `existedBeforeInstall` is the install record's word on the key.
RegistryItemStatus CheckRegistryItem(const char* text,
                                     RegistryItem& item,
                                     const char* installDir,
                                     bool existedBeforeInstall = false);
