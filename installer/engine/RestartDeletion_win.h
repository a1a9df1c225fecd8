// Deleting the running uninstaller copy at the next start of Windows, and
// restarting Windows.
#pragma once

class Reporter;

// The error code of a section buffer for "wininit.ini" that cannot be had.
constexpr int kErrorWininitBuffer = 2221;

// Asks Windows to delete the running executable at its next start: through the
// system's pending file operations on the NT family, through "wininit.ini" on
// Windows 9x/Me (by the run mode). False when the request could not be made.
bool ScheduleSelfDeletion(Reporter& reporter);

// The NT family's way: a delayed delete of `path` registered with the system.
bool ScheduleDeletionAtRestart(const char* path);

// The Windows 9x/Me way: appends "NUL=" + `path` to section "rename" of the
// profile file `iniFile` ("wininit.ini" finds the one in the Windows
// directory), after every line the section holds. False after reporting
// error 6 (code 2221) when no buffer for the section can be had.
bool AppendWininitDeletion(Reporter& reporter, const char* iniFile, const char* path);

// Enables the shutdown privilege in this process's token, which a restart
// needs. Failures change nothing and are not reported.
void EnableShutdownPrivilege();

// Restarts Windows; the result is not checked, the caller ends normally.
void RestartWindows();
