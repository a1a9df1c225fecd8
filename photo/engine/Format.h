// Output format codes shared by the image document and the main window's
// format list (list index = code - 1).
#pragma once

enum FormatCode : int {
    FormatNone = 0,
    FormatJpg = 1,
    FormatBmp = 2,
    FormatPng = 3,
    FormatGif = 4,
};

// Format code judged from a file name. Only the third character from the end
// counts ("a.jpeg" is png, ".bmp" is too short), as the stored settings and
// output names of earlier releases were made that way.
int FormatOfPath(const wchar_t* path);
