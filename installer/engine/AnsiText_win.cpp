#include "engine/AnsiText_win.h"

#include <windows.h>

#include <cstring>

size_t AnsiPrefixLength(const char* text, size_t limit) {
    size_t used = 0;
    while (text[used] != '\0') {
        size_t step = (IsDBCSLeadByte(static_cast<BYTE>(text[used])) && text[used + 1] != '\0') ? 2 : 1;
        if (used + step > limit) {
            break;
        }
        used += step;
    }
    return used;
}

bool CopyAnsiBounded(char* buffer, size_t capacity, const char* text) {
    size_t length = AnsiPrefixLength(text, capacity - 1);
    std::memcpy(buffer, text, length);
    buffer[length] = '\0';
    return text[length] == '\0';
}

bool AppendAnsiBounded(char* buffer, size_t capacity, const char* text) {
    size_t used = std::strlen(buffer);
    if (used + 1 >= capacity) {
        return text[0] == '\0';
    }
    return CopyAnsiBounded(buffer + used, capacity - used, text);
}

void DropPartialTrailingCharacter(char* text) {
    const char* p = text;
    while (*p) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1] == '\0') {
            text[p - text] = '\0';
            return;
        }
        p = CharNextA(p);
    }
}
