// Everything the main window's controls do: one handler for every command, the
// loading of a picture, the open-file dialog and the save step.
#pragma once

#include <windows.h>

#include <cstddef>

// Runs the action of control `controlId` (the notification code does not
// matter: every notification of an edit runs its handler). 1 when the id is
// one of the main window's commands, else 0.
INT_PTR HandleCommand(HWND mainWnd, int controlId);

// Opens `path` in a new document and shows it; on failure tells the user (when
// the image library reports why) and leaves the window empty.
void LoadInputFile(HWND mainWnd, const wchar_t* path);

// The open-file dialog; `buffer` is empty when the user cancelled.
void ChooseInputFile(HWND owner, wchar_t* buffer, size_t capacity);

// The box the desktop size fits pictures into: the desktop window less 30
// pixels each way.
int DesktopFitWidth();
int DesktopFitHeight();
