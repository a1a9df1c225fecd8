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

// Format code judged from the extension of a file name, in any case: ".jpg",
// ".jpeg", ".jpe", ".jfif" are JPEG, ".bmp" and ".dib" BMP, ".png" and ".gif"
// themselves; any other extension, or none, is FormatNone.
int FormatOfPath(const wchar_t* path);
