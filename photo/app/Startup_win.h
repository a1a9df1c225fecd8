// Start-up of Tandrel: the process-wide start-up values from the command line
// and the system, and fresh copies of the program.
#pragma once

#include <windows.h>

const int kTextCapacity = 1024;

// Written once during start-up, read afterwards.
struct AppStartup {
    HINSTANCE module = nullptr;
    wchar_t windowsDir[kTextCapacity] = {};  // no trailing separator
    wchar_t helpUrl[kTextCapacity] = {};
    int inputGiven = 0;
    wchar_t inputPath[kTextCapacity] = {};  // as named, relative names stay relative
    // A picture was named but its path does not fit inputPath: the window
    // says so, as for a dropped one, instead of opening nothing silently.
    int inputTooLong = 0;
};

extern AppStartup appStartup;

// Fills `startup` for this process: the Windows directory, the help's
// address and the picture named on the command line.
void ReadStartup(HINSTANCE module, AppStartup& startup);

// Fills inputGiven and inputPath of `startup` from a whole command line as
// GetCommandLineW gives it (the program's name first).
void ReadCommandLine(const wchar_t* commandLine, AppStartup& startup);

// Starts a new copy of this program with an empty main window ("-n").
void StartFreshCopy(HWND owner);
