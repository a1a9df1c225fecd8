#include "engine/InstallFlow.h"

#include <shellapi.h>

#include <cstring>

#include "engine/InstallRules.h"
#include "engine/InstallerState.h"
#include "engine/PathScan.h"
#include "engine/Paths.h"
#include "engine/Registry.h"
#include "win/ScopedHandle.h"
#include "engine/SetupFields.h"
#include "engine/SetupInfo.h"
#include "engine/Shortcut.h"
#include "engine/UninstallEntry.h"
#include "resources/resource.h"
#include "ui/Messages.h"
#include "ui/ProgressDialog.h"

namespace {

const int kErrorGroupFolder = 2111;
const int kErrorShortcut = 2112;
const int kErrorStartupFolder = 2113;
const int kErrorDesktopFolder = 2115;
const int kErrorInstallDirKey = 2117;

const char kStateFileName[] = "$$Mivo.ini";

bool FileIdentity(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
    // No access rights are needed to read the identity, and a running
    // program or an open file must not stand in the way.
    KernelHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file && GetFileInformationByHandle(file.Get(), &info);
}

// True when both paths name the same file, however they are spelt. Installing
// into the distribution directory makes source and destination one file: it
// must be neither copied onto itself nor deleted as a "source".
bool SameFile(const char* a, const char* b) {
    BY_HANDLE_FILE_INFORMATION first;
    BY_HANDLE_FILE_INFORMATION second;
    return FileIdentity(a, first) && FileIdentity(b, second) &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}

// "$$Mivo.ini" in the temporary directory; false when that directory cannot
// be had or the path would not fit.
bool MoveStateFilePath(char (&out)[kPathCapacity]) {
    char temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        out[0] = '\0';
        return false;
    }
    return JoinPath(out, kPathCapacity, {temp, kStateFileName});
}

// Copies (or skips) one "Files" entry and, for a moving install, deletes its
// source. False after an error box owned by `progress`.
bool InstallOneFile(HWND progress, const char* entryText) {
    FileEntry entry;
    ParseFileEntry(entryText, entry);
    char source[kPathCapacity];
    char destination[kPathCapacity];
    if (!SourcePathFor(source, g_installer.ownDir, entry.path) || !ResolvePath(destination, entry.path)) {
        ShowSetupFileError(progress, MSG_SETUP_FILE_INVALID);
        return false;
    }

    FILETIME sourceTime = {};
    FILETIME destinationTime = {};
    bool sourceExists = FileExists(source, &sourceTime);
    bool destinationExists = FileExists(destination, &destinationTime);
    if (sourceExists && destinationExists && SameFile(source, destination)) {
        return true;  // already in place
    }

    int order = (sourceExists && destinationExists) ? CompareFileTime(&sourceTime, &destinationTime) : 0;
    if (ShouldCopyFile(entry.mode, sourceExists, destinationExists, order)) {
        if (progress != nullptr) {
            SetDlgItemTextA(progress, IDC_PROGRESS_SOURCE, source);
            SetDlgItemTextA(progress, IDC_PROGRESS_DESTINATION, destination);
            // No message loop runs while copying: paint the new names now.
            UpdateWindow(progress);
        }
        if (!CopyFileCreatingDirs(source, destination)) {
            ShowErrorText(progress, MSG_COPY_FAILED, 0, source);
            return false;
        }
        // A copy keeps the source's read-only bit; an installed file must stay
        // replaceable by the next install and removable by the uninstall.
        DWORD attributes = GetFileAttributesA(destination);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            SetFileAttributesA(destination, FILE_ATTRIBUTE_ARCHIVE);
        }
    }
    if (g_setupInfo.transferMode == TransferMode::Move) {
        // Fails for the running setup program itself; the "/d" run removes it.
        DeleteFileA(source);
    }
    return true;
}

// Copies everything the "Files" list names, showing each copy in the
// progress dialog.
bool CopyFiles(HWND owner) {
    CreateDirectoryTree(g_installer.installDir);
    ItemList files = ReadItemList(owner, "Files");
    if (!files) {
        return false;
    }
    OwnedWindow progress(CreateCopyProgressDialog(owner));
    for (const ItemNode* node = files.First(); node != nullptr; node = node->next) {
        if (!InstallOneFile(progress.Get(), node->text)) {
            return false;
        }
    }
    return true;
}

