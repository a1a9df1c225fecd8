#include "engine/InstallRules.h"

#include <cstring>

#include "engine/SetupFields.h"

bool ShouldCopyFile(int32_t mode, bool sourceExists, bool destinationExists, int sourceAgainstDestination) {
    if (mode == 0) {
        return !destinationExists;
    }
    if (mode == 2) {
        return !destinationExists || !sourceExists || sourceAgainstDestination > 0;
    }
    return true;
}

bool BuildUninstallCommand(char* out, size_t capacity, const char* uninstallerPath) {
    static const char kSwitch[] = " /r";
    // The blank is searched byte-wise: it never occurs as a trail byte.
    bool quote = std::strchr(uninstallerPath, ' ') != nullptr;
    size_t length = std::strlen(uninstallerPath);
    size_t needed = length + (quote ? 2 : 0) + (sizeof kSwitch - 1) + 1;
    if (capacity == 0 || needed > capacity) {
        if (capacity != 0) {
            out[0] = '\0';
        }
        return false;
    }
    char* p = out;
    if (quote) {
        *p++ = '"';
    }
    std::memcpy(p, uninstallerPath, length);
    p += length;
    if (quote) {
        *p++ = '"';
    }
    std::memcpy(p, kSwitch, sizeof kSwitch);
    return true;
}

namespace {

unsigned char FoldAscii(unsigned char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

}  // namespace

bool EqualsIgnoringCase(const char* a, const char* b) {
    const unsigned char* x = reinterpret_cast<const unsigned char*>(a);
    const unsigned char* y = reinterpret_cast<const unsigned char*>(b);
    while (*x != 0 && *y != 0) {
        if (IsShiftJisLeadByte(*x) && x[1] != 0) {
            if (x[0] != y[0] || x[1] != y[1]) {
                return false;
            }
            x += 2;
            y += 2;
            continue;
        }
        if (FoldAscii(*x) != FoldAscii(*y)) {
            return false;
        }
        ++x;
        ++y;
    }
    return *x == *y;
}

bool SkipsSelfShortcut(const char* targetField, const char* arguments, const char* ownFileName, bool perUserRun,
                       bool win9xRun) {
    if (!EqualsIgnoringCase(targetField, ownFileName)) {
        return false;
    }
    return (perUserRun && EqualsIgnoringCase(arguments, "/r")) || (win9xRun && EqualsIgnoringCase(arguments, "/u"));
}
