// The install dialogs shown before the install starts.
#pragma once

#include <windows.h>

// The author's document (dialog 101). True when there is no document or the
// user pressed Next; false when it could not be read or the user cancelled.
bool ShowDocumentDialog(HWND owner);

// The install options (dialog 102 in place, 103 otherwise). True when the user
// pressed OK with valid input; false when cancelled.
bool ShowOptionsDialog(HWND owner);

// What both install dialogs do alike.

// Gives `dialog` the program icon (icon 103) as its big and small icon.
void SetProgramIcons(HWND dialog);

// Cancel, Esc or the caption's close box: ends `dialog` as cancelled once the
// user confirms (question 3); otherwise it stays as it was.
void CancelAfterConfirmation(HWND dialog);
