#include "engine/UninstallEntry_win.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdint>
#include <cstring>
#include <utility>

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
    if (!WriteRegString(key.Get(), name, text)) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
        return false;
    }
    reporter.Record(Step::RegistryValue, name, text);
    return true;
}

bool WriteEntryNumber(Reporter& reporter, const RegKey& key, const char* name, DWORD number) {
    if (!WriteRegDword(key.Get(), name, number)) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
        return false;
    }
    char text[16];
    wsprintfA(text, "%lu", static_cast<unsigned long>(number));
    reporter.Record(Step::RegistryValue, name, text);
    return true;
}

// "HelpLink" as Windows opens it: a URL ("scheme:...") as it stands; a path
// entry that names an installed file (the product's own help page) as that
// file's full path; anything else as it stands.
void ResolveHelpLink(char (&out)[kPathCapacity], const char* value) {
    const char* colon = std::strchr(value, ':');
    if (colon == nullptr || colon - value < 2) {
        char resolved[kPathCapacity];
        if (ResolvePath(resolved, value) && FileExists(resolved)) {
            JoinPath(out, kPathCapacity, {resolved});
            return;
        }
    }
    JoinPath(out, kPathCapacity, {value});
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
    char quietCommand[kPathCapacity];
    if (!JoinPath(quietCommand, sizeof quietCommand, {command, " /S"})) {
        reporter.Error(MSG_REGISTRY_OPEN_FAILED, kErrorCreateEntry);
        return false;
    }
    char modify[kPathCapacity];
    if (g_setupInfo.modify != 0 && (!BuildModifyCommand(modify, sizeof modify, uninstaller) ||
                                    !WriteEntryValue(reporter, key, "ModifyPath", modify))) {
        return false;
    }
    if (!WriteEntryValue(reporter, key, "UninstallString", command) ||
        !WriteEntryValue(reporter, key, "QuietUninstallString", quietCommand) ||
        !WriteEntryValue(reporter, key, "InstallLocation", g_installer.installDir)) {
        return false;
    }

    if (g_setupInfo.iconFile[0] != '\0') {
        char icon[kPathCapacity];
        char index[16];
        wsprintfA(index, ",%d", static_cast<int>(g_setupInfo.iconIndex));
        char displayIcon[kPathCapacity];
        if (!ResolvePath(icon, g_setupInfo.iconFile) || !JoinPath(displayIcon, sizeof displayIcon, {icon, index})) {
            ReportSetupFileError(reporter, MSG_SETUP_FILE_INVALID);
            return false;
        }
        if (!WriteEntryValue(reporter, key, "DisplayIcon", displayIcon)) {
            return false;
        }
    }
    char helpLink[kPathCapacity] = {};
    if (g_setupInfo.helpLink[0] != '\0') {
        ResolveHelpLink(helpLink, g_setupInfo.helpLink);
    }
    // Windows shows an empty value as a blank line or a dead link: only
    // values the setup file gives are written.
    struct Optional {
        const char* name;
        const char* text;
    };
    const Optional optional[] = {
        {"Publisher", g_setupInfo.publisher},           {"URLInfoAbout", g_setupInfo.urlInfoAbout},
        {"DisplayVersion", g_setupInfo.displayVersion}, {"HelpLink", helpLink},
        {"URLUpdateInfo", g_setupInfo.urlUpdateInfo},
    };
    for (const Optional& value : optional) {
        if (value.text[0] != '\0' && !WriteEntryValue(reporter, key, value.name, value.text)) {
            return false;
        }
    }
    uint32_t major = 0;
    uint32_t minor = 0;
    if (ParseVersionNumbers(g_setupInfo.displayVersion, major, minor) &&
        (!WriteEntryNumber(reporter, key, "VersionMajor", major) ||
         !WriteEntryNumber(reporter, key, "VersionMinor", minor))) {
        return false;
    }

    SYSTEMTIME today = {};
    GetLocalTime(&today);
    char date[9];
    FormatInstallDate(date, today.wYear, today.wMonth, today.wDay);
    // In KiB, rounded up, as the list of programs reads it.
    unsigned long long kib = (g_installer.installedBytes + 1023) / 1024;
    DWORD size = kib > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<DWORD>(kib);
    return WriteEntryValue(reporter, key, "InstallDate", date) &&
           WriteEntryNumber(reporter, key, "EstimatedSize", size) &&
           (g_setupInfo.modify != 0 || WriteEntryNumber(reporter, key, "NoModify", 1)) &&
           WriteEntryNumber(reporter, key, "NoRepair", 1);
}

bool UninstallerCopyPath(char (&out)[kPathCapacity]) {
    return WindowsDirFile(out, kWorkProgram);
}

bool LaunchUninstallerCopy(Reporter& reporter, KernelHandle* started) {
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

    // An unattended run hands its log on to the copy, which runs unattended
    // too; the quotes keep a log path with blanks whole.
    char parameters[kPathCapacity + 16] = "/k";
    if (g_installer.silent) {
        JoinPath(parameters, sizeof parameters, {"/k /S"});
        if (g_installer.logPath[0] != '\0') {
            JoinPath(parameters, sizeof parameters, {"/k /S /LOG=\"", g_installer.logPath, "\""});
        }
    }
    SHELLEXECUTEINFOA execute = {};
    execute.cbSize = sizeof execute;
    // A failure is reported once, by message 17, not by the shell as well.
    execute.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    execute.lpFile = workProgram;
    execute.lpParameters = parameters;
    execute.lpDirectory = "";
    execute.nShow = SW_SHOW;
    if (!ShellExecuteExA(&execute)) {
        INT_PTR result = reinterpret_cast<INT_PTR>(execute.hInstApp);
        reporter.Error(MSG_UNINSTALLER_START_FAILED, result > 32 ? 0 : static_cast<int>(result));
        return false;
    }
    reporter.Record(Step::Started, workProgram, parameters);
    KernelHandle process(execute.hProcess);
    if (started) {
        *started = std::move(process);
    }
    return true;
}
