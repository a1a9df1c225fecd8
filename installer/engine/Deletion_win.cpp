#include "engine/Deletion_win.h"

#include "engine/Reporter.h"

#include <shlobj.h>

#include <cstring>

#include "engine/DeletionRules.h"
#include "engine/InstallRules.h"
#include "engine/MachineFacts_win.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/SetupFields.h"
#include "win/ScopedHandle.h"

namespace {

// Lets the file system finish with a directory just emptied before it is
// removed.
const DWORD kSettleBeforeRemoveMs = 100;

// Longer subkey names than the registry allows cannot exist.
const DWORD kKeyNameCapacity = 256;

bool IsLink(DWORD attributes) {
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The path of entry `found` inside `directory`; the short name stands in for
// a long one that would not fit.
bool ChildPath(char (&child)[kPathCapacity], const char* directory, const WIN32_FIND_DATAA& found) {
    if (JoinPath(child, sizeof child, {directory, "\\", found.cFileName})) {
        return true;
    }
    return found.cAlternateFileName[0] != '\0' &&
           JoinPath(child, sizeof child, {directory, "\\", found.cAlternateFileName});
}

// The long form of `path` when it exists, else `path` as it is, so that
// C:\PROGRA~1 and C:\Program Files compare equal.
void AddLongForm(ProtectedDirectories& dirs, const char* path) {
    if (path == nullptr || path[0] == '\0') {
        return;
    }
    char longPath[MAX_PATH] = {};
    DWORD length = GetLongPathNameA(path, longPath, sizeof longPath);
    AddProtectedDirectory(dirs, length > 0 && length < sizeof longPath ? longPath : path, NextAnsiChar);
    // Both spellings: a path may be written either way.
    AddProtectedDirectory(dirs, path, NextAnsiChar);
}

void AddSystemDirectory(ProtectedDirectories& dirs, UINT(WINAPI* query)(LPSTR, UINT)) {
    char path[MAX_PATH] = {};
    UINT length = query(path, sizeof path);
    if (length > 0 && length < sizeof path) {
        AddLongForm(dirs, path);
    }
}

// `path` + `below` as a tree that goes only whole with what it holds, in its
// given and its long spelling.
void AddTree(ProtectedDirectories& dirs, const char* path, const char* below) {
    char tree[kPathCapacity];
    if (path == nullptr || path[0] == '\0' || !JoinPath(tree, sizeof tree, {path, below})) {
        return;
    }
    AddProtectedTree(dirs, tree, NextAnsiChar);
    std::string longForm;
    if (LongFormOf(tree, longForm)) {
        AddProtectedTree(dirs, longForm.c_str(), NextAnsiChar);
    }
}

void AddSystemTree(ProtectedDirectories& dirs, UINT(WINAPI* query)(LPSTR, UINT)) {
    char path[MAX_PATH] = {};
    UINT length = query(path, sizeof path);
    if (length > 0 && length < sizeof path) {
        AddTree(dirs, path, "");
    }
}

// The folders of the user's and the machine's AppData that Windows fills
// itself. Those of other profiles follow from the profile directory.
void AddAppDataTrees(ProtectedDirectories& dirs) {
    char path[kPathCapacity];
    if (GetSpecialFolderPath(CSIDL_LOCAL_APPDATA, path)) {
        AddTree(dirs, path, "\\Microsoft");
        AddTree(dirs, path, "Low");  // "...\AppData\Local" + "Low"
        char programs[kPathCapacity];
        if (JoinPath(programs, sizeof programs, {path, "\\Programs"})) {
            AddLongForm(dirs, programs);
        }
    }
    if (GetSpecialFolderPath(CSIDL_APPDATA, path)) {
        AddTree(dirs, path, "\\Microsoft");
    }
    if (GetSpecialFolderPath(CSIDL_COMMON_APPDATA, path)) {
        AddTree(dirs, path, "\\Microsoft");
    }
}

ProtectedDirectories CollectProtectedDirectories() {
    ProtectedDirectories dirs;
    dirs.localHosts = LocalHostNames();
    AddSystemTree(dirs, GetWindowsDirectoryA);
    AddSystemTree(dirs, GetSystemWindowsDirectoryA);
    AddAppDataTrees(dirs);
    AddSystemDirectory(dirs, GetWindowsDirectoryA);
    AddSystemDirectory(dirs, GetSystemWindowsDirectoryA);
    AddSystemDirectory(dirs, GetSystemDirectoryA);
    // Zero on a 32-bit system, where there is no such directory.
    AddSystemDirectory(dirs, GetSystemWow64DirectoryA);

    for (const std::string& path : ProgramFilesFolders()) {
        AddLongForm(dirs, path.c_str());
    }

    static const char* const kVariables[] = {
        "SystemRoot",
        "windir",
        "ProgramFiles",
        "ProgramFiles(x86)",
        "ProgramW6432",
        "CommonProgramFiles",
        "CommonProgramFiles(x86)",
        "CommonProgramW6432",
        "ProgramData",
        "ALLUSERSPROFILE",
        "PUBLIC",
        "USERPROFILE",
        "APPDATA",
        "LOCALAPPDATA",
        // A product installed in place from the temporary folder must not
        // take everything else in it along with its own files.
        "TEMP",
        "TMP",
    };
    for (const char* variable : kVariables) {
        char path[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableA(variable, path, sizeof path);
        if (length > 0 && length < sizeof path) {
            AddLongForm(dirs, path);
        }
    }

    // The shell's folders of the user and of all users: emptying one of them
    // takes everybody's documents, shortcuts or settings with it.
    static const int kFolders[] = {
        CSIDL_DESKTOP,
        CSIDL_PROGRAMS,
        CSIDL_PERSONAL,
        CSIDL_FAVORITES,
        CSIDL_STARTUP,
        CSIDL_STARTMENU,
        CSIDL_MYMUSIC,
        CSIDL_MYVIDEO,
        CSIDL_DESKTOPDIRECTORY,
        CSIDL_FONTS,
        CSIDL_TEMPLATES,
        CSIDL_COMMON_STARTMENU,
        CSIDL_COMMON_PROGRAMS,
        CSIDL_COMMON_STARTUP,
        CSIDL_COMMON_DESKTOPDIRECTORY,
        CSIDL_APPDATA,
        CSIDL_LOCAL_APPDATA,
        CSIDL_COMMON_APPDATA,
        CSIDL_WINDOWS,
        CSIDL_SYSTEM,
        CSIDL_PROGRAM_FILES,
        CSIDL_MYPICTURES,
        CSIDL_PROFILE,
        CSIDL_PROGRAM_FILES_COMMON,
        CSIDL_COMMON_TEMPLATES,
        CSIDL_COMMON_DOCUMENTS,
        CSIDL_COMMON_MUSIC,
        CSIDL_COMMON_PICTURES,
        CSIDL_COMMON_VIDEO,
    };
    for (int folder : kFolders) {
        char path[kPathCapacity];
        if (GetSpecialFolderPath(folder, path)) {
            AddLongForm(dirs, path);
        }
    }

    // Every directory beside the user's own profile (and beside the shared
    // one) is another user's profile.
    char profile[kPathCapacity];
    if (GetSpecialFolderPath(CSIDL_PROFILE, profile)) {
        AddProfileParent(dirs, profile, NextAnsiChar);
    }
    static const char* const kProfileVariables[] = {"USERPROFILE", "PUBLIC"};
    for (const char* variable : kProfileVariables) {
        char path[MAX_PATH] = {};
        DWORD length = GetEnvironmentVariableA(variable, path, sizeof path);
        if (length > 0 && length < sizeof path) {
            AddProfileParent(dirs, path, NextAnsiChar);
        }
    }
    return dirs;
}

bool KeyIsMissing(HKEY root, const char* path) {
    RegKey probe;
    return RegOpenKeyExA(root, path, 0, KEY_READ, probe.Receive()) == ERROR_FILE_NOT_FOUND;
}

}  // namespace

bool DeleteDirectoryContents(const char* directory, bool recursive) {
    // A directory that is itself a link is not ours to empty: what it points
    // to may be anything. Whoever removes it afterwards removes the link.
    if (IsLink(GetFileAttributesA(directory))) {
        return true;
    }
    char pattern[kPathCapacity];
    if (!JoinPath(pattern, sizeof pattern, {directory, "\\*.*"})) {
        return false;
    }
    WIN32_FIND_DATAA found;
    FileSearch search(FindFirstFileA(pattern, &found));
    if (!search) {
        return true;
    }
    bool result = true;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) {
            continue;
        }
        char child[kPathCapacity];
        if (!ChildPath(child, directory, found)) {
            result = false;
            continue;
        }
        const bool link = IsLink(found.dwFileAttributes);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!recursive) {
                continue;
            }
            if (link) {
                // A junction or directory link: remove the link, never enter
                // it, so the directory it points to keeps every file.
                if (!RemoveDirectoryA(child)) {
                    result = false;
                }
                continue;
            }
            if (!DeleteDirectoryContents(child, true)) {
                result = false;
                continue;
            }
            Sleep(kSettleBeforeRemoveMs);
            if (!RemoveDirectoryA(child)) {
                result = false;
            }
            continue;
        }
        // Changing the attributes of a file link would change its target's.
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_READONLY) && !link &&
            !SetFileAttributesA(child, FILE_ATTRIBUTE_NORMAL)) {
            result = false;
            continue;
        }
        if (!DeleteFileA(child)) {
            result = false;
        }
    } while (FindNextFileA(search.Get(), &found));
    return result;
}

