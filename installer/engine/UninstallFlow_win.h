// The uninstall roles. Each returns the process exit code: at the screen 0
// after a failure and 1 otherwise; unattended ("/S") kExitSuccess,
// kExitFailure, kExitRefused or kExitRestartNeeded. Called after the setup
// file is found and the run mode is set.
#pragma once

#include <windows.h>

class Reporter;

// "/r" (or any start when "InstallProhibited" is 1): confirms, runs the
// setup file's uninstall program, then hands over to the copy in the Windows
// directory (or removes the per-user part itself).
int StartUninstall(Reporter& reporter);

// "/k": the copy in the Windows directory removes everything listed.
int ContinueUninstall(Reporter& reporter);

// An unattended "/r": waits for the copy `copy` started with "/k /S" and
// returns its exit code, so that whoever waits for "/r" sees the whole
// uninstall. When it succeeded, the installed setup program running this
// process (when `ownFileListed`: the "Files" list names it) and the install
// directory are handed to a clean-up run of the copy ("/d /S"), which
// removes them once this process has ended.
int AwaitUninstallerCopy(Reporter& reporter, HANDLE copy, bool ownFileListed);

// The clean-up run's part after an unattended uninstall: deletes the setup
// program the hand-over names as soon as its process has ended, then the
// install directory when it is empty. Does nothing without a hand-over under
// `token`, and nothing a second time.
void FinishUnattendedUninstall(Reporter& reporter, const char* token);

// "/u": removes the current user's shortcuts and settings only.
int StartPerUserUninstall(Reporter& reporter);

// Looks at every entry the uninstall will act on (the install directory,
// "RmDir", "RegKey", "Files" and the shortcut lists in use) and reports each
// one that names nothing that can be found (an unknown macro, a path over 255
// bytes, a key without its root) with message 2. True when there was none.
bool CheckUninstallEntries(Reporter& reporter);

// Asks question 4 (or 29 for a per-user run): true when the answer is Yes. A
// per-user run the setup file does not allow ("NotAdmin" 0) gets error 28 and
// false without a question.
bool ConfirmUninstall(Reporter& reporter);

// The removal itself, in order: shortcuts, registry keys (a per-user run ends
// here), directories, files, the install directory, the setup file, then the
// running executable's deletion at restart and the closing message. Never
// undoes a step; false when an error stopped it (already reported).
bool RunUninstall(Reporter& reporter);

// Runs the setup file's "Uninstall" "Program" from the install directory and
// waits for it to end. True when there is none or it ran; false after error 18
// when it could not be started.
bool RunUninstallProgram(Reporter& reporter);
