// The install dialogs shown before the install starts.
#pragma once

#include <windows.h>

// The author's document (dialog 101). True when there is no document or the
// user pressed Next; false when it could not be read or the user cancelled.
bool ShowDocumentDialog(HWND owner);

// The install options (dialog 102 in place, 103 otherwise). True when the user
// pressed OK with valid input; false when cancelled.
bool ShowOptionsDialog(HWND owner);
