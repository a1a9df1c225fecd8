// The author's document (dialog 101), step 1 of 2 of an install.
#pragma once

#include <windows.h>

#include <cstddef>

#include "ui/Dialogs.h"

// The author's document (the setup file's "TextFile", beside the setup
// program). True when there is none or the user pressed Next; false when it
// could not be read (after an error box) or the user cancelled.
bool ShowDocumentDialog(HWND owner);

// How much of the document is shown: the rest of a longer file is left out.
constexpr DWORD kDocumentLimit = 32768;

// Face name given to the document's edit: the fixed-pitch variant of the
// dialog font "ＭＳ Ｐゴシック", written in code page 932.
extern const char kDocumentFontFace[];

// Length of the longest prefix of the first `length` bytes of `text` that ends
// on a whole character: a document cut at the limit must not end in the lead
// byte of a double-byte character, which would show as a stray glyph.
size_t WholeCharacterLength(const char* text, size_t length);
