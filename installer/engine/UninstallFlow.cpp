#include "engine/UninstallFlow.h"

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/AnsiText.h"
#include "engine/Deletion.h"
#include "engine/DeletionRules.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState.h"
#include "engine/Paths.h"
#include "engine/RestartDeletion.h"
#include "win/ScopedHandle.h"
#include "engine/SetupFields.h"
#include "engine/SetupInfo.h"
#include "engine/UninstallEntry.h"
#include "resources/resource.h"
#include "ui/Messages.h"

namespace {

const int kErrorNoInstallDir = 2001;
const int kErrorNoProgramsFolder = 2211;
const int kErrorNoStartupFolder = 2212;
const int kErrorNoDesktopFolder = 2213;

// Fixed waits. The copy in the Windows directory gives the process that
// started it time to end; the others let the file system and the shell
// finish with what was just deleted before its folder goes.
const DWORD kWaitBeforeContinueMs = 2000;
const DWORD kWaitBeforeGroupFolderMs = 500;
const DWORD kWaitBeforeDirectoryMs = 100;
const DWORD kWaitBeforeFilesMs = 200;
const DWORD kWaitBeforeInstallDirMs = 1000;

// A shortcut step: its setup section, the folders of both passes and the code
// reported when a folder is not available.
struct ShortcutStep {
    const char* section;
    int32_t value;
    int userFolder;
    int commonFolder;
    int errorCode;
    bool inGroup;  // in the group's subfolder, which goes once emptied
};

// The box for what may not be deleted: `baseText` with the refused directory
// or key named on a line of its own.
void ShowRefusal(MessageKind kind, const char* baseText, const char* directory) {
    char text[kMessageCapacity + kPathCapacity + 2];
    CopyAnsiBounded(text, sizeof text, baseText);
    AppendAnsiBounded(text, sizeof text, "\n");
    AppendAnsiBounded(text, sizeof text, directory);
    ShowMessageText(nullptr, kind, text);
}

// An "RmDir" or "RegKey" item naming what no product owns: message 2 with the
// setup file, and the refused target.
void ReportRefusedEntry(const char* target) {
    char format[kMessageCapacity];
    LoadMessage(MSG_SETUP_FILE_INVALID, format, sizeof format);
    char text[kMessageCapacity];
    FormatErrorText(text, format, g_installer.setupFilePath, 0);
    ShowRefusal(MessageKind::Error, text, target);
}

// An install directory that may not be emptied or removed: message 11 naming
// it, once for both.
void ReportRefusedInstallDir() {
    char text[kMessageCapacity];
    LoadMessage(MSG_INSTALL_DIR_DELETE_FAILED, text, sizeof text);
    ShowRefusal(MessageKind::Warning, text, g_installer.installDir);
}

bool RemoveShortcuts(const ShortcutStep& step) {
    if (step.value == -1) {
        return true;
    }
    ItemList list = ReadItemList(nullptr, step.section);
    if (!list) {
        return false;
    }
    // A name that would reach outside its folder is refused once, not per pass.
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        char name[kItemCapacity];
        FieldBuffer field = {name, sizeof name, false};
        if (SplitFields(node->text, &field, 1) == 1 && name[0] != '\0' && !IsSafeShortcutName(name, NextAnsiChar)) {
            ReportRefusedEntry(node->text);
        }
    }
    const SetupInfo& info = g_setupInfo;
    const bool allUsers = g_installer.runMode == RunMode::Admin && info.allUsers >= 0;
    const bool subfolder = step.inGroup && info.groupName[0] != '\0';
    for (int pass = 0; pass < (allUsers ? 2 : 1); ++pass) {
        char folder[kPathCapacity];
        if (!GetSpecialFolderPath(pass == 0 ? step.userFolder : step.commonFolder, folder) ||
            (subfolder && !AppendAnsiBounded(folder, sizeof folder, "\\")) ||
            (subfolder && !AppendAnsiBounded(folder, sizeof folder, info.groupName))) {
            ShowError(nullptr, MSG_FATAL_ERROR, step.errorCode);
            return false;
        }
        DeleteShortcutList(list, folder);
        if (subfolder) {
            Sleep(kWaitBeforeGroupFolderMs);
            RemoveDirectoryA(folder);  // a folder that still holds anything stays
        }
    }
    return true;
}

