// The install itself and the clean-up run after a moving install.
#pragma once

#include <windows.h>

class ItemList;

// Copies the files, creates the shortcuts, remembers the install directory,
// registers the uninstall entry, reports completion and starts the installed
// program. True when all of it succeeded; false after an error box owned by
// `owner` (the installer main window, may be null). Nothing done before a
// failure is undone.
bool RunInstall(HWND owner);

// Creates the shortcut of every entry of a "Group", "Startup" or "Desktop"
// list in `folder`. True, or false after an error box owned by `owner`;
// shortcuts created before the failing entry stay.
bool CreateShortcutsFromList(HWND owner, const ItemList& list, const char* folder);

// The "/d" run: deletes the setup program left in the distribution directory
// after a moving install, as the state file "$$Mivo.ini" in the temporary
// directory names it, and then the state file.
void CleanUpAfterMove();
