#include "engine/UninstallEntry_win.h"

#include <windows.h>

#include <shellapi.h>

#include "engine/InstallRules.h"
#include "engine/InstallerState_win.h"
#include "engine/PathScan.h"
#include "engine/Paths_win.h"
#include "engine/Registry_win.h"
#include "engine/Reporter.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"

const char kUninstallKeyPath[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

namespace {

const int kErrorCreateEntry = 2118;
const int kErrorOpenUninstallKey = 2201;
const int kErrorWriteDir = 2202;
const int kErrorCopySetupFile = 2203;
const int kErrorCopyProgram = 2204;

const char kWorkSetupFile[] = "$$UnMivo.inf";
const char kWorkProgram[] = "$$UnMivo.exe";

// The program Windows starts to uninstall: the installed copy of this
// program, or this very program when nothing was copied.
bool BuildUninstallerPath(char (&out)[kPathCapacity]) {
    if (g_setupInfo.transferMode == TransferMode::InPlace) {
        return JoinPath(out, kPathCapacity, {g_installer.ownPath});
    }
    return JoinPath(out, kPathCapacity, {g_installer.installDir, "\\", g_installer.ownFileName});
}

// One value of the entry. A value that cannot be written leaves an entry that
// Windows shows wrongly or cannot use, so it counts as a failure of the whole.
bool WriteEntryValue(Reporter& reporter, const RegKey& key, const char* name, const char* text) {
    if (WriteRegString(key.Get(), name, text)) {
        return true;
    }
    reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
    return false;
}

// "path" in the Windows directory; false when the directory cannot be had or
// the path would not fit.
bool WindowsDirFile(char (&out)[kPathCapacity], const char* name) {
    char windowsDir[MAX_PATH] = {};
    UINT length = GetWindowsDirectoryA(windowsDir, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        out[0] = '\0';
        return false;
    }
    return JoinPath(out, kPathCapacity, {windowsDir, "\\", name});
}

}  // namespace

bool RegisterUninstallEntry(Reporter& reporter) {
    char subKey[kPathCapacity];
    RegKey key;
    if (!JoinPath(subKey, sizeof subKey, {kUninstallKeyPath, "\\", g_setupInfo.uninstallKey}) ||
        !OpenRegKey(HKEY_LOCAL_MACHINE, subKey, true, key)) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
        return false;
    }
    if (!WriteEntryValue(reporter, key, "DisplayName", g_setupInfo.uninstallName)) {
        return false;
    }

    char uninstaller[kPathCapacity];
    char command[kPathCapacity];
    if (!BuildUninstallerPath(uninstaller) || !BuildUninstallCommand(command, sizeof command, uninstaller)) {
        // Only an install directory at the very limit of a path gets here; an
        // entry whose command is cut would start some other file.
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
        return false;
    }
    char modify[kPathCapacity];
    if (g_setupInfo.modify != 0 && (!BuildModifyCommand(modify, sizeof modify, uninstaller) ||
                                    !WriteEntryValue(reporter, key, "ModifyPath", modify))) {
        return false;
    }
    if (!WriteEntryValue(reporter, key, "UninstallString", command)) {
        return false;
    }

    if (g_setupInfo.iconFile[0] != '\0') {
        char icon[kPathCapacity];
        if (!ResolvePath(icon, g_setupInfo.iconFile)) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (!WriteEntryValue(reporter, key, "DisplayIcon", icon)) {
            return false;
        }
    }
    if (g_setupInfo.publisher[0] != '\0') {
        // The about URL goes with the publisher, even when it is empty.
        if (!WriteEntryValue(reporter, key, "Publisher", g_setupInfo.publisher) ||
            !WriteEntryValue(reporter, key, "URLInfoAbout", g_setupInfo.urlInfoAbout)) {
            return false;
        }
    }
    struct Optional {
        const char* name;
        const char* text;
    };
    const Optional optional[] = {
        {"DisplayVersion", g_setupInfo.displayVersion},
        {"HelpLink", g_setupInfo.helpLink},
        {"URLUpdateInfo", g_setupInfo.urlUpdateInfo},
    };
    for (const Optional& value : optional) {
        if (value.text[0] != '\0' && !WriteEntryValue(reporter, key, value.name, value.text)) {
            return false;
        }
    }
    return true;
}

bool LaunchUninstallerCopy(Reporter& reporter) {
    const char* entryKey = g_setupInfo.uninstallKey;
    if (entryKey[0] != '\0') {
        RegKey uninstall;
        if (!OpenRegKey(HKEY_LOCAL_MACHINE, kUninstallKeyPath, false, uninstall)) {
            reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorOpenUninstallKey);
            return false;
        }
        // An entry that is gone already is fine; one that stays would list a
        // program in Windows that the uninstall is about to remove.
        LONG deleted = RegDeleteKeyA(uninstall.Get(), entryKey);
        if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND) {
            reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorOpenUninstallKey);
            return false;
        }
        RegFlushKey(uninstall.Get());
    }

    const char* setupFile = g_installer.setupFilePath;
    char dir[kPathCapacity];
    if (!UninstallDirText(dir, sizeof dir, g_installer.installDir) ||
        !WritePrivateProfileStringA("Uninstall", "Dir", dir, setupFile)) {
        reporter.Error(MSG_WRITE_FAILED, kErrorWriteDir, setupFile);
        return false;
    }
    // Flush the profile cache so the copy below carries "Dir".
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, setupFile);

    char workSetupFile[kPathCapacity];
    if (!WindowsDirFile(workSetupFile, kWorkSetupFile) || !CopyFileA(setupFile, workSetupFile, FALSE)) {
        reporter.Error(MSG_WRITE_FAILED, kErrorCopySetupFile, workSetupFile);
        return false;
    }
    char workProgram[kPathCapacity];
    if (!WindowsDirFile(workProgram, kWorkProgram) || !CopyFileA(g_installer.ownPath, workProgram, FALSE)) {
        reporter.Error(MSG_WRITE_FAILED, kErrorCopyProgram, workProgram);
        return false;
    }

    HINSTANCE started = ShellExecuteA(nullptr, nullptr, workProgram, "/k", "", SW_SHOW);
    INT_PTR result = reinterpret_cast<INT_PTR>(started);
    if (result <= 32) {
        reporter.Error(MSG_UNINSTALLER_START_FAILED, static_cast<int>(result));
        return false;
    }
    return true;
}
