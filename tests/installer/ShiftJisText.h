// Code page 932 texts for the installer's tests: characters whose trail byte
// reads as an ASCII character, and the character step of the code page
// without Windows, so that byte scans can be checked natively too.
#pragma once

// Trail byte 0x5C, a backslash: never a separator.
#define SO "\x83\x5C"   // ソ
#define HYO "\x95\x5C"  // 表
// Trail bytes of letters: never folded to another case.
#define KA "\x83\x4A"      // カ, trail byte "J"
#define FULL_A "\x82\x61"  // Ａ, trail byte "a"

// CharNextA of code page 932.
inline const char* NextShiftJis(const char* p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c == 0) {
        return p;
    }
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    return lead && p[1] != '\0' ? p + 2 : p + 1;
}
