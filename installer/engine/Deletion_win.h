// Removing what an installation made: directory trees, registry trees and
// shortcut files, and the check that keeps a recursive deletion away from
// directories no product owns.
#pragma once

#include <windows.h>

#include "engine/SetupInfo_win.h"

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
// item of `list`. A shortcut that is missing or cannot be deleted is no error.
void DeleteShortcutList(const ItemList& list, const char* folder);

// True when a recursive or whole-directory deletion of `directory` could
// destroy what is not the product's: a path that is not absolute, a drive or
// share root, the Windows, system, Program Files or common files directory, a
// shell folder of the user or of all users, a user's profile root or a folder
// directly inside one, or any directory above one of these. Short (8.3) names
// are compared in their long form. Shows nothing.
bool IsProtectedDeletionTarget(const char* directory);
