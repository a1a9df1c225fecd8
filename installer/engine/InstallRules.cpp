#include "engine/InstallRules.h"

#include <cstdio>
#include <cstring>

#include "engine/DeletionRules.h"
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

bool BuildModifyCommand(char* out, size_t capacity, const char* uninstallerPath) {
    if (std::strchr(uninstallerPath, ' ') != nullptr) {
        return JoinPath(out, capacity, {"\"", uninstallerPath, "\""});
    }
    return JoinPath(out, capacity, {uninstallerPath});
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

namespace {

bool IsSingleByteAt(const char* p, CharStep next) {
    return next(p) == p + 1;
}

bool IsControl(char c) {
    const unsigned char byte = static_cast<unsigned char>(c);
    return byte < 0x20 || byte == 0x7F;
}

bool IsDriveLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The last component of `path`: after its last backslash (whole characters),
// without a trailing one.
std::string LastComponent(const char* path, CharStep next) {
    std::string last;
    std::string current;
    for (const char* p = path; *p != '\0';) {
        const char* after = next(p);
        if (after == p + 1 && (*p == '\\' || *p == '/')) {
            if (!current.empty()) {
                last = current;
            }
            current.clear();
        } else {
            current.append(p, static_cast<size_t>(after - p));
        }
        p = after;
    }
    return current.empty() ? last : current;
}

// Reads the decimal number at `*p` and moves past it; false without a digit
// or on overflow.
bool ReadNumber(const char** p, uint32_t& value) {
    if (**p < '0' || **p > '9') {
        return false;
    }
    uint64_t number = 0;
    for (; **p >= '0' && **p <= '9'; ++*p) {
        number = number * 10 + static_cast<uint64_t>(**p - '0');
        if (number > 0xFFFFFFFFu) {
            return false;
        }
    }
    value = static_cast<uint32_t>(number);
    return true;
}

}  // namespace

void AddInstallDirFolder(std::vector<std::string>& list, const char* path, CharStep next) {
    std::string canonical;
    if (CanonicalTargetPath(path, next, canonical)) {
        list.push_back(canonical);
    }
}

InstallDirProblem CheckInstallDirText(const char* dir, const InstallDirFolders& folders, CharStep next) {
    if (dir == nullptr || dir[0] == '\0') {
        return InstallDirProblem::Unspecified;
    }
    const char* last = dir;
    for (const char* p = dir; *p != '\0'; p = next(p)) {
        last = p;
        if (IsSingleByteAt(p, next) && (IsControl(*p) || *p == '*' || *p == '?')) {
            return InstallDirProblem::ForbiddenSymbol;
        }
    }
    if (*last == '\\' && IsSingleByteAt(last, next)) {
        return InstallDirProblem::Unspecified;
    }
    // A drive path "X:\..." or a share "\\server\share\...": anything else
    // depends on a current directory nobody can tell in advance.
    const char* rest = nullptr;
    if (dir[0] == '\\' && dir[1] == '\\') {
        rest = dir + 2;
    } else if (IsDriveLetter(dir[0]) && dir[1] == ':' && (dir[2] == '\\' || dir[2] == '/')) {
        rest = dir + 3;
    } else {
        return InstallDirProblem::Unspecified;
    }
    for (const char* p = rest; *p != '\0'; p = next(p)) {
        if (IsSingleByteAt(p, next) && std::strchr("/:,;\"<>|", *p) != nullptr) {
            return InstallDirProblem::ForbiddenSymbol;
        }
    }
    PathParts parts;
    if (!SplitTargetPath(dir, next, parts) || parts.components.empty()) {
        return InstallDirProblem::Unspecified;
    }
    const std::string text = parts.Text();
    for (const std::string& windows : folders.windows) {
        if (text == windows || IsInsideDirectory(text, windows)) {
            return InstallDirProblem::ProtectedFolder;
        }
    }
    for (const std::string& folder : folders.exact) {
        if (text == folder) {
            return InstallDirProblem::ProtectedFolder;
        }
    }
    const std::string parent = parts.Join(parts.components.size() - 1);
    for (const std::string& profiles : folders.profileParents) {
        if (parent == profiles) {
            return InstallDirProblem::ProtectedFolder;
        }
    }
    return InstallDirProblem::None;
}

bool AppendProductFolder(char* dir, size_t capacity, const char* defaultDir, CharStep next) {
    const std::string product = LastComponent(defaultDir, next);
    if (product.empty() || EqualsIgnoringCase(LastComponent(dir, next).c_str(), product.c_str())) {
        return true;
    }
    const char* last = dir;
    for (const char* p = dir; *p != '\0'; p = next(p)) {
        last = p;
    }
    const bool endsInSeparator = *dir != '\0' && IsSingleByteAt(last, next) && (*last == '\\' || *last == '/');
    char joined[512];
    if (!JoinPath(joined, sizeof joined, {dir, endsInSeparator ? "" : "\\", product.c_str()}) ||
        std::strlen(joined) >= capacity) {
        return false;
    }
    std::memcpy(dir, joined, std::strlen(joined) + 1);
    return true;
}

bool UninstallDirText(char* out, size_t capacity, const char* installDir) {
    const bool bareDrive = IsDriveLetter(installDir[0]) && installDir[1] == ':' && installDir[2] == '\0';
    return JoinPath(out, capacity, {installDir, bareDrive ? "\\" : ""});
}

bool IsSafeShortcutName(const char* name, CharStep next) {
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    for (const char* p = name; *p != '\0'; p = next(p)) {
        if (!IsSingleByteAt(p, next)) {
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':' || IsControl(*p) || (p[0] == '.' && p[1] == '.')) {
            return false;
        }
    }
    return true;
}
bool ParseVersionNumbers(const char* displayVersion, uint32_t& major, uint32_t& minor) {
    const char* p = displayVersion;
    uint32_t first = 0;
    uint32_t second = 0;
    if (!ReadNumber(&p, first)) {
        return false;
    }
    if (*p == '.') {
        ++p;
        if (*p >= '0' && *p <= '9' && !ReadNumber(&p, second)) {
            return false;
        }
    }
    major = first;
    minor = second;
    return true;
}

void FormatInstallDate(char* out, int year, int month, int day) {
    unsigned y = static_cast<unsigned>(year) % 10000u;
    unsigned m = static_cast<unsigned>(month) % 100u;
    unsigned d = static_cast<unsigned>(day) % 100u;
    std::snprintf(out, 9, "%04u%02u%02u", y, m, d);
}
