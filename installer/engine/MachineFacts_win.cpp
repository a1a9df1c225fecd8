#include "engine/MachineFacts_win.h"

#include <shlobj.h>
#include <windows.h>

#include <cstring>

#include "engine/DeletionRules.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"

namespace {

std::string UpperAscii(const char* text) {
    std::string upper(text);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

// A reparse point that stands for another name: junctions, mount points and
// symbolic links (IsReparseTagNameSurrogate). Cloud files and deduplicated
// files are reparse points too but hold their own data. A tag of 0 (Wine's
// Unix links) counts as a link: when in doubt, nothing is followed.
bool IsNameSurrogate(const WIN32_FIND_DATAA& found) {
    if ((found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) == 0) {
        return false;
    }
    return found.dwReserved0 == 0 || (found.dwReserved0 & 0x20000000) != 0;
}

// Every spelling under which `path` may be written: as given, and its long form.
void AddSpellings(std::vector<std::string>& list, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    AddInstallDirFolder(list, path, NextAnsiChar);
    std::string longForm;
    if (LongFormOf(path, longForm)) {
        AddInstallDirFolder(list, longForm.c_str(), NextAnsiChar);
    }
}

void AddEnvironment(std::vector<std::string>& list, const char* variable) {
    char path[MAX_PATH] = {};
    DWORD length = GetEnvironmentVariableA(variable, path, sizeof path);
    if (length > 0 && length < sizeof path) {
        AddSpellings(list, path);
    }
}

void AddFolder(std::vector<std::string>& list, int csidl) {
    char path[kPathCapacity];
    if (GetSpecialFolderPath(csidl, path)) {
        AddSpellings(list, path);
    }
}

// The directory holding the profile `profile`, unless that is a root.
void AddProfileParentOf(std::vector<std::string>& list, const char* profile) {
    PathParts parts;
    if (profile[0] != '\0' && SplitTargetPath(profile, NextAnsiChar, parts) && parts.components.size() >= 2) {
        list.push_back(parts.Join(parts.components.size() - 1));
    }
}

// The default values of the keys of a class that name a program or a file:
// shell commands, icons, COM servers, type libraries. Depth and count are
// bounded: a class key is small, and a hostile one may be made large.
const char* const kRegistrationKeys[] = {"command",     "DefaultIcon", "InprocServer32", "LocalServer32",
                                         "LocalServer", "win32",       "win64"};
const int kMaxDepth = 5;
const int kMaxKeys = 256;

void ReadDefault(HKEY key, std::vector<std::string>& registrations) {
    char value[kPathCapacity * 2] = {};
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    if (RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) != ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ) || value[0] == '\0') {
        return;
    }
    if (type == REG_EXPAND_SZ) {
        char expanded[kPathCapacity * 2] = {};
        DWORD length = ExpandEnvironmentStringsA(value, expanded, sizeof expanded);
        if (length > 0 && length <= sizeof expanded) {
            registrations.emplace_back(expanded);
            return;
        }
    }
    registrations.emplace_back(value);
}

void CollectRegistrations(HKEY key, int depth, int& visited, std::vector<std::string>& registrations) {
    for (DWORD index = 0; depth < kMaxDepth && visited < kMaxKeys; ++index) {
        char name[256];
        DWORD length = sizeof name;
        if (RegEnumKeyExA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        ++visited;
        RegKey child;
        if (!OpenRegKeyForRead(key, name, child)) {
            continue;
        }
        for (const char* registration : kRegistrationKeys) {
            if (lstrcmpiA(name, registration) == 0) {
                ReadDefault(child.Get(), registrations);
            }
        }
        CollectRegistrations(child.Get(), depth + 1, visited, registrations);
    }
}

}  // namespace

std::vector<std::string> LocalHostNames() {
    std::vector<std::string> names;
    char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
    DWORD size = sizeof name;
    if (GetComputerNameA(name, &size)) {
        names.push_back(UpperAscii(name));
    }
    for (COMPUTER_NAME_FORMAT format : {ComputerNameDnsHostname, ComputerNameDnsFullyQualified}) {
        char dnsName[256] = {};
        DWORD dnsSize = sizeof dnsName;
        if (GetComputerNameExA(format, dnsName, &dnsSize) && dnsName[0] != '\0') {
            names.push_back(UpperAscii(dnsName));
        }
    }
    return names;
}

