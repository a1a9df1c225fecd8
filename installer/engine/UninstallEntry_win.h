// The entry in the Windows list of installed programs, and the hand-over to
// the copy of the installer that removes the product.
#pragma once

#include "engine/InstallerState_win.h"
#include "win/ScopedHandle.h"

class Reporter;

// Key below HKEY_LOCAL_MACHINE that holds every uninstall entry.
extern const char kUninstallKeyPath[];  // "SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall"

// Writes the uninstall entry named by "Uninstall" "Key" with every value the
// setup file gives; the uninstaller it names is the installed copy of this
// program (or this program itself for an install in place). True, or false
// after reporting the error.
bool RegisterUninstallEntry(Reporter& reporter);

// The uninstaller's copy in the Windows directory, "$$UnMivo.exe"; false when
// the directory cannot be had or the path would not fit.
bool UninstallerCopyPath(char (&out)[kPathCapacity]);

// Deletes the uninstall entry, records the install directory as "Uninstall"
// "Dir" in the setup file, copies this program and its setup file into the
// Windows directory as "$$UnMivo.exe" and "$$UnMivo.inf", and starts that
// copy with "/k" ("/k /S" with this run's log for an unattended run). True
// when the copy was started, its process then in `started` when one is
// given; false after reporting the error.
bool LaunchUninstallerCopy(Reporter& reporter, KernelHandle* started = nullptr);
