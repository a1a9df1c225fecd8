#include "engine/InstallFlow_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstring>

#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/Reporter.h"
#include "engine/SetupFields.h"
#include "engine/SetupInfo_win.h"
#include "engine/Shortcut_win.h"
#include "engine/UninstallEntry_win.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"

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
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber && first.nFileIndexHigh == second.nFileIndexHigh &&
           first.nFileIndexLow == second.nFileIndexLow;
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

// Adds the size of an installed file to what the uninstall entry reports.
void CountInstalledFile(const char* path) {
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    if (GetFileAttributesExA(path, GetFileExInfoStandard, &data)) {
        g_installer.installedBytes += (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
}

// Copies (or skips) one "Files" entry and, for a moving install, deletes its
// source. False after reporting the error.
bool InstallOneFile(Reporter& reporter, const char* entryText) {
    FileEntry entry;
    ParseFileEntry(entryText, entry);
    char source[kPathCapacity];
    char destination[kPathCapacity];
    if (!SourcePathFor(source, g_installer.ownDir, entry.path) || !ResolvePath(destination, entry.path)) {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }

    FILETIME sourceTime = {};
    FILETIME destinationTime = {};
    bool sourceExists = FileExists(source, &sourceTime);
    bool destinationExists = FileExists(destination, &destinationTime);
    if (sourceExists && destinationExists && SameFile(source, destination)) {
        reporter.Record(Step::FileSkipped, destination, "already in place");
        CountInstalledFile(destination);
        return true;
    }

    int order = (sourceExists && destinationExists) ? CompareFileTime(&sourceTime, &destinationTime) : 0;
    if (!ShouldCopyFile(entry.mode, sourceExists, destinationExists, order)) {
        reporter.Record(Step::FileSkipped, destination,
                        entry.mode == 0 ? "kept: the file exists" : "kept: the installed file is as new or newer");
    } else {
        reporter.Copying(source, destination);
        if (!CopyFileCreatingDirs(source, destination)) {
            reporter.Error(MSG_COPY_FAILED, 0, source);
            return false;
        }
        // A copy keeps the source's read-only bit; an installed file must stay
        // replaceable by the next install and removable by the uninstall.
        DWORD attributes = GetFileAttributesA(destination);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
            SetFileAttributesA(destination, FILE_ATTRIBUTE_ARCHIVE);
        }
    }
    CountInstalledFile(destination);
    if (g_setupInfo.transferMode == TransferMode::Move) {
        // Fails for the running setup program itself; the "/d" run removes it.
        if (DeleteFileA(source)) {
            reporter.Record(Step::Removed, source);
        }
    }
    return true;
}

// Copies everything the "Files" list names, naming each copy as it starts.
bool CopyFiles(Reporter& reporter) {
    CreateDirectoryTree(g_installer.installDir);
    ItemList files = ReadItemList(reporter, "Files");
    if (!files) {
        return false;
    }
    CopyingPhase copying(reporter);
    for (const ItemNode* node = files.First(); node != nullptr; node = node->next) {
        if (!InstallOneFile(reporter, node->text)) {
            return false;
        }
    }
    return true;
}

// Stores the install directory as value "InstallDir" of the key that
// "InstallDirReg" names, for the next install's default.
bool RememberInstallDir(Reporter& reporter) {
    HKEY root = nullptr;
    const char* subKey = nullptr;
    if (!SplitInstallDirReg(g_setupInfo.installDirReg, root, subKey)) {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }
    RegKey key;
    if (!OpenRegKey(root, subKey, true, key) || !WriteRegString(key.Get(), "InstallDir", g_installer.installDir)) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorInstallDirKey);
        return false;
    }
    char name[kNameCapacity + 16];
    JoinPath(name, sizeof name, {g_setupInfo.installDirReg, "\\InstallDir"});
    reporter.Record(Step::RegistryValue, name, g_installer.installDir);
    return true;
}

