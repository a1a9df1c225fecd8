// The entry of Mivo: finds the setup information file, records the
// process-wide values, decides the run mode and starts the role its one
// argument names, with message boxes and the install dialogs for the user.
#pragma once

#include <windows.h>

// Runs the installer's role for `arguments` (the whole text after the program
// name, compared as it stands); returns the process exit code, 0 or 1.
int InstallerMain(HINSTANCE instance, const char* arguments);
