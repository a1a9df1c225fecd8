#include "engine/UninstallFlow_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <string>

#include "engine/AnsiText_win.h"
#include "engine/DeletionRules.h"
#include "engine/Deletion_win.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Reporter.h"
#include "engine/RestartDeletion_win.h"
#include "engine/SetupFields.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallEntry_win.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"

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
// The clean-up after an unattended uninstall tries this long for the setup
// program, whose process ends just after starting it.
const DWORD kCleanUpRetryMs = 250;
const int kCleanUpAttempts = 120;

const char kHandOverFileName[] = "$$UnMivo.ini";

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

// An "RmDir" or "RegKey" item naming what no product owns: message 2 with the
// setup file, and the refused target on a line of its own.
void ReportRefusedEntry(Reporter& reporter, const char* target) {
    Notice refusal{Severity::Error, MSG_SETUP_FILE_INVALID};
    refusal.argument = g_installer.setupFilePath;
    refusal.detail = target;
    reporter.Notify(refusal);
}

// An install directory that may not be emptied or removed: message 11 naming
// it, once for both.
void ReportRefusedInstallDir(Reporter& reporter) {
    Notice refusal{Severity::Warning, MSG_INSTALL_DIR_DELETE_FAILED};
    refusal.detail = g_installer.installDir;
    reporter.Notify(refusal);
}

bool RemoveShortcuts(Reporter& reporter, const ShortcutStep& step) {
    if (step.value == -1) {
        return true;
    }
    ItemList list = ReadItemList(reporter, step.section);
    if (!list) {
        return false;
    }
    // A name that would reach outside its folder is refused once, not per pass.
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        char name[kItemCapacity];
        FieldBuffer field = {name, sizeof name, false};
        if (SplitFields(node->text, &field, 1) == 1 && name[0] != '\0' && !IsSafeShortcutName(name, NextAnsiChar)) {
            ReportRefusedEntry(reporter, node->text);
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
            reporter.Error(MSG_FATAL_ERROR, step.errorCode);
            return false;
        }
        DeleteShortcutList(list, folder, &reporter);
        if (subfolder) {
            Sleep(kWaitBeforeGroupFolderMs);
            // A folder that still holds anything stays.
            if (RemoveDirectoryA(folder)) {
                reporter.Record(Step::Removed, folder);
            }
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

bool RemoveRegistryKeys(Reporter& reporter) {
    ItemList list = ReadItemList(reporter, "RegKey");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        RegistryItem item;
        RegistryItemStatus status = CheckRegistryItem(node->text, item, g_installer.installDir);
        if (status == RegistryItemStatus::NoBackslash || status == RegistryItemStatus::UnknownRoot) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        // A per-user run may only touch the user's own settings, and passes
        // over the other roots without looking at their keys.
        if (g_installer.runMode == RunMode::PerUser && item.root != RegistryRoot::CurrentUser) {
            continue;
        }
        if (status == RegistryItemStatus::EmptyKey) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (status == RegistryItemStatus::Protected) {
            ReportRefusedEntry(reporter, node->text);
            continue;
        }
        int result = DeleteRegistryTree(RootKey(item.root), item.keyPath);
        if (result != 0) {
            reporter.Error(MSG_REGISTRY_DELETE_FAILED, result);
            return false;
        }
        reporter.Record(Step::Removed, node->text);
    }
    return true;
}

void RecordDirectoryRemoval(Reporter& reporter, const char* path, bool removed) {
    if (removed) {
        reporter.Record(Step::Removed, path);
    } else if (GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES) {
        reporter.Record(Step::NotRemoved, path, "not empty or in use");
    }
}

bool RemoveDirectories(Reporter& reporter) {
    ItemList list = ReadItemList(reporter, "RmDir");
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
            ReportRefusedEntry(reporter, path);
            continue;
        }
        DeleteDirectoryContents(path, entry.recurse);
        Sleep(kWaitBeforeDirectoryMs);
        RecordDirectoryRemoval(reporter, path, RemoveDirectoryA(path) != FALSE);
    }
    return true;
}

