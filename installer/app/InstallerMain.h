// The entry of Mivo: finds the setup information file, records the
// process-wide values, decides the run mode and starts the role its one
// argument names.
#pragma once

#include <windows.h>

#include "engine/InstallerState_win.h"

// Runs the installer's role for `arguments` (the whole text after the program
// name, compared as it stands); returns the process exit code, 0 or 1.
int InstallerMain(HINSTANCE instance, const char* arguments);

// Fills the own path, file name and directory, the setup-file path and name
// and the initial install directory of g_installer from the running
// executable. False after the error box of a missing setup information file.
bool LocateSetupFile();

// The run mode of this platform and user.
RunMode DetectRunMode();
