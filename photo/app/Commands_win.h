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

// Sets every control of the main window that follows the open picture's state
// (enabled, checked, caption): the selection and trimming buttons, the effect
// buttons, the size and rotation choices and the file buttons. The one place
// these change once the window is up.
void UpdateControls(HWND mainWnd);

// The open picture's watermark or copyright drawn anew from the settings
// record (nothing without a picture).
void RedrawWatermark();
void RedrawCopyright();

// What the view posted (kDocEventMessage): the close of the view, the end of
// a trim (rebuilt here), a closed lasso region, any release of the mouse.
void HandleDocEvent(HWND mainWnd, WPARAM event);

// The main window ends at once on this message, without the question about
// unsaved changes (WM_CLOSE asks it).
const UINT kCloseNowMessage = WM_APP + 2;

// The picture named on the command line is opened on this message, posted
// once the main window is made, so that the window shows and paints while the
// picture is still being decoded.
const UINT kOpenStartupPictureMessage = WM_APP + 4;

// True when the window may be left: nothing unsaved, or the user answered
// 「変更を保存しますか？」 with No, or with Yes and the save succeeded.
bool ConfirmLeave(HWND mainWnd);

// Whether two paths name one existing file, however spelled; false when
// either does not exist or cannot be examined.
bool IsSameFile(const wchar_t* first, const wchar_t* second);

// The open-file dialog; `buffer` is empty when the user cancelled.
void ChooseInputFile(HWND owner, wchar_t* buffer, size_t capacity);

// The box the desktop size fits pictures into: the desktop window less 30
// pixels each way.
int DesktopFitWidth();
int DesktopFitHeight();