// Deletes one listed file. A read-only one (copied from read-only media keeps
// the attribute) is made writable first, or it would stay behind and keep the
// install directory from going.
void DeleteListedFile(Reporter& reporter, const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return;  // gone already, or never installed
    }
    if ((attributes & FILE_ATTRIBUTE_READONLY) &&
        !(attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        SetFileAttributesA(path, attributes & ~FILE_ATTRIBUTE_READONLY);
    }
    if (DeleteFileA(path)) {
        reporter.Record(Step::Removed, path);
    } else {
        reporter.Record(Step::NotRemoved, path, "in use or not to be deleted");
    }
}

bool RemoveFiles(Reporter& reporter) {
    ItemList list = ReadItemList(reporter, "Files");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        FileEntry entry;
        char path[kPathCapacity];
        if (!ParseFileEntry(node->text, entry) || !ResolvePath(path, entry.path)) {
            continue;
        }
        DeleteListedFile(reporter, path);
        // WinHelp leaves its index beside the help file.
        char index[kPathCapacity];
        if (HelpIndexPathFor(path, NextAnsiChar, index, sizeof index)) {
            DeleteListedFile(reporter, index);
        }
    }
    return true;
}

// "$$UnMivo.ini" in the temporary directory: what an unattended "/r" leaves
// for the clean-up run after it. False when the path cannot be had.
bool HandOverFilePath(char (&out)[kPathCapacity]) {
    char temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        out[0] = '\0';
        return false;
    }
    return JoinPath(out, kPathCapacity, {temp, kHandOverFileName});
}

// True when the "Files" list names this running program: only then is it the
// product's to remove.
bool IsListedFile(Reporter& reporter, const char* path) {
    ItemList list = ReadItemList(reporter, "Files");
    for (const ItemNode* node = list ? list.First() : nullptr; node != nullptr; node = node->next) {
        FileEntry entry;
        char listed[kPathCapacity];
        if (ParseFileEntry(node->text, entry) && ResolvePath(listed, entry.path) && lstrcmpiA(listed, path) == 0) {
            return true;
        }
    }
    return false;
}

// After an unattended uninstall: the installed setup program, which runs
// this process, and the install directory it keeps from going are left to a
// clean-up run of the uninstaller's copy ("/d"), which waits for this
// process to end. The copy itself goes at the next restart anyway.
void HandOverOwnRemoval(Reporter& reporter) {
    char handOver[kPathCapacity];
    char cleaner[kPathCapacity];
    char parameters[kPathCapacity + 16];
    if (!HandOverFilePath(handOver) || !UninstallerCopyPath(cleaner)) {
        return;
    }
    JoinPath(parameters, sizeof parameters, {"/d /S"});
    if (g_installer.logPath[0] != '\0') {
        JoinPath(parameters, sizeof parameters, {"/d /S /LOG=\"", g_installer.logPath, "\""});
    }
    if (!WritePrivateProfileStringA("Uninstall", "DelFile", g_installer.ownPath, handOver) ||
        !WritePrivateProfileStringA("Uninstall", "DelDir", g_installer.installDir, handOver)) {
        return;
    }
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, handOver);
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, cleaner, parameters, "", SW_SHOW)) > 32) {
        reporter.Record(Step::Started, cleaner, parameters);
    } else {
        DeleteFileA(handOver);
    }
}

// A "Dir" that is no absolute path cannot be where anything was installed;
// relative paths would resolve against whatever the current directory is.
bool IsAbsoluteDirectory(const char* dir) {
    std::string canonical;
    return CanonicalTargetPath(dir, NextAnsiChar, canonical);
}

}  // namespace

bool ConfirmUninstall(Reporter& reporter) {
    int question = MSG_CONFIRM_UNINSTALL;
    if (g_installer.runMode == RunMode::PerUser) {
        if (g_setupInfo.notAdmin == 0) {
            reporter.Error(MSG_NEED_ADMIN);
            return false;
        }
        question = MSG_CONFIRM_PER_USER_UNINSTALL;
    }
    // An unattended run was asked for by whoever started it.
    return g_installer.silent || reporter.Ask({question, QuestionStyle::Confirm});
}

