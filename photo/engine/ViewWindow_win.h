// The view window: dialog 130 on a thread of its own, showing the picture at
// 1:1, or scaled to fit where it is larger than the room on the screen (a key
// and the context menu switch to 100% with scroll bars and back). It lies
// beside the main window where the screen has room. The mouse work is in
// ViewMouse_win; the thread routine, the dialog procedure and the layout are
// ImageDoc's (ViewThreadMain, ViewDlgProc, LayOutView).
#pragma once

#include <windows.h>

// Sent to the view by ImageDoc::CloseView: the view lets go of its document,
// ends the boxes it owns and ends. Private to the view, so no other code's
// message can be taken for it; the real WM_DESTROY follows.
const UINT kViewCloseMessage = WM_APP + 2;
// Sent to the view when the picture or the choice of scale changed: it sizes,
// places and titles itself on its own thread.
const UINT kViewLayoutMessage = WM_APP + 3;

// The key that switches between fitting the screen and 100%.
const UINT kViewScaleKey = 'Z';

// "320px × 240px", or with the scale, "4000px × 3000px (25%)" (`percent` 0:
// without).
void SetViewTitle(HWND hwnd, int width, int height, int percent);