// Stores the install directory as value "InstallDir" of the key that
// "InstallDirReg" names, for the next install's default.
bool RememberInstallDir(HWND owner) {
    HKEY root = nullptr;
    const char* subKey = nullptr;
    if (!SplitInstallDirReg(g_setupInfo.installDirReg, root, subKey)) {
        ShowSetupFileError(owner, MSG_SETUP_FILE_INVALID);
        return false;
    }
    RegKey key;
    if (!OpenRegKey(root, subKey, true, key) || !WriteRegString(key.Get(), "InstallDir", g_installer.installDir)) {
        ShowError(owner, MSG_REGISTRY_OPEN_FAILED, kErrorInstallDirKey);
        return false;
    }
    return true;
}

// Writes one key of the setup information file, reporting a failure.
bool WriteSetupKey(HWND owner, const char* path, const char* key, const char* value) {
    if (WritePrivateProfileStringA("Install", key, value, path)) {
        return true;
    }
    ShowErrorText(owner, MSG_WRITE_FAILED, 0, path);
    return false;
}

// After the copy the installed setup file, when there is one, rules the rest
// of the run; its emptied "InstallDir" lets the installed copy later run in
// place.
bool SwitchToInstalledSetupFile(HWND owner) {
    char installed[kPathCapacity];
    if (!JoinPath(installed, sizeof installed, {g_installer.installDir, "\\", g_installer.setupFileName}) ||
        !FileExists(installed)) {
        return true;
    }
    if (!WriteSetupKey(owner, installed, "InstallDir", "")) {
        return false;
    }
    JoinPath(g_installer.setupFilePath, kPathCapacity, {installed});
    return true;
}

// Appends "\name" to `folder`; false when it would not fit.
bool AppendLevel(char (&folder)[kPathCapacity], const char* name) {
    char joined[kPathCapacity];
    if (!JoinPath(joined, sizeof joined, {folder, "\\", name})) {
        return false;
    }
    std::memcpy(folder, joined, sizeof joined);
    return true;
}

bool CreateListInFolder(HWND owner, const char* section, const char* folder) {
    ItemList list = ReadItemList(owner, section);
    return list && CreateShortcutsFromList(owner, list, folder);
}

bool CreateGroupShortcuts(HWND owner) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonPrograms : kFolderPrograms;
    if (!GetSpecialFolderPath(csidl, folder)) {
        ShowError(owner, MSG_SHORTCUT_FAILED, kErrorGroupFolder);
        return false;
    }
    if (g_setupInfo.groupName[0] != '\0') {
        if (!AppendLevel(folder, g_setupInfo.groupName)) {
            ShowError(owner, MSG_SHORTCUT_FAILED, kErrorGroupFolder);
            return false;
        }
        // One level only; an existing folder is normal.
        CreateDirectoryA(folder, nullptr);
    }
    return CreateListInFolder(owner, "Group", folder);
}

// Startup shortcuts go to one of the two Startup folders; when the user had
// the choice, a same-named shortcut in the other folder is removed so the
// program does not start twice.
bool CreateStartupShortcuts(HWND owner) {
    char perUser[kPathCapacity];
    char allUsers[kPathCapacity] = {};
    bool offered = g_setupInfo.allUsers >= 0;
    if (!GetSpecialFolderPath(kFolderStartup, perUser) ||
        (offered && !GetSpecialFolderPath(kFolderCommonStartup, allUsers))) {
        ShowError(owner, MSG_SHORTCUT_FAILED, kErrorStartupFolder);
        return false;
    }
    bool forAllUsers = g_setupInfo.allUsers >= 1;
    const char* chosen = forAllUsers ? allUsers : perUser;
    const char* other = forAllUsers ? perUser : allUsers;

    ItemList list = ReadItemList(owner, "Startup");
    if (!list || !CreateShortcutsFromList(owner, list, chosen)) {
        return false;
    }
    // Were both folders one, the clean-up would delete what was just made.
    if (offered && lstrcmpiA(chosen, other) != 0) {
        for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
            char name[sizeof(ShortcutEntry::name)];
            FieldBuffer field = {name, sizeof name, false};
            char link[kPathCapacity];
            if (SplitFields(node->text, &field, 1) == 1 && !field.cut &&
                JoinPath(link, sizeof link, {other, "\\", name, ".lnk"})) {
                DeleteFileA(link);
            }
        }
    }
    return true;
}

bool CreateDesktopShortcuts(HWND owner) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonDesktop : kFolderDesktop;
    if (!GetSpecialFolderPath(csidl, folder)) {
        ShowError(owner, MSG_SHORTCUT_FAILED, kErrorDesktopFolder);
        return false;
    }
    return CreateListInFolder(owner, "Desktop", folder);
}

