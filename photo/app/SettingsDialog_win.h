// The settings dialog ("ソフト設定", template 103): the choices the main
// window does not show. Edits wait in PendingSettings until Apply; the trim
// check box acts at once. Nothing is written to TDR.ini here: the main window
// saves the record when it closes.
#pragma once

#include <windows.h>

// Runs the dialog modally over `mainWnd`, which the caller has disabled; the
// dialog enables the main window again when it closes (and so does the return
// when the dialog could not be shown), and on Apply rewrites the captions of
// the main window's size buttons.
void ShowSettingsDialog(HWND mainWnd);

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Moves `window`, keeping its size, to the middle of the desktop and shows it.
void CenterOnDesktop(HWND window);
