#include "engine/DeletionRules.h"

#include <cstring>
#include <initializer_list>

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

// Windows drops trailing dots and blanks of a component when it opens a path,
// so "Windows." is the Windows directory. Neither byte can be a trail byte of
// a double-byte character, so trimming bytes from the end is safe.
void TrimComponent(std::string& component) {
    while (!component.empty() && (component.back() == '.' || component.back() == ' ')) {
        component.pop_back();
    }
}

bool Canonicalize(const char* path, CharStep next, PathParts& out) {
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

bool EqualsAny(const std::string& text, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (text == name) {
            return true;
        }
    }
    return false;
}

// Under "Software" (or "Software\Wow6432Node", the 32-bit view of the same
// keys), what no product owns: the system's own keys and the shared lists in
// which every product has an entry.
bool IsSharedSoftwareKey(const std::string& component) {
    return EqualsAny(component, {"MICROSOFT", "CLASSES", "POLICIES", "CLIENTS", "REGISTEREDAPPLICATIONS"});
}

bool MayDeleteSoftwareKey(const std::vector<std::string>& key) {
    if (key.empty() || key[0] != "SOFTWARE") {
        return false;
    }
    size_t vendor = 1;
    if (key.size() > 1 && key[1] == "WOW6432NODE") {
        vendor = 2;
    }
    // A vendor and a product below it: a vendor key alone holds the vendor's
    // other products too.
    return key.size() >= vendor + 2 && !IsSharedSoftwareKey(key[vendor]);
}

// The roots under which every class id, interface, type library and
// application id of the machine stands: only a key below one can be a
// product's.
bool IsComRoot(const std::string& component) {
    return EqualsAny(component, {"CLSID", "INTERFACE", "TYPELIB", "APPID", "APPLICATIONS"});
}

// Classes of the shell and of Windows itself (the shell's own classes and
// protocols, then the program and system file types), and the extensions of
// those file types. The machine's registrations are checked too (see
// ClassKeyIsProducts); this list stands where they say nothing, as for
// "lnkfile", which registers no program of its own.
// Each name between bars.
const char kSystemClasses[] =
    "|*|DIRECTORY|FOLDER|DRIVE|ALLFILESYSTEMOBJECTS|SYSTEMFILEASSOCIATIONS|UNKNOWN|NETWORK|PRINTERS|MIME"
    "|PROTOCOLS|COMPONENT CATEGORIES|MEDIA TYPE|WOW6432NODE|LIBRARYFOLDER|DESKTOPBACKGROUND|INTERNETSHORTCUT"
    "|COMPRESSEDFOLDER|HTTP|HTTPS|FTP|FILE|MAILTO"
    "|EXEFILE|LNKFILE|PIFFILE|COMFILE|BATFILE|CMDFILE|DLLFILE|SYSFILE|OCXFILE|DRVFILE|CPLFILE|SCRFILE|MSCFILE"
    "|HTAFILE|REGFILE|INFFILE|INIFILE|TXTFILE|JSFILE|JSEFILE|VBSFILE|VBEFILE|WSFFILE|WSHFILE|MSI.PACKAGE"
    "|MSI.PATCH|HTMLFILE|MHTMLFILE|XMLFILE"
    "|.EXE|.LNK|.PIF|.COM|.BAT|.CMD|.DLL|.SYS|.OCX|.DRV|.CPL|.SCR|.MSC|.HTA|.REG|.INF|.INI|.TXT|.JS|.JSE|.VBS"
    "|.VBE|.WSF|.WSH|.PS1|.MSI|.MSP|.URL|.HTM|.HTML|.MHT|.XML|.ZIP|.CAB|.LOG|.JPG|.JPEG|.PNG|.GIF|.BMP|.ICO"
    "|.TIF|.TIFF|";

bool IsSystemClass(const std::string& component) {
    // A name holding a bar is no class of the list.
    return component.find('|') == std::string::npos &&
           std::strstr(kSystemClasses, ("|" + component + "|").c_str()) != nullptr;
}

