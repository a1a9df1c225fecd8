#pragma once

#include <windows.h>

// Chooses the installer's role from its one argument and runs it; returns the
// process exit code.
int InstallerMain(HINSTANCE instance, const char* arguments);