// Writes one key of the setup information file, reporting a failure.
bool WriteSetupKey(Reporter& reporter, const char* path, const char* key, const char* value) {
    if (WritePrivateProfileStringA("Install", key, value, path)) {
        return true;
    }
    reporter.Error(MSG_WRITE_FAILED, 0, path);
    return false;
}

// After the copy the installed setup file, when there is one, rules the rest
// of the run; its emptied "InstallDir" lets the installed copy later run in
// place.
bool SwitchToInstalledSetupFile(Reporter& reporter) {
    char installed[kPathCapacity];
    if (!JoinPath(installed, sizeof installed, {g_installer.installDir, "\\", g_installer.setupFileName}) ||
        !FileExists(installed)) {
        return true;
    }
    if (!WriteSetupKey(reporter, installed, "InstallDir", "")) {
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

bool CreateListInFolder(Reporter& reporter, const char* section, const char* folder) {
    ItemList list = ReadItemList(reporter, section);
    return list && CreateShortcutsFromList(reporter, list, folder);
}

bool CreateGroupShortcuts(Reporter& reporter) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonPrograms : kFolderPrograms;
    if (!GetSpecialFolderPath(csidl, folder)) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorGroupFolder);
        return false;
    }
    if (g_setupInfo.groupName[0] != '\0') {
        if (!AppendLevel(folder, g_setupInfo.groupName)) {
            reporter.Error(MSG_SHORTCUT_FAILED, kErrorGroupFolder);
            return false;
        }
        // One level only; an existing folder is normal.
        CreateDirectoryA(folder, nullptr);
    }
    return CreateListInFolder(reporter, "Group", folder);
}

// Startup shortcuts go to one of the two Startup folders; when the user had
// the choice, a same-named shortcut in the other folder is removed so the
// program does not start twice.
bool CreateStartupShortcuts(Reporter& reporter) {
    char perUser[kPathCapacity];
    char allUsers[kPathCapacity] = {};
    bool offered = g_setupInfo.allUsers >= 0;
    if (!GetSpecialFolderPath(kFolderStartup, perUser) ||
        (offered && !GetSpecialFolderPath(kFolderCommonStartup, allUsers))) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorStartupFolder);
        return false;
    }
    bool forAllUsers = g_setupInfo.allUsers >= 1;
    const char* chosen = forAllUsers ? allUsers : perUser;
    const char* other = forAllUsers ? perUser : allUsers;

    ItemList list = ReadItemList(reporter, "Startup");
    if (!list || !CreateShortcutsFromList(reporter, list, chosen)) {
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

bool CreateDesktopShortcuts(Reporter& reporter) {
    char folder[kPathCapacity];
    int csidl = g_setupInfo.allUsers >= 1 ? kFolderCommonDesktop : kFolderDesktop;
    if (!GetSpecialFolderPath(csidl, folder)) {
        reporter.Error(MSG_SHORTCUT_FAILED, kErrorDesktopFolder);
        return false;
    }
    return CreateListInFolder(reporter, "Desktop", folder);
}

// Starts "Install" "Program" from the install directory.
bool StartInstalledProgram(Reporter& reporter) {
    ProgramEntry entry;
    char file[kPathCapacity];
    if (!ParseProgramEntry(g_setupInfo.program, entry) ||
        !JoinPath(file, sizeof file, {g_installer.installDir, "\\", entry.program})) {
        ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
        return false;
    }
    HINSTANCE started = ShellExecuteA(nullptr, nullptr, file, entry.parameters, "", SW_SHOW);
    INT_PTR result = reinterpret_cast<INT_PTR>(started);
    if (result <= 32) {
        reporter.Error(MSG_START_FAILED, static_cast<int>(result), file);
        return false;
    }
    return true;
}

}  // namespace

