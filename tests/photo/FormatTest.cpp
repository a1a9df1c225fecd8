#include <gtest/gtest.h>

#include "engine/Format.h"

TEST(FormatOfPath, JudgesByThirdCharacterFromTheEnd) {
    struct Case {
        const wchar_t* path;
        int code;
    } cases[] = {
        {L"a.jpg", FormatJpg},
        {L"a.JPG", FormatJpg},
        {L"a.bmp", FormatBmp},
        {L"a.png", FormatPng},
        {L"a.gif", FormatGif},
        {L"a.GIF", FormatGif},
        {L"a.jpeg", FormatPng},
        {L"a.tiff", FormatNone},
        {L".bmp", FormatNone},
        {L"", FormatNone},
        {L"C:\\x\\photo.Bmp", FormatBmp},
        {L"noext", FormatNone},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FormatOfPath(c.path), c.code) << c.path;
    }
    EXPECT_EQ(FormatOfPath(nullptr), FormatNone);
}
