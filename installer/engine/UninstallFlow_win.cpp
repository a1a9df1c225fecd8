#include "engine/UninstallFlow_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>
#include <string>

#include "engine/AnsiText_win.h"
#include "engine/DeletionRules.h"
#include "engine/Deletion_win.h"
#include "engine/InstallRecord.h"
#include "engine/InstallRecord_win.h"
#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
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

// A class key (HKEY_CLASSES_ROOT) that was there before the install is
// another program's or the system's, whatever the setup file says.
bool RemoveRegistryKeys(Reporter& reporter, const InstallRecord& record) {
    ItemList list = ReadItemList(reporter, "RegKey");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        RegistryItem item;
        RegistryItemStatus status = CheckRegistryItem(node->text, item, g_installer.installDir,
                                                      RecordListsExistingKey(record, node->text, NextAnsiChar));
        // The uninstall entry is gone by now: an item that names no key is
        // reported and the rest still goes, or the product could never be
        // removed.
        if (status == RegistryItemStatus::NoBackslash || status == RegistryItemStatus::UnknownRoot) {
            ReportRefusedEntry(reporter, node->text);
            continue;
        }
        // A per-user run may only touch the user's own settings, and passes
        // over the other roots without looking at their keys.
        if (g_installer.runMode == RunMode::PerUser && item.root != RegistryRoot::CurrentUser) {
            continue;
        }
        if (status == RegistryItemStatus::EmptyKey) {
            ReportRefusedEntry(reporter, node->text);
            continue;
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

// With a record, a listed directory is emptied only when the install created
// it (or a directory around it); any other is removed only when it is empty.
bool RemoveDirectories(Reporter& reporter, const InstallRecord& record) {
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
            ReportRefusedEntry(reporter, node->text);
            continue;
        }
        const bool created = record.present && InsideCreatedDirectory(record, path, NextAnsiChar);
        if (IsProtectedDeletionTarget(path, created)) {
            ReportRefusedEntry(reporter, path);
            continue;
        }
        if (!record.present || created) {
            DeleteDirectoryContents(path, entry.recurse);
            Sleep(kWaitBeforeDirectoryMs);
        }
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

// With a record, only the files the install wrote go: one it skipped because
// it was there already (a shared library, the system's own file) stays.
bool RemoveFiles(Reporter& reporter, const InstallRecord& record) {
    ItemList list = ReadItemList(reporter, "Files");
    if (!list) {
        return false;
    }
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        FileEntry entry;
        if (!ParseFileEntry(node->text, entry)) {
            continue;
        }
        char path[kPathCapacity];
        if (!ResolvePath(path, entry.path)) {
            ReportRefusedEntry(reporter, node->text);
            continue;
        }
        if (record.present && !RecordListsFile(record, path, NextAnsiChar)) {
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

// Where an unattended "/r" names what its clean-up run removes: a key only an
// administrator may write, under a token handed to that one run, so that no
// other process can turn the run against a file of its choice, and a record
// left behind deletes nothing later.
const char kHandOverKey[] = "SOFTWARE\\Mivo";
const char kHandOverFileValue[] = "UninstallCleanUpFile";
const char kHandOverDirValue[] = "UninstallCleanUpDir";
const char kHandOverTokenValue[] = "UninstallCleanUpToken";
constexpr size_t kTokenCapacity = 32;

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
    char cleaner[kPathCapacity];
    if (!UninstallerCopyPath(cleaner)) {
        return;
    }
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    char token[kTokenCapacity];
    wsprintfA(token, "%08lx%08lx", static_cast<unsigned long>(now.dwHighDateTime ^ GetCurrentProcessId()),
              static_cast<unsigned long>(now.dwLowDateTime ^ GetTickCount()));
    char parameters[kPathCapacity + 64];
    if (!JoinPath(parameters, sizeof parameters, {"/d ", token, " /S"}) ||
        (g_installer.logPath[0] != '\0' &&
         !JoinPath(parameters, sizeof parameters, {"/d ", token, " /S /LOG=\"", g_installer.logPath, "\""}))) {
        return;
    }
    {
        RegKey key;
        if (!OpenRegKey(HKEY_LOCAL_MACHINE, kHandOverKey, true, key) ||
            !WriteRegString(key.Get(), kHandOverFileValue, g_installer.ownPath) ||
            !WriteRegString(key.Get(), kHandOverDirValue, g_installer.installDir) ||
            !WriteRegString(key.Get(), kHandOverTokenValue, token)) {
            reporter.Record(Step::NotRemoved, g_installer.ownPath, "the clean-up could not be recorded");
            return;
        }
    }
    if (reinterpret_cast<INT_PTR>(ShellExecuteA(nullptr, nullptr, cleaner, parameters, "", SW_SHOW)) > 32) {
        reporter.Record(Step::Started, cleaner, parameters);
    } else {
        RegKey key;
        if (OpenRegKey(HKEY_LOCAL_MACHINE, kHandOverKey, false, key)) {
            RegDeleteValueA(key.Get(), kHandOverTokenValue);
            RegDeleteValueA(key.Get(), kHandOverFileValue);
            RegDeleteValueA(key.Get(), kHandOverDirValue);
        }
        RegDeleteKeyA(HKEY_LOCAL_MACHINE, kHandOverKey);  // fails while it holds anything else
    }
}

// Removes the directories the install created once they are empty, deepest
// first; one that still holds anything stays.
void RemoveCreatedDirectories(const InstallRecord& record) {
    for (const std::string& dir : CreatedDirectoriesDeepestFirst(record, NextAnsiChar)) {
        RemoveDirectoryA(dir.c_str());
    }
}

// "AllDelete" in an install directory that held the user's files before the
// install: only what lies in the directories the install created there goes
// (for 2); the files it wrote went with the "Files" step.
void EmptyCreatedDirectories(const InstallRecord& record, bool recursive) {
    if (!recursive) {
        return;
    }
    for (const std::string& dir : CreatedDirectoriesDeepestFirst(record, NextAnsiChar)) {
        if (LiesInside(dir.c_str(), g_installer.installDir, NextAnsiChar) &&
            !IsProtectedDeletionTarget(dir.c_str(), true)) {
            DeleteDirectoryContents(dir.c_str(), true);
        }
    }
}

// Whether `text` names a shortcut the uninstall can delete.
bool IsResolvableShortcutItem(const char* text) {
    char name[kItemCapacity];
    FieldBuffer field = {name, sizeof name, false};
    return SplitFields(text, &field, 1) == 1 && name[0] != '\0';
}

// Reports every entry of `section` that `resolvable` refuses; false when
// there was one (or the list could not be read).
bool CheckList(Reporter& reporter, const char* section, bool (*resolvable)(const char*)) {
    ItemList list = ReadItemList(reporter, section);
    if (!list) {
        return false;
    }
    bool all = true;
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        if (!resolvable(node->text)) {
            ReportRefusedEntry(reporter, node->text);
            all = false;
        }
    }
    return all;
}

bool IsResolvablePathItem(const char* text) {
    FileEntry entry;
    char path[kPathCapacity];
    return ParseFileEntry(text, entry) && ResolvePath(path, entry.path);
}

bool IsResolvableRegistryItem(const char* text) {
    RegistryItem item;
    RegistryItemStatus status = ParseRegistryItem(text, NextAnsiChar, item);
    return status == RegistryItemStatus::Ok || status == RegistryItemStatus::Protected;
}

// A "Dir" that is no absolute path cannot be where anything was installed;
// relative paths would resolve against whatever the current directory is.
bool IsAbsoluteDirectory(const char* dir) {
    std::string canonical;
    return CanonicalTargetPath(dir, NextAnsiChar, canonical);
}

// "E:": the install directory of a product installed in place from a drive's
// root, as the entry writes it without its trailing backslash.
bool IsDriveRoot(const char* dir) {
    return ((dir[0] >= 'A' && dir[0] <= 'Z') || (dir[0] >= 'a' && dir[0] <= 'z')) && dir[1] == ':' &&
           (dir[2] == '\0' || (dir[2] == '\\' && dir[3] == '\0'));
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

bool CheckUninstallEntries(Reporter& reporter) {
    // Every entry is looked at, so that all of them are reported at once.
    bool all = true;
    if (!IsAbsoluteDirectory(g_installer.installDir) && !IsDriveRoot(g_installer.installDir)) {
        ReportRefusedEntry(reporter, g_installer.installDir);
        all = false;
    }
    all = CheckList(reporter, "RmDir", IsResolvablePathItem) && all;
    all = CheckList(reporter, "RegKey", IsResolvableRegistryItem) && all;
    all = CheckList(reporter, "Files", IsResolvablePathItem) && all;
    const struct {
        const char* section;
        int32_t value;
    } shortcuts[] = {
        {"Group", g_setupInfo.groupValue},
        {"Startup", g_setupInfo.startupValue},
        {"Desktop", g_setupInfo.desktopValue},
    };
    for (const auto& shortcut : shortcuts) {
        if (shortcut.value != -1) {
            all = CheckList(reporter, shortcut.section, IsResolvableShortcutItem) && all;
        }
    }
    return all;
}

int StartUninstall(Reporter& reporter) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Uninstall)) {
        return ExitCode(kExitFailure, 0);
    }
    // Before anything is removed, the uninstall entry included: a product
    // whose setup file names what cannot be found stays in the list of
    // programs, to be removed once the file is mended.
    if (!CheckUninstallEntries(reporter)) {
        return 0;
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

void FinishUnattendedUninstall(Reporter& reporter, const char* token) {
    char file[kPathCapacity] = {};
    char dir[kPathCapacity] = {};
    char stored[kTokenCapacity] = {};
    {
        RegKey key;
        if (token == nullptr || token[0] == '\0' || !OpenRegKey(HKEY_LOCAL_MACHINE, kHandOverKey, false, key) ||
            !QueryRegString(HKEY_LOCAL_MACHINE, kHandOverKey, kHandOverTokenValue, stored, sizeof stored) ||
            std::strcmp(stored, token) != 0) {
            return;
        }
        QueryRegString(HKEY_LOCAL_MACHINE, kHandOverKey, kHandOverFileValue, file, sizeof file);
        QueryRegString(HKEY_LOCAL_MACHINE, kHandOverKey, kHandOverDirValue, dir, sizeof dir);
        // Once only: the record goes before anything is deleted, and a
        // record that cannot be removed deletes nothing.
        if (RegDeleteValueA(key.Get(), kHandOverTokenValue) != ERROR_SUCCESS) {
            return;
        }
        RegDeleteValueA(key.Get(), kHandOverFileValue);
        RegDeleteValueA(key.Get(), kHandOverDirValue);
    }
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kHandOverKey);  // fails while it holds anything else
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
    // What this product's install made, as its record in the setup file says;
    // an install by an earlier Mivo has none, and the lists alone decide.
    const InstallRecord record = ReadInstallRecord(g_installer.setupFilePath);
    if (!RemoveRegistryKeys(reporter, record)) {
        return false;
    }
    if (g_installer.runMode == RunMode::PerUser) {
        // The application itself is an administrator's to remove.
        reporter.Information(MSG_PER_USER_REMOVED);
        return true;
    }
    if (!RemoveDirectories(reporter, record)) {
        return false;
    }
    Sleep(kWaitBeforeFilesMs);
    if (!RemoveFiles(reporter, record)) {
        return false;
    }

    // The user's own files in a directory that held them before the install
    // stay, and so does the directory, on purpose and without a warning.
    const bool usersDirectory = record.present && record.dirHeldFiles;
    const bool refused = IsProtectedDeletionTarget(
        g_installer.installDir, record.present && InsideCreatedDirectory(record, g_installer.installDir, NextAnsiChar));
    if (refused) {
        ReportRefusedInstallDir(reporter);
    } else if (usersDirectory) {
        EmptyCreatedDirectories(record, info.allDelete == 2);
    } else if (info.allDelete != 0) {
        DeleteDirectoryContents(g_installer.installDir, info.allDelete == 2);
    }
    RemoveCreatedDirectories(record);
    Sleep(kWaitBeforeInstallDirMs);
    // The directories the install created may have taken it along already.
    if (!refused && RemoveDirectoryA(g_installer.installDir)) {
        reporter.Record(Step::Removed, g_installer.installDir);
    } else if (!refused && g_installer.silent) {
        // The unattended "/r" still runs the installed setup program while it
        // waits for this run; the clean-up after it takes the directory.
        reporter.Record(Step::NotRemoved, g_installer.installDir, "removed once the uninstall has ended");
    } else if (!refused && !usersDirectory && GetFileAttributesA(g_installer.installDir) != INVALID_FILE_ATTRIBUTES) {
        reporter.Warning(MSG_INSTALL_DIR_DELETE_FAILED);
    }
    // Directories above the install directory that the install made.
    RemoveCreatedDirectories(record);

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
