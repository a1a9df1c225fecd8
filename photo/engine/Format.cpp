#include "engine/Format.h"

#include <cwchar>

int FormatOfPath(const wchar_t* path) {
    if (!path) {
        return FormatNone;
    }
    size_t length = std::wcslen(path);
    if (length <= 4) {
        return FormatNone;
    }
    switch (path[length - 3]) {
        case L'b':
        case L'B':
            return FormatBmp;
        case L'g':
        case L'G':
            return FormatGif;
        case L'j':
        case L'J':
            return FormatJpg;
        case L'p':
        case L'P':
            return FormatPng;
        default:
            return FormatNone;
    }
}
