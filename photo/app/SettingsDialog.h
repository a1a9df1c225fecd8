// The settings dialog ("ソフト設定", template 103).
#pragma once

#include <windows.h>

// Runs the dialog modally over `mainWnd`, which the caller has disabled; the
// dialog enables the main window again when it closes.
void ShowSettingsDialog(HWND mainWnd);