// Folders that every profile has and that Windows itself fills: refused
// whole in any profile, wherever the profiles lie. The second list holds
// folders that are refused only themselves: products install into them.
const std::vector<std::vector<std::string>> kProfileTrees = {
    {"APPDATA", "LOCALLOW"},
    {"APPDATA", "LOCAL", "MICROSOFT"},
    {"APPDATA", "ROAMING", "MICROSOFT"},
    // The layout of Windows XP.
    {"APPLICATION DATA", "MICROSOFT"},
    {"LOCAL SETTINGS", "APPLICATION DATA", "MICROSOFT"},
};
const std::vector<std::vector<std::string>> kProfileFolders = {
    {"APPDATA", "LOCAL", "PROGRAMS"},
};

// How `path` (components below a profile root) stands to `folder` (the same).
enum class Relation { Apart, Above, Same, Inside };
Relation RelationTo(const std::vector<std::string>& path, size_t from, const std::vector<std::string>& folder) {
    const size_t length = path.size() - from;
    const size_t shared = length < folder.size() ? length : folder.size();
    for (size_t i = 0; i < shared; ++i) {
        if (path[from + i] != folder[i]) {
            return Relation::Apart;
        }
    }
    if (length < folder.size()) {
        return Relation::Above;
    }
    return length == folder.size() ? Relation::Same : Relation::Inside;
}

bool IsProtectedInProfile(const PathParts& path, size_t profileRoot, bool createdByInstall) {
    for (const std::vector<std::string>& tree : kProfileTrees) {
        Relation relation = RelationTo(path.components, profileRoot, tree);
        if (relation == Relation::Above || relation == Relation::Same ||
            (relation == Relation::Inside && !createdByInstall)) {
            return true;
        }
    }
    for (const std::vector<std::string>& folder : kProfileFolders) {
        Relation relation = RelationTo(path.components, profileRoot, folder);
        if (relation == Relation::Above || relation == Relation::Same) {
            return true;
        }
    }
    return false;
}

// Reads the program out of a registration value: quoted, or up to the first
// blank; an icon's ",index" goes.
std::string RegistrationProgram(const char* value, CharStep next) {
    const char* p = value;
    while (*p == ' ' || *p == '\t') {
        ++p;
    }
    std::string program;
    if (*p == '"') {
        for (++p; *p != '\0' && *p != '"';) {
            const char* after = next(p);
            program.append(p, static_cast<size_t>(after - p));
            p = after;
        }
    } else {
        for (; *p != '\0' && *p != ' ' && *p != '\t';) {
            const char* after = next(p);
            program.append(p, static_cast<size_t>(after - p));
            p = after;
        }
    }
    // ",index" of a default icon; a comma is never a trail byte.
    const size_t comma = program.rfind(',');
    if (comma != std::string::npos && comma + 1 < program.size() &&
        program.find_first_not_of("-0123456789", comma + 1) == std::string::npos) {
        program.erase(comma);
    }
    return program;
}

}  // namespace

std::string PathParts::Join(size_t count) const {
    std::string text = prefix;
    for (size_t i = 0; i < count && i < components.size(); ++i) {
        text += '\\';
        text += components[i];
    }
    return text;
}

std::string PathParts::WindowsText() const {
    return components.empty() ? prefix + "\\" : Text();
}

bool SplitTargetPath(const char* path, CharStep next, PathParts& out) {
    return Canonicalize(path, next, out);
}

bool MapLocalShare(PathParts& path, const std::vector<std::string>& localHosts) {
    if (path.prefix.size() < 2 || path.prefix[0] != '\\') {
        return true;
    }
    const size_t serverEnd = path.prefix.find('\\', 2);
    const std::string server = path.prefix.substr(2, serverEnd - 2);
    const std::string share = path.prefix.substr(serverEnd + 1);
    bool local = server == "LOCALHOST" || server == "127.0.0.1";
    for (const std::string& host : localHosts) {
        local = local || server == host;
    }
    if (!local) {
        return true;
    }
    if (share.size() == 2 && share[1] == '$' && IsAsciiLetter(share[0])) {
        path.prefix = std::string(1, share[0]) + ":";
        return true;
    }
    return false;
}

bool IsInsideDirectory(const std::string& path, const std::string& directory) {
    return StartsWithDirectory(path, directory);
}

bool CanonicalTargetPath(const char* path, CharStep next, std::string& out) {
    PathParts canonical;
    if (!Canonicalize(path, next, canonical)) {
        out.clear();
        return false;
    }
    out = canonical.Text();
    return true;
}