int StartUninstall(Reporter& reporter) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Uninstall)) {
        return ExitCode(kExitFailure, 0);
    }
    if (!ConfirmUninstall(reporter)) {
        return ExitCode(kExitRefused, 1);
    }
    if (!RunUninstallProgram(reporter)) {
        return ExitCode(kExitFailure, 0);
    }
    if (g_installer.runMode == RunMode::PerUser) {
        return RunUninstall(reporter) ? ExitCode(kExitSuccess, 1) : ExitCode(kExitFailure, 1);
    }
    // The copy in the Windows directory does the rest; this process ends so
    // that its own files can be deleted.
    // Asked before the copy runs: it deletes the setup file that lists us.
    const bool ownFileListed = g_installer.silent && IsListedFile(reporter, g_installer.ownPath);
    KernelHandle copy;
    if (!LaunchUninstallerCopy(reporter, &copy)) {
        return ExitCode(kExitFailure, 1);
    }
    return g_installer.silent ? AwaitUninstallerCopy(reporter, copy.Get(), ownFileListed) : 1;
}

int ContinueUninstall(Reporter& reporter) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Uninstall)) {
        return ExitCode(kExitFailure, 0);
    }
    // Read into more room than a path has: a "Dir" cut to fit would name some
    // other directory, which the removal would then empty.
    char dir[2 * kPathCapacity] = {};
    GetPrivateProfileStringA("Uninstall", "Dir", "", dir, sizeof dir, g_installer.setupFilePath);
    if (dir[0] == '\0' || std::strlen(dir) >= sizeof g_setupInfo.uninstallDir || !IsAbsoluteDirectory(dir)) {
        reporter.Error(MSG_FATAL_ERROR, kErrorNoInstallDir);
        return ExitCode(kExitFailure, 0);
    }
    CopyAnsiBounded(g_setupInfo.uninstallDir, sizeof g_setupInfo.uninstallDir, dir);
    CopyAnsiBounded(g_installer.installDir, sizeof g_installer.installDir, dir);
    // The shell starts this copy in the current directory of the process that
    // started it, often the install directory, which Windows would then keep
    // from being removed.
    SetCurrentDirectoryA(g_installer.ownDir);
    // An unattended "/r" waits for this run instead of ending first.
    if (!g_installer.silent) {
        Sleep(kWaitBeforeContinueMs);
    }
    // This very program, the copy in the Windows directory, goes at the next
    // restart: a restart is always wanted for the work files.
    return RunUninstall(reporter) ? ExitCode(kExitRestartNeeded, 1) : ExitCode(kExitFailure, 1);
}

int StartPerUserUninstall(Reporter& reporter) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Uninstall)) {
        return ExitCode(kExitFailure, 0);
    }
    if (g_installer.runMode == RunMode::Win9x) {
        reporter.Warning(MSG_PER_USER_UNAVAILABLE_9X);
        return ExitCode(kExitRefused, 0);
    }
    // Also for an administrator: "/u" asks for the per-user part only.
    g_installer.runMode = RunMode::PerUser;
    g_setupInfo.notAdmin = 1;
    if (!ConfirmUninstall(reporter)) {
        return ExitCode(kExitRefused, 1);
    }
    return RunUninstall(reporter) ? ExitCode(kExitSuccess, 1) : ExitCode(kExitFailure, 1);
}

