// The pop-up help of the install options: a small pale-yellow note just below
// a control, holding that control's explanation, gone at the next click, key
// or change of focus.
#pragma once

#include <windows.h>

// Window class of the note.
extern const char kPopupHelpClass[];  // "MIVO_POPHELP"

// Note geometry in pixels. A note is kNoteWidth wide and (text bottom + 8)
// high, the text bottom lying 4 pixels plus one line height per line below
// the top: 24 pixels for one line of the 9-point dialog font.
constexpr int kNoteWidth = 270;           // window, with its 1-pixel border
constexpr int kNoteWrapWidth = 257;       // text line
constexpr int kNoteLineHeight = 12;       // or the font's height, when taller
constexpr int kNoteFirstTextBottom = 16;  // text bottom of one 12-pixel line

// Opens the note for `control` (id `controlId` of the options dialogs) below
// it. Ids without help, or whose help text is empty, show nothing. Any note
// still open closes first.
void ShowPopupHelp(HWND control, int controlId);