void AddProtectedDirectory(ProtectedDirectories& dirs, const char* path, CharStep next) {
    PathParts canonical;
    if (Canonicalize(path, next, canonical)) {
        dirs.exact.push_back(canonical.Text());
    }
}

void AddProtectedTree(ProtectedDirectories& dirs, const char* path, CharStep next) {
    PathParts canonical;
    if (Canonicalize(path, next, canonical)) {
        dirs.trees.push_back(canonical.Text());
    }
}

void AddProfileParent(ProtectedDirectories& dirs, const char* profilePath, CharStep next) {
    PathParts canonical;
    if (Canonicalize(profilePath, next, canonical) && canonical.components.size() >= 2) {
        dirs.profileParents.push_back(canonical.Join(canonical.components.size() - 1));
    }
}

bool IsProtectedTarget(const char* target, const ProtectedDirectories& dirs, CharStep next, bool createdByInstall) {
    PathParts canonical;
    if (!Canonicalize(target, next, canonical) || !MapLocalShare(canonical, dirs.localHosts) ||
        canonical.components.empty()) {
        return true;
    }
    const std::string text = canonical.Text();
    for (const std::string& dir : dirs.exact) {
        if (dir == text || StartsWithDirectory(dir, text)) {
            return true;
        }
    }
    for (const std::string& dir : dirs.trees) {
        if (dir == text || StartsWithDirectory(dir, text) || (!createdByInstall && StartsWithDirectory(text, dir))) {
            return true;
        }
    }
    // A profile root, or a folder directly in one: Downloads, cloud folders
    // and the like, where a program installed in place may well have been
    // started from; and the system's folders in any profile.
    const size_t depth = canonical.components.size();
    const std::string parent = canonical.Join(depth - 1);
    const std::string grandparent = depth >= 2 ? canonical.Join(depth - 2) : std::string();
    for (const std::string& profiles : dirs.profileParents) {
        if (parent == profiles || grandparent == profiles) {
            return true;
        }
        PathParts profilesParts;
        if (StartsWithDirectory(text, profiles) && Canonicalize(profiles.c_str(), next, profilesParts) &&
            IsProtectedInProfile(canonical, profilesParts.components.size() + 1, createdByInstall)) {
            return true;
        }
    }
    return false;
}

RegistryItemStatus ParseRegistryItem(const char* text, CharStep next, RegistryItem& item, bool existedBeforeInstall) {
    item.keyPath = nullptr;
    item.classKey.clear();
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
    std::vector<std::string> key;
    std::string component;
    for (const char* p = separator + 1; *p != '\0';) {
        if (*p == '\\') {
            ++p;
            continue;
        }
        p = ReadComponent(p, next, false, component);
        key.push_back(component);
    }
    if (key.empty()) {
        return RegistryItemStatus::EmptyKey;
    }
    item.keyPath = separator + 1;
    bool mayDelete = false;
    switch (item.root) {
        case RegistryRoot::CurrentUser:
        case RegistryRoot::LocalMachine:
            // HKEY_LOCAL_MACHINE\SYSTEM is not under "Software": never.
            mayDelete = MayDeleteSoftwareKey(key);
            break;
        case RegistryRoot::ClassesRoot:
            if (IsComRoot(key[0])) {
                mayDelete = key.size() >= 2;
                item.classKey = key[0] + (key.size() >= 2 ? "\\" + key[1] : std::string());
            } else {
                mayDelete = !IsSystemClass(key[0]);
                item.classKey = key[0];
            }
            break;
    }
    return mayDelete && !existedBeforeInstall ? RegistryItemStatus::Ok : RegistryItemStatus::Protected;
}

bool RegistrationIsInside(const char* value, const char* directory, CharStep next) {
    const std::string program = RegistrationProgram(value, next);
    std::string programPath;
    std::string dir;
    return CanonicalTargetPath(program.c_str(), next, programPath) && CanonicalTargetPath(directory, next, dir) &&
           StartsWithDirectory(programPath, dir);
}

bool ClassKeyIsProducts(const std::vector<std::string>& registrations, const char* directory, CharStep next) {
    for (const std::string& value : registrations) {
        if (!RegistrationIsInside(value.c_str(), directory, next)) {
            return false;
        }
    }
    return true;
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
