#include "engine/InstallRules.h"

#include <cstring>

#include "engine/PathScan.h"
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
    // The blank is searched byte-wise: it never occurs as a trail byte.
    if (std::strchr(uninstallerPath, ' ') != nullptr) {
        return JoinPath(out, capacity, {"\"", uninstallerPath, "\" /r"});
    }
    return JoinPath(out, capacity, {uninstallerPath, " /r"});
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

bool SkipsSelfShortcut(const char* targetField,
                       const char* arguments,
                       const char* ownFileName,
                       bool perUserRun,
                       bool win9xRun) {
    if (!EqualsIgnoringCase(targetField, ownFileName)) {
        return false;
    }
    return (perUserRun && EqualsIgnoringCase(arguments, "/r")) || (win9xRun && EqualsIgnoringCase(arguments, "/u"));
}