HKEY RootKey(RegistryRoot root) {
    switch (root) {
        case RegistryRoot::CurrentUser:
            return HKEY_CURRENT_USER;
        case RegistryRoot::LocalMachine:
            return HKEY_LOCAL_MACHINE;
        case RegistryRoot::ClassesRoot:
            break;
    }
    return HKEY_CLASSES_ROOT;
}

bool RemoveRegistryKeys() {
    ItemList list = ReadItemList(nullptr, "RegKey");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        RegistryItem item;
        RegistryItemStatus status = CheckRegistryItem(node->text, item, g_installer.installDir);
        if (status == RegistryItemStatus::NoBackslash || status == RegistryItemStatus::UnknownRoot) {
            ShowSetupFileError(nullptr, MSG_SETUP_FILE_INVALID);
            return false;
        }
        // A per-user run may only touch the user's own settings, and passes
        // over the other roots without looking at their keys.
        if (g_installer.runMode == RunMode::PerUser && item.root != RegistryRoot::CurrentUser) {
            continue;
        }
        if (status == RegistryItemStatus::EmptyKey) {
            ShowSetupFileError(nullptr, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (status == RegistryItemStatus::Protected) {
            ReportRefusedEntry(node->text);
            continue;
        }
        int result = DeleteRegistryTree(RootKey(item.root), item.keyPath);
        if (result != 0) {
            ShowError(nullptr, MSG_REGISTRY_DELETE_FAILED, result);
            return false;
        }
    }
    return true;
}

bool RemoveDirectories() {
    ItemList list = ReadItemList(nullptr, "RmDir");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        RmDirEntry entry;
        if (!ParseRmDirEntry(node->text, entry)) {
            continue;
        }
        char path[kPathCapacity];
        if (!ResolvePath(path, entry.path)) {
            return false;
        }
        if (IsProtectedDeletionTarget(path)) {
            ReportRefusedEntry(path);
            continue;
        }
        DeleteDirectoryContents(path, entry.recurse);
        Sleep(kWaitBeforeDirectoryMs);
        RemoveDirectoryA(path);
    }
    return true;
}

// Deletes one listed file. A read-only one (copied from read-only media keeps
// the attribute) is made writable first, or it would stay behind and keep the
// install directory from going.
void DeleteListedFile(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    DeleteFileA(path);
}

bool RemoveFiles() {
    ItemList list = ReadItemList(nullptr, "Files");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        FileEntry entry;
        char path[kPathCapacity];
        if (!ParseFileEntry(node->text, entry) || !ResolvePath(path, entry.path)) {
            continue;
        }
        DeleteListedFile(path);
        // WinHelp leaves its index beside the help file.
        char index[kPathCapacity];
        if (HelpIndexPathFor(path, NextAnsiChar, index, sizeof index)) {
            DeleteListedFile(index);
        }
    }
    return true;
}

// A "Dir" that is no absolute path cannot be where anything was installed;
// relative paths would resolve against whatever the current directory is.
bool IsAbsoluteDirectory(const char* dir) {
    std::string canonical;
    return CanonicalTargetPath(dir, NextAnsiChar, canonical);
}

}  // namespace

int StartUninstall() {
    if (!LoadSetupInfo(SetupLoadMode::Uninstall)) {
        return 0;
    }
    if (!ConfirmUninstall()) {
        return 1;
    }
    if (!RunUninstallProgram()) {
        return 0;
    }
    if (g_installer.runMode == RunMode::PerUser) {
        RunUninstall();
        return 1;
    }
    // The copy in the Windows directory does the rest; this process ends so
    // that its own files can be deleted.
    LaunchUninstallerCopy();
    return 1;
}