InstallOptions OfferedInstallOptions() {
    InstallOptions options;
    options.group = g_setupInfo.groupValue;
    options.startup = g_setupInfo.startupValue;
    options.desktop = g_setupInfo.desktopValue;
    options.allUsers = g_setupInfo.allUsers;
    JoinPath(options.installDir, sizeof options.installDir, {g_installer.installDir});
    return options;
}

void ApplyInstallOptions(const InstallOptions& options) {
    g_setupInfo.groupValue = options.group;
    g_setupInfo.startupValue = options.startup;
    g_setupInfo.desktopValue = options.desktop;
    g_setupInfo.allUsers = options.allUsers;
    JoinPath(g_installer.installDir, sizeof g_installer.installDir, {options.installDir});
}

bool RunInstall(Reporter& reporter) {
    g_installer.installedBytes = 0;
    if (g_setupInfo.transferMode != TransferMode::InPlace) {
        if (!CopyFiles(reporter)) {
            return false;
        }
        if (g_setupInfo.transferMode == TransferMode::Move) {
            // Without the state file the "/d" run simply finds nothing to do.
            char stateFile[kPathCapacity];
            if (MoveStateFilePath(stateFile)) {
                WritePrivateProfileStringA("Install", "DelFile", g_installer.ownPath, stateFile);
            }
        }
        if (g_setupInfo.installDirReg[0] != '\0' && !RememberInstallDir(reporter)) {
            return false;
        }
        if (!SwitchToInstalledSetupFile(reporter)) {
            return false;
        }
    }

    if (g_setupInfo.installProhibited == 2 &&
        !WriteSetupKey(reporter, g_installer.setupFilePath, "InstallProhibited", "1")) {
        return false;
    }
    if (g_setupInfo.groupValue == 1 && !CreateGroupShortcuts(reporter)) {
        return false;
    }
    if (g_setupInfo.startupValue == 1 && !CreateStartupShortcuts(reporter)) {
        return false;
    }
    if (g_setupInfo.desktopValue == 1 && !CreateDesktopShortcuts(reporter)) {
        return false;
    }
    if (g_setupInfo.uninstallKey[0] != '\0' && g_installer.runMode != RunMode::PerUser &&
        !RegisterUninstallEntry(reporter)) {
        return false;
    }

    Notice complete{Severity::Information, MSG_INSTALL_COMPLETE};
    if (g_setupInfo.message[0] != '\0') {
        complete.text = g_setupInfo.message;
    }
    reporter.Notify(complete);
    // An unattended install starts nothing: no one is there to use it.
    if (g_setupInfo.program[0] == '\0' || g_installer.silent) {
        return true;
    }
    return StartInstalledProgram(reporter);
}

bool CreateShortcutsFromList(Reporter& reporter, const ItemList& list, const char* folder) {
    for (const ItemNode* node = list.First(); node != nullptr; node = node->next) {
        ShortcutEntry entry;
        if (ParseShortcutEntry(node->text, entry) != EntryStatus::Ok || !IsSafeShortcutName(entry.name, NextAnsiChar)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (SkipsSelfShortcut(entry.target, entry.arguments, g_installer.ownFileName,
                              g_installer.runMode == RunMode::PerUser, g_installer.runMode == RunMode::Win9x)) {
            continue;
        }
        char target[kPathCapacity];
        if (!ResolvePath(target, entry.target)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
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
            reporter.Error(MSG_SHORTCUT_FAILED, kErrorShortcut);
            return false;
        }
        char link[kPathCapacity];
        if (JoinPath(link, sizeof link, {folder, "\\", entry.name, ".lnk"})) {
            reporter.Record(Step::ShortcutMade, link);
        }
    }
    return true;
}

void StartCleanUpAfterMove() {
    char installedCopy[kPathCapacity];
    if (JoinPath(installedCopy, sizeof installedCopy, {g_installer.installDir, "\\", g_installer.ownFileName})) {
        ShellExecuteA(nullptr, nullptr, installedCopy, "/d", "", SW_SHOW);
    }
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
