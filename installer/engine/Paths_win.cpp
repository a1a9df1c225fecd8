#include "engine/Paths_win.h"

#include <shlobj.h>

#include <cstring>

#include "engine/FileInUse_win.h"
#include "engine/PathScan.h"
#include "engine/Registry_win.h"
#include "engine/Reporter.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"

namespace {

const char kCurrentVersionKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
// "CommonFilesDir" and "ProgramFilesDir" are read into buffers of this size.
const DWORD kFolderValueCapacity = 128;
const int kErrorNoProgramFilesDir = 2101;

// The Windows or system directory into `output`; empty when the query fails
// or the directory would not fit.
void SystemDirectoryInto(UINT(WINAPI* query)(LPSTR, UINT), char (&output)[kPathCapacity]) {
    UINT length = query(output, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        output[0] = '\0';
    }
}

// The value of environment variable `name` into `folder`; false when it is
// not set, empty, longer than a path, or not expressible in the ANSI code
// page. Read through the wide call: GetEnvironmentVariableA of Wine counts
// the value in UTF-16 units and cuts double-byte values short.
bool EnvironmentFolder(const char* name, char (&folder)[kPathCapacity]) {
    folder[0] = '\0';
    wchar_t wideName[kPathCapacity];
    if (MultiByteToWideChar(CP_ACP, 0, name, -1, wideName, kPathCapacity) == 0) {
        return false;
    }
    // A value that fits in 255 ANSI bytes has at most 255 UTF-16 units.
    wchar_t value[kPathCapacity];
    DWORD length = GetEnvironmentVariableW(wideName, value, kPathCapacity);
    if (length == 0 || length >= kPathCapacity) {
        return false;
    }
    BOOL lossy = FALSE;
    if (WideCharToMultiByte(CP_ACP, 0, value, -1, folder, kPathCapacity, nullptr, &lossy) == 0 || lossy) {
        folder[0] = '\0';
        return false;
    }
    return true;
}

// The folder a macro name (with its leading "%") stands for, into `folder`.
bool MacroFolder(const char* macro, char (&folder)[kPathCapacity]) {
    folder[0] = '\0';
    if (std::strcmp(macro, "%WINDIR") == 0) {
        SystemDirectoryInto(GetWindowsDirectoryA, folder);
    } else if (std::strcmp(macro, "%SYSTEMDIR") == 0) {
        SystemDirectoryInto(GetSystemDirectoryA, folder);
    }
    if (folder[0] != '\0') {
        return true;
    }
    if (std::strcmp(macro, "%MYDOCUMENTS") == 0) {
        return GetSpecialFolderPath(kFolderPersonal, folder);
    }
    if (std::strcmp(macro, "%TEMPLATES") == 0) {
        return GetSpecialFolderPath(kFolderTemplates, folder);
    }
    if (std::strcmp(macro, "%COMMONPROG") == 0) {
        return QueryRegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "CommonFilesDir", folder, kFolderValueCapacity);
    }
    // Any other name, and a built-in one whose directory could not be had,
    // is an environment variable: %ProgramFiles%, %windir%.
    return EnvironmentFolder(macro + 1, folder);
}

}  // namespace

const char* NextAnsiChar(const char* p) {
    return CharNextA(p);
}

bool SplitInstallDirReg(const char* value, HKEY& root, const char*& subKey) {
    char rootName[kNameCapacity];
    if (!SplitRegistryPath(value, NextAnsiChar, rootName, sizeof rootName, &subKey)) {
        return false;
    }
    if (std::strcmp(rootName, "HKEY_CURRENT_USER") == 0) {
        root = HKEY_CURRENT_USER;
        return true;
    }
    if (std::strcmp(rootName, "HKEY_LOCAL_MACHINE") == 0) {
        root = HKEY_LOCAL_MACHINE;
        return true;
    }
    return false;
}

bool ResolvePath(char (&output)[kPathCapacity], const char* entry) {
    output[0] = '\0';
    if (entry == nullptr || entry[0] == '\0') {
        return false;
    }
    if (entry[0] == '%') {
        const char* close = FindMacroEnd(entry, NextAnsiChar);
        if (close == nullptr) {
            return false;
        }
        char macro[kPathCapacity];
        if (!CopyPrefix(macro, sizeof macro, entry, static_cast<size_t>(close - entry))) {
            return false;
        }
        char folder[kPathCapacity];
        if (!MacroFolder(macro, folder)) {
            return false;
        }
        return JoinPath(output, kPathCapacity, {folder, close + 1});
    }
    if (entry[1] == ':') {
        return JoinPath(output, kPathCapacity, {entry});
    }
    return JoinPath(output, kPathCapacity, {g_installer.installDir, "\\", entry});
}