int ContinueUninstall() {
    if (!LoadSetupInfo(SetupLoadMode::Uninstall)) {
        return 0;
    }
    // Read into more room than a path has: a "Dir" cut to fit would name some
    // other directory, which the removal would then empty.
    char dir[2 * kPathCapacity] = {};
    GetPrivateProfileStringA("Uninstall", "Dir", "", dir, sizeof dir, g_installer.setupFilePath);
    if (dir[0] == '\0' || std::strlen(dir) >= sizeof g_setupInfo.uninstallDir || !IsAbsoluteDirectory(dir)) {
        ShowError(nullptr, MSG_FATAL_ERROR, kErrorNoInstallDir);
        return 0;
    }
    CopyAnsiBounded(g_setupInfo.uninstallDir, sizeof g_setupInfo.uninstallDir, dir);
    CopyAnsiBounded(g_installer.installDir, sizeof g_installer.installDir, dir);
    // The shell starts this copy in the current directory of the process that
    // started it, often the install directory, which Windows would then keep
    // from being removed.
    SetCurrentDirectoryA(g_installer.ownDir);
    Sleep(kWaitBeforeContinueMs);
    RunUninstall();
    return 1;
}

int StartPerUserUninstall() {
    if (!LoadSetupInfo(SetupLoadMode::Uninstall)) {
        return 0;
    }
    if (g_installer.runMode == RunMode::Win9x) {
        ShowMessage(nullptr, MessageKind::Warning, MSG_PER_USER_UNAVAILABLE_9X);
        return 0;
    }
    // Also for an administrator: "/u" asks for the per-user part only.
    g_installer.runMode = RunMode::PerUser;
    g_setupInfo.notAdmin = 1;
    if (!ConfirmUninstall()) {
        return 1;
    }
    RunUninstall();
    return 1;
}

bool RunUninstallProgram() {
    ProgramEntry entry;
    if (!ParseProgramEntry(g_setupInfo.program, entry)) {
        return true;  // none named
    }
    // Room for the longest install directory, program and parameters.
    char commandLine[2 * kPathCapacity + kNameCapacity + 8];
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOWNORMAL;
    PROCESS_INFORMATION process = {};
    if (!BuildProgramCommandLine(commandLine, sizeof commandLine, g_installer.installDir, entry.program,
                                 entry.parameters) ||
        !CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        ShowErrorText(nullptr, MSG_START_FAILED, 0, entry.program);
        return false;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.Get(), INFINITE);
    return true;
}

bool RunUninstall() {
    const SetupInfo& info = g_setupInfo;
    const ShortcutStep shortcutSteps[] = {
        {"Group", info.groupValue, kFolderPrograms, kFolderCommonPrograms, kErrorNoProgramsFolder, true},
        {"Startup", info.startupValue, kFolderStartup, kFolderCommonStartup, kErrorNoStartupFolder, false},
        {"Desktop", info.desktopValue, kFolderDesktop, kFolderCommonDesktop, kErrorNoDesktopFolder, false},
    };
    for (const ShortcutStep& step : shortcutSteps) {
        if (!RemoveShortcuts(step)) {
            return false;
        }
    }
    if (!RemoveRegistryKeys()) {
        return false;
    }
    if (g_installer.runMode == RunMode::PerUser) {
        // The application itself is an administrator's to remove.
        ShowMessage(nullptr, MessageKind::Information, MSG_PER_USER_REMOVED);
        return true;
    }
    if (!RemoveDirectories()) {
        return false;
    }
    Sleep(kWaitBeforeFilesMs);
    if (!RemoveFiles()) {
        return false;
    }

    const bool refused = IsProtectedDeletionTarget(g_installer.installDir);
    if (refused) {
        ReportRefusedInstallDir();
    } else if (info.allDelete != 0) {
        DeleteDirectoryContents(g_installer.installDir, info.allDelete == 2);
    }
    Sleep(kWaitBeforeInstallDirMs);
    if (!refused && !RemoveDirectoryA(g_installer.installDir)) {
        ShowMessage(nullptr, MessageKind::Warning, MSG_INSTALL_DIR_DELETE_FAILED);
    }

    DeleteFileA(g_installer.setupFilePath);
    if (!ScheduleSelfDeletion()) {
        return false;
    }
    if (info.rebootDlg != 0) {
        if (ShowMessage(nullptr, MessageKind::RestartQuestion, MSG_UNINSTALL_COMPLETE_RESTART) == IDYES) {
            EnableShutdownPrivilege();
            RestartWindows();
        }
    } else {
        ShowMessage(nullptr, MessageKind::Information, MSG_UNINSTALL_COMPLETE);
    }
    return true;
}
