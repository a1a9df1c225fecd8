// Files that another program holds open: telling the failure apart, and
// asking the system which program it is.
#pragma once

#include <windows.h>

#include <cstddef>

// Whether a failed open, rename or copy of a file failed because another
// process holds it open (or maps it, as a running program's executable).
bool IsInUseError(DWORD error);

// The executable name of a program that holds `path` open ("Tandrel.exe"),
// as the Restart Manager (Windows Vista and later) tells it, into `out`.
// False, with `out` empty, where the system cannot tell.
bool FindHoldingProgram(const char* path, char* out, size_t capacity);
