#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "ProductVersion.h"
#include "resources/resource.h"
#include "support/GuiDriver.h"
#include "support/Screenshot.h"
#include "support/TestFiles.h"

TEST(TandrelStart, MainWindowOpensWithItsCaptionAndClosesWithExitCodeZero) {
    testfiles::ScratchDir work;
    gui::Process tandrel = gui::StartProgram(testfiles::BinDir() + L"Tandrel.exe", L"", work.Path());
    ASSERT_TRUE(tandrel.Started());
    HWND main = gui::WaitForWindow(tandrel.Id(), L"#32770", L"Tandrel ver." PRODUCT_VERSION_WTEXT);
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(gui::ControlText(main, IDC_SAVE_AND_EXIT), L"保存して終了");
    gui::SaveShot(L"tandrel-main-empty.png", main);

    PostMessageW(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(tandrel.WaitForExit(10000), 0u);
}

namespace {

// A text of the Japanese string block of a program's version resource;
// "<none>" when the program or the text is missing.
std::wstring VersionText(const std::wstring& program, const wchar_t* name) {
    DWORD ignored = 0;
    DWORD size = GetFileVersionInfoSizeW(program.c_str(), &ignored);
    std::vector<BYTE> block(size ? size : 1);
    if (!size || !GetFileVersionInfoW(program.c_str(), 0, size, block.data())) {
        return L"<none>";
    }
    wchar_t* text = nullptr;
    UINT length = 0;
    std::wstring path = std::wstring(L"\\StringFileInfo\\041104B0\\") + name;
    if (!VerQueryValueW(block.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) || !text) {
        return L"<none>";
    }
    return std::wstring(text, length && text[length - 1] == L'\0' ? length - 1 : length);
}

}  // namespace

TEST(ProductVersion, BothProgramsCarryTheOneVersionInTheirResources) {
    for (const wchar_t* name : {L"Tandrel.exe", L"Mivo.exe"}) {
        SCOPED_TRACE(testfiles::ToUtf8(name));
        std::wstring program = testfiles::BinDir() + name;
        EXPECT_EQ(VersionText(program, L"ProductVersion"), PRODUCT_VERSION_WTEXT);
        EXPECT_EQ(VersionText(program, L"FileVersion"), PRODUCT_VERSION_WTEXT);
        EXPECT_EQ(VersionText(program, L"ProductName"), L"Tandrel");
        EXPECT_EQ(VersionText(program, L"CompanyName"), L"BRAMWELT");
        EXPECT_EQ(VersionText(program, L"OriginalFilename"), name);
        EXPECT_NE(VersionText(program, L"FileDescription"), L"<none>");
    }
}