bool GetSpecialFolderPath(int csidl, char (&output)[kPathCapacity]) {
    output[0] = '\0';
    LPITEMIDLIST raw = nullptr;
    if (FAILED(SHGetSpecialFolderLocation(nullptr, csidl, &raw)) || raw == nullptr) {
        return false;
    }
    ItemIdList list(raw);
    // SHGetPathFromIDListA writes up to MAX_PATH bytes, more than a path of
    // ours may hold.
    char path[MAX_PATH] = {};
    if (!SHGetPathFromIDListA(list.Get(), path) || path[0] == '\0') {
        return false;
    }
    // Wine gives some folders (Documents) with a trailing backslash; entries
    // such as %MYDOCUMENTS%\a.txt bring their own.
    const char* last = FindLastBackslash(path, NextAnsiChar);
    size_t length = std::strlen(path);
    if (last != nullptr && last[1] == '\0' && length > 3) {
        path[length - 1] = '\0';
    }
    return JoinPath(output, kPathCapacity, {path});
}

bool FileExists(const char* path, FILETIME* lastWrite) {
    WIN32_FIND_DATAA found;
    FileSearch search(FindFirstFileA(path, &found));
    if (!search) {
        return false;
    }
    if (lastWrite != nullptr) {
        *lastWrite = found.ftLastWriteTime;
    }
    return true;
}

bool ResolveInstallDir(Reporter& reporter, const char* installDirValue, const char* installDirReg) {
    if (installDirReg[0] != '\0') {
        HKEY root = nullptr;
        const char* subKey = nullptr;
        if (!SplitInstallDirReg(installDirReg, root, subKey)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        char remembered[kPathCapacity] = {};
        if (QueryRegString(root, subKey, "InstallDir", remembered, sizeof remembered)) {
            // Used as stored: it is what an earlier install chose.
            JoinPath(g_installer.installDir, kPathCapacity, {remembered});
            return true;
        }
    }

    char dir[kPathCapacity] = {};
    bool fits;
    if (installDirValue[0] == '\\') {
        char windowsDir[MAX_PATH] = {};
        UINT length = GetWindowsDirectoryA(windowsDir, MAX_PATH);
        char drive[3] = {};
        if (length >= 2 && length < MAX_PATH) {
            drive[0] = windowsDir[0];
            drive[1] = windowsDir[1];
        }
        fits = JoinPath(dir, sizeof dir, {drive, installDirValue});
    } else {
        char programFiles[kFolderValueCapacity] = {};
        if (!QueryRegString(HKEY_LOCAL_MACHINE, kCurrentVersionKey, "ProgramFilesDir", programFiles,
                            kFolderValueCapacity)) {
            reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorNoProgramFilesDir);
            return false;
        }
        fits = JoinPath(dir, sizeof dir, {programFiles, "\\", installDirValue});
    }
    if (!fits) {
        // Only a value longer than the setup file allows can get here.
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }
    JoinPath(g_installer.installDir, kPathCapacity, {dir});
    return true;
}

void CreateDirectoryTree(const char* path, std::vector<std::string>* created) {
    for (const std::string& level : DirectoryTreeLevels(path, NextAnsiChar)) {
        if (CreateDirectoryA(level.c_str(), nullptr) && created != nullptr) {
            created->push_back(level);
        }
    }
}

bool SourcePathFor(char (&output)[kPathCapacity], const char* ownDir, const char* field) {
    return BuildSourcePath(output, kPathCapacity, ownDir, field, NextAnsiChar);
}

bool CopyFileCreatingDirs(const char* source,
                          const char* destination,
                          std::vector<std::string>* created,
                          LPPROGRESS_ROUTINE progress,
                          void* context) {
    if (CopyFileExA(source, destination, progress, context, nullptr, 0)) {
        return true;
    }
    DWORD error = GetLastError();
    char directory[kPathCapacity];
    if (error == ERROR_REQUEST_ABORTED || IsInUseError(error) ||
        !CopyDestinationDirectory(directory, sizeof directory, destination, NextAnsiChar)) {
        SetLastError(error);
        return false;
    }
    CreateDirectoryTree(directory, created);
    return CopyFileExA(source, destination, progress, context, nullptr, 0) != 0;
}