// Starts "Install" "Program" from the install directory.
bool StartInstalledProgram(HWND owner) {
    ProgramEntry entry;
    char file[kPathCapacity];
    if (!ParseProgramEntry(g_setupInfo.program, entry) ||
        !JoinPath(file, sizeof file, {g_installer.installDir, "\\", entry.program})) {
        ShowSetupFileError(owner, MSG_SETUP_FILE_INVALID);
        return false;
    }
    HINSTANCE started = ShellExecuteA(nullptr, nullptr, file, entry.parameters, "", SW_SHOW);
    INT_PTR result = reinterpret_cast<INT_PTR>(started);
    if (result <= 32) {
        ShowErrorText(owner, MSG_START_FAILED, static_cast<int>(result), file);
        return false;
    }
    return true;
}

}  // namespace

bool RunInstall(HWND owner) {
    if (g_setupInfo.transferMode != TransferMode::InPlace) {
        if (!CopyFiles(owner)) {
            return false;
        }
        if (g_setupInfo.transferMode == TransferMode::Move) {
            // Without the state file the "/d" run simply finds nothing to do.
            char stateFile[kPathCapacity];
            if (MoveStateFilePath(stateFile)) {
                WritePrivateProfileStringA("Install", "DelFile", g_installer.ownPath, stateFile);
            }
        }
        if (g_setupInfo.installDirReg[0] != '\0' && !RememberInstallDir(owner)) {
            return false;
        }
        if (!SwitchToInstalledSetupFile(owner)) {
            return false;
        }
    }

    if (g_setupInfo.installProhibited == 2 &&
        !WriteSetupKey(owner, g_installer.setupFilePath, "InstallProhibited", "1")) {
        return false;
    }
    if (g_setupInfo.groupValue == 1 && !CreateGroupShortcuts(owner)) {
        return false;
    }
    if (g_setupInfo.startupValue == 1 && !CreateStartupShortcuts(owner)) {
        return false;
    }
    if (g_setupInfo.desktopValue == 1 && !CreateDesktopShortcuts(owner)) {
        return false;
    }
    if (g_setupInfo.uninstallKey[0] != '\0' && g_installer.runMode != RunMode::PerUser &&
        !RegisterUninstallEntry(owner)) {
        return false;
    }

    if (g_setupInfo.message[0] != '\0') {
        ShowMessageText(owner, MessageKind::Information, g_setupInfo.message);
    } else {
        ShowMessage(owner, MessageKind::Information, MSG_INSTALL_COMPLETE);
    }
    if (g_setupInfo.program[0] == '\0') {
        return true;
    }
    return StartInstalledProgram(owner);
}

bool CreateShortcutsFromList(HWND owner, const ItemList& list, const char* folder) {
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        ShortcutEntry entry;
        if (ParseShortcutEntry(node->text, entry) != EntryStatus::Ok || !IsSafeShortcutName(entry.name, NextAnsiChar)) {
            ShowSetupFileError(owner, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (SkipsSelfShortcut(entry.target, entry.arguments, g_installer.ownFileName,
                              g_installer.runMode == RunMode::PerUser, g_installer.runMode == RunMode::Win9x)) {
            continue;
        }
        char target[kPathCapacity];
        if (!ResolvePath(target, entry.target)) {
            ShowSetupFileError(owner, MSG_SETUP_FILE_INVALID);
            return false;
        }
        char iconPath[kPathCapacity] = {};
        int iconIndex = -1;
        if (entry.iconIndex[0] != '\0') {
            // An empty or unresolvable icon file leaves the target's icon.
            ResolvePath(iconPath, entry.iconFile);
            iconIndex = ParseDecimal(entry.iconIndex);
        }
        if (!CreateShortcut(target, entry.arguments, folder, entry.name, iconPath, iconIndex)) {
            ShowError(owner, MSG_SHORTCUT_FAILED, kErrorShortcut);
            return false;
        }
    }
    return true;
}

void CleanUpAfterMove() {
    // The installing process started this one just before it ends.
    Sleep(500);
    char stateFile[kPathCapacity];
    if (!MoveStateFilePath(stateFile)) {
        return;
    }
    char delFile[kPathCapacity] = {};
    GetPrivateProfileStringA("Install", "DelFile", "", delFile, sizeof delFile, stateFile);
    if (delFile[0] == '\0') {
        return;
    }
    // After an install into the distribution directory the setup program is
    // the installed copy, which is running this: it must stay.
    char self[MAX_PATH] = {};
    DWORD length = GetModuleFileNameA(nullptr, self, MAX_PATH);
    bool isSelf = length != 0 && length < MAX_PATH && SameFile(delFile, self);
    if (!isSelf) {
        DeleteFileA(delFile);
    }
    DeleteFileA(stateFile);
}
