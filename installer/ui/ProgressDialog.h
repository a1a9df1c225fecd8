// The modeless dialog that names the file being copied and its destination
// while an install copies files.
#pragma once

#include <windows.h>

// Creates the progress dialog (template 106) owned by `owner`, captioned with
// the setup title; null when it cannot be created. The copy loop writes the
// paths into IDC_PROGRESS_SOURCE and IDC_PROGRESS_DESTINATION and destroys the dialog when it ends.
HWND CreateCopyProgressDialog(HWND owner);
