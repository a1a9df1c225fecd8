// The view window: dialog 130 on a thread of its own, showing the picture at
// 1:1 with the client area sized to it. The mouse work is in ViewMouse.
#pragma once

#include <windows.h>

// Thread routine: runs the view dialog for the document `doc` (an ImageDoc)
// until the main window ends it; returns 1.
unsigned __stdcall ViewThread(void* doc);

INT_PTR CALLBACK ViewDlgProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

// Sizes the window so that its client area is width x height, centres it on
// the desktop (its caption kept on the screen) and shows it on top.
void FitWindowToImage(HWND hwnd, int width, int height);

// "320px × 240px"
void SetViewTitle(HWND hwnd, int width, int height);