int AwaitUninstallerCopy(Reporter& reporter, HANDLE copy, bool ownFileListed) {
    DWORD code = kExitFailure;
    if (WaitForSingleObject(copy, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(copy, &code)) {
        code = kExitFailure;
    }
    // Only after a removal that went through: after a failure the product
    // keeps its setup program for another try.
    if (ownFileListed && (code == kExitSuccess || code == kExitRestartNeeded)) {
        HandOverOwnRemoval(reporter);
    }
    return static_cast<int>(code);
}

void FinishUnattendedUninstall(Reporter& reporter) {
    char handOver[kPathCapacity];
    if (!HandOverFilePath(handOver) || !FileExists(handOver)) {
        return;
    }
    char file[kPathCapacity] = {};
    char dir[kPathCapacity] = {};
    GetPrivateProfileStringA("Uninstall", "DelFile", "", file, sizeof file, handOver);
    GetPrivateProfileStringA("Uninstall", "DelDir", "", dir, sizeof dir, handOver);
    DeleteFileA(handOver);
    if (file[0] != '\0') {
        bool deleted = false;
        for (int attempt = 0; attempt < kCleanUpAttempts && !deleted; ++attempt) {
            deleted = DeleteFileA(file) || GetLastError() == ERROR_FILE_NOT_FOUND;
            if (!deleted) {
                Sleep(kCleanUpRetryMs);
            }
        }
        reporter.Record(deleted ? Step::Removed : Step::NotRemoved, file, deleted ? nullptr : "still in use");
    }
    if (dir[0] == '\0' || IsProtectedDeletionTarget(dir) || GetFileAttributesA(dir) == INVALID_FILE_ATTRIBUTES) {
        return;
    }
    // Only an emptied directory goes: whatever the uninstall kept stays.
    if (RemoveDirectoryA(dir)) {
        reporter.Record(Step::Removed, dir);
    } else {
        Notice left{Severity::Warning, MSG_INSTALL_DIR_DELETE_FAILED};
        left.detail = dir;
        reporter.Notify(left);
    }
}

bool RunUninstallProgram(Reporter& reporter) {
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
        reporter.Error(MSG_START_FAILED, 0, entry.program);
        return false;
    }
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    WaitForSingleObject(processHandle.Get(), INFINITE);
    return true;
}

bool RunUninstall(Reporter& reporter) {
    const SetupInfo& info = g_setupInfo;
    const ShortcutStep shortcutSteps[] = {
        {"Group", info.groupValue, kFolderPrograms, kFolderCommonPrograms, kErrorNoProgramsFolder, true},
        {"Startup", info.startupValue, kFolderStartup, kFolderCommonStartup, kErrorNoStartupFolder, false},
        {"Desktop", info.desktopValue, kFolderDesktop, kFolderCommonDesktop, kErrorNoDesktopFolder, false},
    };
    for (const ShortcutStep& step : shortcutSteps) {
        if (!RemoveShortcuts(reporter, step)) {
            return false;
        }
    }
    if (!RemoveRegistryKeys(reporter)) {
        return false;
    }
    if (g_installer.runMode == RunMode::PerUser) {
        // The application itself is an administrator's to remove.
        reporter.Information(MSG_PER_USER_REMOVED);
        return true;
    }
    if (!RemoveDirectories(reporter)) {
        return false;
    }
    Sleep(kWaitBeforeFilesMs);
    if (!RemoveFiles(reporter)) {
        return false;
    }

    const bool refused = IsProtectedDeletionTarget(g_installer.installDir);
    if (refused) {
        ReportRefusedInstallDir(reporter);
    } else if (info.allDelete != 0) {
        DeleteDirectoryContents(g_installer.installDir, info.allDelete == 2);
    }
    Sleep(kWaitBeforeInstallDirMs);
    if (!refused && RemoveDirectoryA(g_installer.installDir)) {
        reporter.Record(Step::Removed, g_installer.installDir);
    } else if (!refused && g_installer.silent) {
        // The unattended "/r" still runs the installed setup program while it
        // waits for this run; the clean-up after it takes the directory.
        reporter.Record(Step::NotRemoved, g_installer.installDir, "removed once the uninstall has ended");
    } else if (!refused) {
        reporter.Warning(MSG_INSTALL_DIR_DELETE_FAILED);
    }

    DeleteFileA(g_installer.setupFilePath);
    if (!ScheduleSelfDeletion(reporter)) {
        return false;
    }
    if (info.rebootDlg != 0) {
        if (reporter.Ask({MSG_UNINSTALL_COMPLETE_RESTART, QuestionStyle::Restart})) {
            EnableShutdownPrivilege();
            RestartWindows();
        }
    } else {
        reporter.Information(MSG_UNINSTALL_COMPLETE);
    }
    return true;
}
