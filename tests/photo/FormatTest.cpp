#include <gtest/gtest.h>

#include "engine/Format.h"

TEST(FormatOfPath, JudgesByTheWholeExtensionInAnyCase) {
    struct Case {
        const wchar_t* path;
        int code;
    } cases[] = {
        {L"a.jpg", FormatJpg},
        {L"a.JPG", FormatJpg},
        {L"a.jpeg", FormatJpg},
        {L"a.JPEG", FormatJpg},
        {L"a.jpe", FormatJpg},
        {L"photo.jfif", FormatJpg},
        {L"a.bmp", FormatBmp},
        {L"a.dib", FormatBmp},
        {L"C:\\x\\photo.Bmp", FormatBmp},
        {L"a.png", FormatPng},
        {L"a.gif", FormatGif},
        {L"a.GIF", FormatGif},
        {L"a.tiff", FormatNone},
        {L"a.jpgx", FormatNone},
        {L"a.pjpg", FormatNone},
        {L"a.jp", FormatNone},
        {L"a.", FormatNone},
        {L"noext", FormatNone},
        {L"C:\\a.jpg\\photo", FormatNone},  // a dot in a folder's name
        {L"C:/a.png/photo", FormatNone},
        {L"archive.png.bak", FormatNone},
        {L"photo.png.gif", FormatGif},
        {L"", FormatNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatOfPath(c.path), c.code) << c.path;
    }
    EXPECT_EQ(FormatOfPath(nullptr), FormatNone);
}
