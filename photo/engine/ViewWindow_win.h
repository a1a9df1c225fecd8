// The view window: dialog 130 on a thread of its own, showing the picture at
// 1:1 with the client area sized to it. The mouse work is in ViewMouse_win;
// the thread routine and the dialog procedure are ImageDoc's
// (ViewThreadMain, ViewDlgProc).
#pragma once

#include <windows.h>

// Sent to the view by ImageDoc::CloseView: the view lets go of its document,
// ends the boxes it owns and ends. Private to the view, so no other code's
// message can be taken for it; the real WM_DESTROY follows.
const UINT kViewCloseMessage = WM_APP + 2;

// Sizes the window so that its client area is width x height, centres it on
// the desktop (its caption kept on the screen) and shows it on top.
void FitWindowToImage(HWND hwnd, int width, int height);

// "320px × 240px"
void SetViewTitle(HWND hwnd, int width, int height);
