// What the two install dialogs do alike.
#pragma once

#include <windows.h>

// Gives `dialog` the program icon (icon 103) as its big and small icon.
void SetProgramIcons(HWND dialog);

// Cancel, Esc or the caption's close box: ends `dialog` as cancelled once the
// user confirms (question 3); otherwise it stays as it was.
void CancelAfterConfirmation(HWND dialog);
