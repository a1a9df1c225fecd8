#include "engine/DeletionRules.h"

#include <cstring>

namespace {

bool IsSeparator(char c) {
    return c == '\\' || c == '/';
}

char UpperAscii(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsAsciiLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// Reads the component starting at `p` up to the next separator (whole
// characters, so a trail byte equal to a backslash stays inside), upper-casing
// single-byte letters. Returns where the component ends.
const char* ReadComponent(const char* p, CharStep next, bool slashSeparates, std::string& component) {
    component.clear();
    while (*p != '\0') {
        const char* after = next(p);
        bool singleByte = after == p + 1;
        if (singleByte && (*p == '\\' || (slashSeparates && *p == '/'))) {
            break;
        }
        if (singleByte) {
            component += UpperAscii(*p);
        } else {
            component.append(p, static_cast<size_t>(after - p));
        }
        p = after;
    }
    return p;
}

struct CanonicalPath {
    std::string prefix;  // "C:" or "\\SERVER\SHARE"
    std::vector<std::string> components;

    std::string Join(size_t count) const {
        std::string text = prefix;
        for (size_t i = 0; i < count && i < components.size(); ++i) {
            text += '\\';
            text += components[i];
        }
        return text;
    }
    std::string Text() const { return Join(components.size()); }
};

// Windows drops trailing dots and blanks of a component when it opens a path,
// so "Windows." is the Windows directory. Neither byte can be a trail byte of
// a double-byte character, so trimming bytes from the end is safe.
void TrimComponent(std::string& component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
        component.pop_back();
    }
}

bool Canonicalize(const char* path, CharStep next, CanonicalPath& out) {
    out.prefix.clear();
    out.components.clear();
    if (path == nullptr || path[0] == '\0') {
        return false;
    }
    const char* p = path;
    bool share = false;
    if (IsSeparator(p[0]) && IsSeparator(p[1])) {
        // "\\?\C:\..." and "\\.\C:\..." name the same files as "C:\...";
        // "\\?\UNC\server\share" the same as "\\server\share".
        if ((p[2] == '?' || p[2] == '.') && IsSeparator(p[3])) {
            p += 4;
            if (UpperAscii(p[0]) == 'U' && UpperAscii(p[1]) == 'N' && UpperAscii(p[2]) == 'C' && IsSeparator(p[3])) {
                share = true;
                p += 4;
            }
        } else {
            share = true;
            p += 2;
        }
    }
    std::string component;
    if (share) {
        std::string server;
        p = ReadComponent(p, next, true, server);
        if (server.empty() || !IsSeparator(*p)) {
            return false;
        }
        std::string shareName;
        p = ReadComponent(p + 1, next, true, shareName);
        TrimComponent(shareName);
        if (shareName.empty()) {
            return false;
        }
        out.prefix = "\\\\" + server + "\\" + shareName;
    } else {
        // Only "X:\" is absolute; "X:" alone or "X:dir" means the drive's
        // current directory, which nobody can tell in advance.
        if (!IsAsciiLetter(p[0]) || p[1] != ':' || !IsSeparator(p[2])) {
            return false;
        }
        out.prefix = std::string(1, UpperAscii(p[0])) + ":";
        p += 2;
    }
    while (*p != '\0') {
        if (IsSeparator(*p)) {
            ++p;
            continue;
        }
        p = ReadComponent(p, next, true, component);
        while (!component.empty() && component.back() == ' ') {
            component.pop_back();
        }
        if (component == "..") {
            if (!out.components.empty()) {
                out.components.pop_back();
            }
            continue;
        }
        TrimComponent(component);
        if (!component.empty()) {
            out.components.push_back(component);
        }
    }
    return true;
}

bool StartsWithDirectory(const std::string& text, const std::string& directory) {
    // The byte after the shared prefix starts a character of `text`: both
    // strings are read from their first byte, so the prefix ends at the same
    // character boundary in each.
    return text.size() > directory.size() && text.compare(0, directory.size(), directory) == 0 &&
           text[directory.size()] == '\\';
}

// Keys no product owns; they and every key above them are refused. Upper
// case, components separated by one backslash. The software keys stand under
// both the user's and the machine's root; the others under one root only.
const char* const kProtectedSoftwareKeys[] = {
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\UNINSTALL",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUN",
    "SOFTWARE\\MICROSOFT\\WINDOWS\\CURRENTVERSION\\RUNONCE",
    "SOFTWARE\\MICROSOFT\\WINDOWS NT\\CURRENTVERSION",
    "SOFTWARE\\CLASSES\\CLSID",
    "SOFTWARE\\POLICIES",
    "SOFTWARE\\WOW6432NODE\\MICROSOFT",
    "SOFTWARE\\WOW6432NODE\\CLASSES",
};
const char* const kProtectedUserKeys[] = {
    "APPEVENTS", "CONSOLE",  "CONTROL PANEL", "ENVIRONMENT",          "EUDC", "IDENTITIES", "KEYBOARD LAYOUT",
    "NETWORK",   "PRINTERS", "SYSTEM",        "VOLATILE ENVIRONMENT",
};
const char* const kProtectedMachineKeys[] = {
    "SYSTEM\\CURRENTCONTROLSET", "SYSTEM\\SETUP", "HARDWARE", "SAM", "SECURITY", "BCD00000000",
};
const char* const kProtectedClassKeys[] = {
    "CLSID",       "INTERFACE", "TYPELIB", "APPID", "*", "DIRECTORY", "FOLDER", "DRIVE", "ALLFILESYSTEMOBJECTS",
    "WOW6432NODE",
};

template <size_t N>
bool IsProtectedKey(const std::string& key, const char* const (&table)[N]) {
    for (const char* entry : table) {
        std::string protectedKey(entry);
        if (key == protectedKey || StartsWithDirectory(protectedKey, key)) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool CanonicalTargetPath(const char* path, CharStep next, std::string& out) {
    CanonicalPath canonical;
    if (!Canonicalize(path, next, canonical)) {
        out.clear();
        return false;
    }
    out = canonical.Text();
    return true;
}

void AddProtectedDirectory(ProtectedDirectories& dirs, const char* path, CharStep next) {
    CanonicalPath canonical;
    if (Canonicalize(path, next, canonical)) {
        dirs.exact.push_back(canonical.Text());
    }
}

void AddProfileParent(ProtectedDirectories& dirs, const char* profilePath, CharStep next) {
    CanonicalPath canonical;
    if (Canonicalize(profilePath, next, canonical) && canonical.components.size() >= 2) {
        dirs.profileParents.push_back(canonical.Join(canonical.components.size() - 1));
    }
}

bool IsProtectedTarget(const char* target, const ProtectedDirectories& dirs, CharStep next) {
    CanonicalPath canonical;
    if (!Canonicalize(target, next, canonical) || canonical.components.empty()) {
        return true;
    }
    const std::string text = canonical.Text();
    for (const std::string& dir : dirs.exact) {
        if (dir == text || StartsWithDirectory(dir, text)) {
            return true;
        }
    }
    // A profile root, or a folder directly in one: Downloads, cloud folders
    // and the like, where a program installed in place may well have been
    // started from.
    const size_t depth = canonical.components.size();
    const std::string parent = canonical.Join(depth - 1);
    const std::string grandparent = depth >= 2 ? canonical.Join(depth - 2) : std::string();
    for (const std::string& profiles : dirs.profileParents) {
        if (parent == profiles || grandparent == profiles) {
            return true;
        }
    }
    return false;
}

RegistryItemStatus ParseRegistryItem(const char* text, CharStep next, RegistryItem& item) {
    item.keyPath = nullptr;
    const char* separator = FindFirstBackslash(text, next);
    if (separator == nullptr) {
        return RegistryItemStatus::NoBackslash;
    }
    const std::string root(text, static_cast<size_t>(separator - text));
    if (root == "HKEY_CURRENT_USER") {
        item.root = RegistryRoot::CurrentUser;
    } else if (root == "HKEY_LOCAL_MACHINE") {
        item.root = RegistryRoot::LocalMachine;
    } else if (root == "HKEY_CLASSES_ROOT") {
        item.root = RegistryRoot::ClassesRoot;
    } else {
        return RegistryItemStatus::UnknownRoot;
    }
    // The key as the registry compares it: components without empty ones,
    // single-byte letters in upper case.
    std::string key;
    std::string component;
    for (const char* p = separator + 1; *p != '\0';) {
        if (*p == '\\') {
            ++p;
            continue;
        }
        p = ReadComponent(p, next, false, component);
        if (!key.empty()) {
            key += '\\';
        }
        key += component;
    }
    if (key.empty()) {
        return RegistryItemStatus::EmptyKey;
    }
    item.keyPath = separator + 1;
    bool isProtected = false;
    switch (item.root) {
        case RegistryRoot::CurrentUser:
            isProtected = IsProtectedKey(key, kProtectedSoftwareKeys) || IsProtectedKey(key, kProtectedUserKeys);
            break;
        case RegistryRoot::LocalMachine:
            isProtected = IsProtectedKey(key, kProtectedSoftwareKeys) || IsProtectedKey(key, kProtectedMachineKeys);
            break;
        case RegistryRoot::ClassesRoot:
            isProtected = IsProtectedKey(key, kProtectedClassKeys);
            break;
    }
    return isProtected ? RegistryItemStatus::Protected : RegistryItemStatus::Ok;
}

bool HelpIndexPathFor(const char* path, CharStep next, char* out, size_t capacity) {
    const char* dot = nullptr;
    for (const char* p = path; *p != '\0'; p = next(p)) {
        if (*p == '.') {
            dot = p;
        } else if (*p == '\\') {
            dot = nullptr;  // a dot of a directory name is no extension
        }
    }
    if (dot == nullptr || std::strlen(dot) != 4 || UpperAscii(dot[1]) != 'H' || UpperAscii(dot[2]) != 'L' ||
        UpperAscii(dot[3]) != 'P') {
        return false;
    }
    std::string index(path, static_cast<size_t>(dot - path));
    index += ".gid";
    return CopyPrefix(out, capacity, index.c_str(), index.size());
}

bool BuildProgramCommandLine(char* out,
                             size_t capacity,
                             const char* installDir,
                             const char* program,
                             const char* parameters) {
    if (parameters[0] != '\0') {
        return JoinPath(out, capacity, {"\"", installDir, "\\", program, "\" ", parameters});
    }
    return JoinPath(out, capacity, {"\"", installDir, "\\", program, "\""});
}

size_t ProfileSectionEnd(const char* section, size_t capacity) {
    size_t position = 0;
    while (position < capacity && section[position] != '\0') {
        while (position < capacity && section[position] != '\0') {
            ++position;
        }
        ++position;  // over the string's zero
    }
    return position < capacity ? position : capacity;
}

bool AppendDeletionLine(char* section, size_t capacity, const char* path) {
    static const char kPrefix[] = "NUL=";
    const size_t end = ProfileSectionEnd(section, capacity);
    const size_t prefixLength = sizeof(kPrefix) - 1;
    const size_t pathLength = std::strlen(path);
    // The line, its zero and the zero that closes the list.
    if (end >= capacity || capacity - end < prefixLength + pathLength + 2) {
        return false;
    }
    std::memcpy(section + end, kPrefix, prefixLength);
    std::memcpy(section + end + prefixLength, path, pathLength);
    section[end + prefixLength + pathLength] = '\0';
    section[end + prefixLength + pathLength + 1] = '\0';
    return true;
}
