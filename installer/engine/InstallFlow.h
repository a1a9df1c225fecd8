// The install itself and the clean-up run after a moving install.
#pragma once

#include <windows.h>

// Copies the files, creates the shortcuts, remembers the install directory,
// registers the uninstall entry, reports completion and starts the installed
// program. True when all of it succeeded; false after an error box owned by
// `owner` (the installer main window, may be null).
bool RunInstall(HWND owner);

// The "/d" run: deletes the setup program left in the distribution directory
// after a moving install.
void CleanUpAfterMove();
