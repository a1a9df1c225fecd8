#include "engine/Format.h"

#include <cwchar>
#include <cwctype>

namespace {

struct Extension {
    const wchar_t* name;
    int code;
};

const Extension kExtensions[] = {
    {L"jpg", FormatJpg}, {L"jpeg", FormatJpg}, {L"jpe", FormatJpg}, {L"jfif", FormatJpg},
    {L"png", FormatPng}, {L"bmp", FormatBmp},  {L"dib", FormatBmp}, {L"gif", FormatGif},
};

bool SameIgnoringCase(const wchar_t* a, const wchar_t* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::towlower(*a) != std::towlower(*b)) {
            return false;
        }
    }
    return *a == *b;
}

}  // namespace

int FormatOfPath(const wchar_t* path) {
    if (!path) {
        return FormatNone;
    }
    // The extension is what follows the last dot of the file name; a dot in a
    // folder's name ("C:\a.jpg\photo") is none.
    const wchar_t* extension = nullptr;
    for (const wchar_t* c = path; *c; ++c) {
        if (*c == L'.') {
            extension = c + 1;
        } else if (*c == L'\\' || *c == L'/') {
            extension = nullptr;
        }
    }
    if (!extension) {
        return FormatNone;
    }
    for (const Extension& known : kExtensions) {
        if (SameIgnoringCase(extension, known.name)) {
            return known.code;
        }
    }
    return FormatNone;
}