bool LongFormOf(const char* path, std::string& out) {
    PathParts parts;
    if (!SplitTargetPath(path, NextAnsiChar, parts) || !MapLocalShare(parts, LocalHostNames())) {
        return false;
    }
    // The longest leading part that exists has a long form; the rest is
    // spelt as given (it does not exist, so no short name stands for it).
    for (size_t count = parts.components.size(); count > 0; --count) {
        PathParts head = parts;
        head.components.resize(count);
        char longPath[MAX_PATH] = {};
        DWORD length = GetLongPathNameA(head.WindowsText().c_str(), longPath, sizeof longPath);
        if (length > 0 && length < sizeof longPath) {
            out = longPath;
            for (size_t i = count; i < parts.components.size(); ++i) {
                out += '\\';
                out += parts.components[i];
            }
            return true;
        }
    }
    out = parts.WindowsText();
    return true;
}

bool HasLinkAbove(const char* path) {
    std::string longForm;
    PathParts parts;
    if (!LongFormOf(path, longForm) || !SplitTargetPath(longForm.c_str(), NextAnsiChar, parts)) {
        return false;  // not a path the rules accept at all; they refuse it
    }
    for (size_t count = 1; count < parts.components.size(); ++count) {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(parts.Join(count).c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return false;  // the rest does not exist: nothing below to reach
        }
        FindClose(search);
        if (IsNameSurrogate(found)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> ProgramFilesFolders() {
    static const char* const kFolderValues[] = {
        "ProgramFilesDir",      "CommonFilesDir",  "ProgramFilesDir (x86)",
        "CommonFilesDir (x86)", "ProgramW6432Dir", "CommonW6432Dir",
    };
    std::vector<std::string> folders;
    for (const char* value : kFolderValues) {
        char path[kPathCapacity] = {};
        if (QueryRegString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", value, path,
                           sizeof path)) {
            folders.emplace_back(path);
        }
    }
    return folders;
}

InstallDirFolders CollectInstallDirFolders() {
    InstallDirFolders folders;
    char windows[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) {
        AddSpellings(folders.windows, windows);
    }
    length = GetSystemWindowsDirectoryA(windows, sizeof windows);
    if (length > 0 && length < sizeof windows) {
        AddSpellings(folders.windows, windows);
    }

    // Program Files and Common Files as the registry, the environment and the
    // shell name them, in the view of this process and in the other one.
    for (const std::string& path : ProgramFilesFolders()) {
        AddSpellings(folders.exact, path.c_str());
    }
    static const char* const kVariables[] = {
        "ProgramFiles",
        "ProgramFiles(x86)",
        "ProgramW6432",
        "CommonProgramFiles",
        "CommonProgramFiles(x86)",
        "CommonProgramW6432",
        // Profile roots: the user's own and the shared ones.
        "USERPROFILE",
        "ALLUSERSPROFILE",
        "PUBLIC",
    };
    for (const char* variable : kVariables) {
        AddEnvironment(folders.exact, variable);
    }
    static const int kFolders[] = {CSIDL_PROGRAM_FILES, CSIDL_PROGRAM_FILES_COMMON, CSIDL_PROGRAM_FILESX86,
                                   CSIDL_PROGRAM_FILES_COMMONX86, CSIDL_PROFILE};
    for (int folder : kFolders) {
        AddFolder(folders.exact, folder);
    }

    char profile[kPathCapacity];
    if (GetSpecialFolderPath(CSIDL_PROFILE, profile)) {
        AddProfileParentOf(folders.profileParents, profile);
    }
    for (const char* variable : {"USERPROFILE", "PUBLIC"}) {
        char path[MAX_PATH] = {};
        DWORD size = GetEnvironmentVariableA(variable, path, sizeof path);
        if (size > 0 && size < sizeof path) {
            AddProfileParentOf(folders.profileParents, path);
        }
    }
    return folders;
}

bool ClassKeyIsProductsOnMachine(const std::string& classKey, const char* installDir) {
    RegKey key;
    if (!OpenRegKeyForRead(HKEY_CLASSES_ROOT, classKey.c_str(), key)) {
        return true;
    }
    std::vector<std::string> registrations;
    int visited = 0;
    CollectRegistrations(key.Get(), 0, visited, registrations);
    if (!classKey.empty() && classKey[0] == '.') {
        // An extension belongs with the class it names.
        char className[256] = {};
        DWORD size = sizeof className - 1;
        DWORD type = 0;
        RegKey classKeyOfExtension;
        if (RegQueryValueExA(key.Get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(className), &size) ==
                ERROR_SUCCESS &&
            type == REG_SZ && className[0] != '\0' && className[0] != '.' &&
            OpenRegKeyForRead(HKEY_CLASSES_ROOT, className, classKeyOfExtension)) {
            CollectRegistrations(classKeyOfExtension.Get(), 0, visited, registrations);
        }
    }
    return ClassKeyIsProducts(registrations, installDir, NextAnsiChar);
}