int DeleteRegistryTree(HKEY root, const char* path) {
    // An empty path opens `root` itself, and everything below it would go.
    if (path == nullptr || path[0] == '\0') {
        return kErrorRegistryKeyDelete;
    }
    {
        RegKey key;
        if (!OpenRegKey(root, path, false, key)) {
            // A key that is not there needs no deletion; one that is there
            // but may not be opened stays behind and must be reported.
            return KeyIsMissing(root, path) ? 0 : kErrorRegistryKeyDelete;
        }
        char last[kKeyNameCapacity] = "";
        DWORD index = 0;
        for (;;) {
            char name[kKeyNameCapacity];
            DWORD length = sizeof name;
            if (RegEnumKeyExA(key.Get(), index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
                break;
            }
            if (lstrcmpiA(name, last) == 0) {
                // It survived its deletion; step over it.
                ++index;
                continue;
            }
            // Relative to the open key, so the depth of the tree never makes a
            // path too long.
            int result = DeleteRegistryTree(key.Get(), name);
            if (result != 0) {
                return result;
            }
            std::memcpy(last, name, sizeof last);
            // The next subkey has moved up to the same index.
        }
    }
    return RegDeleteKeyA(root, path) == ERROR_SUCCESS ? 0 : kErrorRegistryKeyDelete;
}

void DeleteShortcutList(const ItemList& list, const char* folder, Reporter* reporter) {
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        char name[kItemCapacity];
        FieldBuffer field = {name, sizeof name, false};
        if (SplitFields(node->text, &field, 1) < 1 || name[0] == '\0') {
            continue;
        }
        char path[kPathCapacity];
        if (IsSafeShortcutName(name, NextAnsiChar) && JoinPath(path, sizeof path, {folder, "\\", name, ".lnk"}) &&
            DeleteFileA(path) && reporter) {
            reporter->Record(Step::Removed, path);
        }
    }
}

bool IsProtectedDeletionTarget(const char* directory, bool createdByInstall) {
    const ProtectedDirectories dirs = CollectProtectedDirectories();
    if (IsProtectedTarget(directory, dirs, NextAnsiChar, createdByInstall)) {
        return true;
    }
    std::string longForm;
    if (!LongFormOf(directory, longForm) || IsProtectedTarget(longForm.c_str(), dirs, NextAnsiChar, createdByInstall)) {
        return true;
    }
    return HasLinkAbove(directory);
}

RegistryItemStatus CheckRegistryItem(const char* text,
                                     RegistryItem& item,
                                     const char* installDir,
                                     bool existedBeforeInstall) {
    RegistryItemStatus status = ParseRegistryItem(text, NextAnsiChar, item, existedBeforeInstall);
    if (status == RegistryItemStatus::Ok && item.root == RegistryRoot::ClassesRoot &&
        !ClassKeyIsProductsOnMachine(item.classKey, installDir)) {
        return RegistryItemStatus::Protected;
    }
    return status;
}
