#include <gtest/gtest.h>

#include <string>

#include "engine/Escapes.h"

namespace {
std::wstring Expand(const std::wstring& text) {
    std::wstring buffer = text;
    buffer.push_back(L'\0');
    ExpandEscapes(&buffer[0]);
    return std::wstring(buffer.c_str());
}
}  // namespace

TEST(ExpandEscapes, MarkersAndCodes) {
    struct Case {
        const wchar_t* text;
        std::wstring expanded;
    } cases[] = {
        {L"Copyright #c 2007 BRAMWELT", L"Copyright \u00A9 2007 BRAMWELT"},
        {L"#r#t", L"\u00AE\u2122"},
        {L"##c", L"#c"},
        {L"###", L"##"},
        {L"#169", L"\u00A9"},
        {L"#100", std::wstring(1, wchar_t(1)) + L"00"},
        {L"#9999x", L"\u270Fx"},
        {L"#123456",
         L"\u3039"
         L"6"},  // five digits at most
        {L"#12#c", std::wstring(1, wchar_t(12)) + L"\u00A9"},
        {L"#C #R #T", L"#C #R #T"},
        {L"#x", L"#x"},
        {L"#0", L"#0"},
        {L"a#", L"a#"},
        {L"#", L"#"},
        {L"", L""},
        {L"複製#c禁止", L"複製\u00A9禁止"},
        // A code whose low 16 bits are zero would end the text early.
        {L"#65536 tail", L"#65536 tail"},
        {L"#65537", std::wstring(1, wchar_t(1))},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Expand(c.text), c.expanded) << testing::PrintToString(std::wstring(c.text));
    }
}

TEST(ExpandEscapes, NullIsIgnored) {
    ExpandEscapes(nullptr);
}
