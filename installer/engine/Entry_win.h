// What the entry finds out before it chooses a role: who we are, where the
// setup information file lies and with which rights this run works.
#pragma once

#include "engine/InstallerState_win.h"

class Reporter;

// Fills the own path, file name and directory, the setup-file path and name
// and the initial install directory of g_installer from the running
// executable. False after reporting a missing setup information file (or an
// own path that cannot be had).
bool LocateSetupFile(Reporter& reporter);

// The run mode of this platform and user.
RunMode DetectRunMode();
