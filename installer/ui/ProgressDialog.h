// The modeless dialog that names the file being copied and its destination
// while an install copies files, with a bar of the progress and a Cancel
// button.
#pragma once

#include <windows.h>

// Creates the progress dialog (template 106) owned by `owner`, captioned with
// the setup title, its bar at the start; null when it cannot be created. Its
// creator destroys it when the copying ends.
HWND CreateCopyProgressDialog(HWND owner);

// Shows `source` and `destination` in the dialog as the file now copied.
void ShowCopiedFile(HWND dialog, const char* source, const char* destination);

// Sets the bar to `position` of kProgressRange (engine/CopyProgress.h).
void ShowCopyPosition(HWND dialog, int position);

// Whether the user pressed キャンセル (or Esc) and confirmed it. The dialog
// only learns of it while its messages are handled.
bool CopyCancelRequested(HWND dialog);
