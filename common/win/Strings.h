// Texts from a module's string table.
#pragma once

#include <windows.h>

#include <string>

// String `id` of `module` (this program's with null) as UTF-16; empty when the
// table has no such string. Read in place: LoadStringW with no buffer hands out
// a pointer to the resource itself, so no length limit applies.
inline std::wstring ResourceString(UINT id, HINSTANCE module = nullptr) {
    const wchar_t* text = nullptr;
    int length = LoadStringW(module ? module : GetModuleHandleW(nullptr), id, reinterpret_cast<LPWSTR>(&text), 0);
    return length > 0 && text ? std::wstring(text, size_t(length)) : std::wstring();
}
