// What the fuzz targets share: libFuzzer's input splitter, a check that turns
// a broken promise into a crash libFuzzer keeps, and texts in the forms the
// programs receive them.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// Unlike assert, also active in optimised builds.
#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : FuzzCheckFailed(#condition, __FILE__, __LINE__))

[[noreturn]] inline void FuzzCheckFailed(const char* condition, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: broken promise: %s\n", file, line, condition);
    std::abort();
}

// Text as Windows hands it over in UTF-16: two bytes per unit, little-endian,
// up to the first zero unit. wchar_t is wider here, but every unit stays below
// 0x10000 as on Windows.
inline std::wstring WideText(const std::string& bytes) {
    std::wstring text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        wchar_t unit = static_cast<wchar_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8);
        if (unit == 0) {
            break;
        }
        text += unit;
    }
    return text;
}

inline std::wstring WideText(FuzzedDataProvider& data, size_t maxUnits) {
    return WideText(data.ConsumeRandomLengthString(2 * maxUnits));
}
