// The uninstall roles. Each returns the process exit code: 0 after a failure,
// 1 otherwise. Called after the setup file is found and the run mode is set.
#pragma once

// "/r" (or any start when "InstallProhibited" is 1): confirms, runs the
// setup file's uninstall program, then hands over to the copy in the Windows
// directory (or removes the per-user part itself).
int StartUninstall();

// "/k": the copy in the Windows directory removes everything listed.
int ContinueUninstall();

// "/u": removes the current user's shortcuts and settings only.
int StartPerUserUninstall();
