// The modeless dialog that names the file being copied and its destination
// while an install copies files.
#pragma once

#include <windows.h>

// Creates the progress dialog (template 106) owned by `owner`, captioned with
// the setup title; null when it cannot be created. Its creator destroys it
// when the copying ends.
HWND CreateCopyProgressDialog(HWND owner);

// Shows `source` and `destination` in the dialog as the file now copied.
void ShowCopiedFile(HWND dialog, const char* source, const char* destination);
