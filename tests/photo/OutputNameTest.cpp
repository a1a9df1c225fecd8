#include <gtest/gtest.h>

#include <string>

#include "app/OutputName.h"
#include "engine/Format.h"

namespace {

struct Split {
    std::wstring path;
    std::wstring dir;
    std::wstring name;
    bool fits = false;
};

Split RunSplit(const wchar_t* suffix, const std::wstring& input, size_t capacity = kShellTextCapacity) {
    std::wstring path(capacity, L'?');
    std::wstring dir(capacity, L'?');
    std::wstring name(capacity, L'?');
    Split result;
    result.fits = SplitOutputName(suffix, input.c_str(), &path[0], &dir[0], &name[0], capacity);
    result.path = path.c_str();
    result.dir = dir.c_str();
    result.name = name.c_str();
    return result;
}

}  // namespace

TEST(SplitOutputName, PutsTheSuffixBetweenNameAndExtension) {
    struct Case {
        const wchar_t* suffix;
        const wchar_t* input;
        const wchar_t* dir;
        const wchar_t* name;
        const wchar_t* path;
    } cases[] = {
        {L"_tdr", L"C:\\Photos\\beach.JPG", L"C:\\Photos\\", L"beach_tdr", L"C:\\Photos\\beach_tdr.JPG"},
        {L"_tdr", L"beach.jpg", L"", L"beach_tdr", L"beach_tdr.jpg"},
        {L"_tdr", L"..\\up\\a.b.c.png", L"..\\up\\", L"a.b.c_tdr", L"..\\up\\a.b.c_tdr.png"},
        // Without "." the whole file name stays and nothing follows the suffix.
        {L"_tdr", L"C:\\Photos\\README", L"C:\\Photos\\", L"README_tdr", L"C:\\Photos\\README_tdr"},
        // A dot in a folder name is not the file's extension.
        {L"_tdr", L"C:\\my.pics\\photo", L"C:\\my.pics\\", L"photo_tdr", L"C:\\my.pics\\photo_tdr"},
        {L"_tdr", L"C:/my.pics/photo.gif", L"C:/my.pics/", L"photo_tdr", L"C:/my.pics/photo_tdr.gif"},
        {L"_tdr", L"C:\\Photos\\.hidden", L"C:\\Photos\\", L"_tdr", L"C:\\Photos\\_tdr.hidden"},
        {L"", L"C:\\a\\x.bmp", L"C:\\a\\", L"x", L"C:\\a\\x.bmp"},
        {L"_済", L"D:\\写真\\海.jpeg", L"D:\\写真\\", L"海_済", L"D:\\写真\\海_済.jpeg"},
        {L"_tdr", L"", L"", L"_tdr", L"_tdr"},
    };
    for (const Case& c : cases) {
        Split split = RunSplit(c.suffix, c.input);
        EXPECT_TRUE(split.fits) << c.input;
        EXPECT_EQ(split.dir, c.dir) << c.input;
        EXPECT_EQ(split.name, c.name) << c.input;
        EXPECT_EQ(split.path, c.path) << c.input;
    }
}

TEST(SplitOutputName, RefusesWhatWouldNotFitInsteadOfCuttingIt) {
    const std::wstring dir = L"C:\\" + std::wstring(900, L'd') + L"\\";
    // 904 + 100 + 4 + ".jpg" = 1012 characters: fits.
    Split fits = RunSplit(L"_tdr", dir + std::wstring(100, L'n') + L".jpg");
    EXPECT_TRUE(fits.fits);
    EXPECT_EQ(fits.path.size(), 1012u);

    struct Case {
        std::wstring suffix;
        std::wstring input;
    } cases[] = {
        // A long input path plus a long suffix: the output path is 1024 long.
        {std::wstring(12, L's'), dir + std::wstring(104, L'n') + L".jpg"},
        // The name alone overflows although the input path fits.
        {std::wstring(1000, L's'), L"C:\\" + std::wstring(100, L'n') + L".jpg"},
        // The suffix alone fills the buffer.
        {std::wstring(1024, L's'), L"a.jpg"},
    };
    for (const Case& c : cases) {
        Split split = RunSplit(c.suffix.c_str(), c.input);
        EXPECT_FALSE(split.fits) << c.input.size() << " + " << c.suffix.size();
        EXPECT_EQ(split.path, L"");
        EXPECT_EQ(split.dir, L"");
        EXPECT_EQ(split.name, L"");
    }

    // Exactly full (1023 characters and the terminator) still fits.
    Split full = RunSplit(L"_s", std::wstring(1017, L'n') + L".jpg");
    EXPECT_TRUE(full.fits);
    EXPECT_EQ(full.path.size(), 1023u);
    EXPECT_FALSE(RunSplit(L"_ss", std::wstring(1017, L'n') + L".jpg").fits);
}

