// The installer's main window: never shows content, stands minimised on the
// taskbar with the setup title and the program icon, and owns the install's
// dialogs and message boxes.
#pragma once

#include <windows.h>

// Window class of the main window.
extern const char kMainWindowClass[];  // "MIVO_MainWnd"

// Creates the main window minimised and active, titled with the setup title;
// null when the class cannot be registered or the window cannot be created.
// The caller destroys it.
HWND CreateMainWindow();