TEST(FormatName, NamesTheFourFormatsAndNothingElse) {
    const wchar_t* expected[] = {L"unknown", L"jpg", L"bmp", L"png", L"gif", L"unknown"};
    for (int code = 0; code <= 5; ++code) {
        EXPECT_STREQ(FormatName(code), expected[code]) << code;
    }
    EXPECT_STREQ(FormatName(-1), L"unknown");
}

TEST(ComposeOutputPath, ReplacesTheExtensionByTheChosenFormat) {
    wchar_t ext[kShellTextCapacity];
    wchar_t path[kShellTextCapacity];
    struct Case {
        const wchar_t* dir;
        const wchar_t* name;
        int code;
        const wchar_t* ext;
        const wchar_t* path;
    } cases[] = {
        {L"C:\\Photos\\", L"beach_tdr", 3, L".png", L"C:\\Photos\\beach_tdr.png"},
        {L"C:\\Photos\\", L"holiday", 1, L".jpg", L"C:\\Photos\\holiday.jpg"},
        {L"", L"x_tdr", 0, L".unknown", L"x_tdr.unknown"},
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ComposeOutputPath(c.dir, c.name, c.code, ext, path, kShellTextCapacity)) << c.name;
        EXPECT_STREQ(ext, c.ext);
        EXPECT_STREQ(path, c.path);
    }
}

TEST(ComposeOutputPath, RefusesAnOverlongPathAndAnEmptyName) {
    wchar_t ext[kShellTextCapacity];
    wchar_t path[kShellTextCapacity];
    std::wstring dir = L"C:\\" + std::wstring(1000, L'd') + L"\\";
    // 1004 + 15 + ".png" = 1023: fits exactly; one more character does not.
    EXPECT_TRUE(ComposeOutputPath(dir.c_str(), std::wstring(15, L'n').c_str(), 3, ext, path, kShellTextCapacity));
    EXPECT_EQ(std::wstring(path).size(), 1023u);
    EXPECT_FALSE(ComposeOutputPath(dir.c_str(), std::wstring(16, L'n').c_str(), 3, ext, path, kShellTextCapacity));
    EXPECT_STREQ(path, L"");
    EXPECT_STREQ(ext, L"");
    EXPECT_FALSE(ComposeOutputPath(L"C:\\", L"", 1, ext, path, kShellTextCapacity));
}

TEST(ComposeOutputPath, AnyJpegExtensionOfTheInputSavesAsJpg) {
    // The format list is preselected from the input's extension; a JPEG under
    // any of its names becomes a ".jpg" output, never ".unknown".
    for (const wchar_t* input : {L"C:\\p\\photo.jfif", L"C:\\p\\photo.jpeg", L"C:\\p\\photo.JPE"}) {
        wchar_t split[kShellTextCapacity], dir[kShellTextCapacity], name[kShellTextCapacity];
        ASSERT_TRUE(SplitOutputName(L"_tdr", input, split, dir, name, kShellTextCapacity));
        wchar_t ext[kShellTextCapacity], path[kShellTextCapacity];
        ASSERT_TRUE(ComposeOutputPath(dir, name, FormatOfPath(split), ext, path, kShellTextCapacity));
        EXPECT_STREQ(path, L"C:\\p\\photo_tdr.jpg") << input;
    }
}
