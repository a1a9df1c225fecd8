#include "app/InstallerMain.h"

#include <cstring>

#include "engine/AnsiText_win.h"
#include "engine/CommandLine.h"
#include "engine/Entry_win.h"
#include "engine/InstallFlow_win.h"
#include "engine/InstallRecord_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "ui/BoxReporter.h"
#include "ui/DocumentDialog.h"
#include "ui/LogReporter.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/OptionsDialog.h"
#include "win/ScopedHandle.h"

namespace {

// The document, then the options: true when the user went through both, the
// options then being the run's.
bool AskInstallOptions(HWND owner, const CommandLine& line) {
    if (!ShowDocumentDialog(owner)) {
        return false;
    }
    OptionsDialogData dialog;
    dialog.title = g_setupInfo.title;
    dialog.afterDocument = g_setupInfo.textFile[0] != '\0';
    dialog.asksInstallDir = g_setupInfo.transferMode != TransferMode::InPlace;
    dialog.options = OfferedInstallOptions();
    dialog.installedIn = ProductInstalledIn;
    // A directory named on the command line is offered; the dialog checks it.
    if (line.hasDir && dialog.asksInstallDir) {
        CopyAnsiBounded(dialog.options.installDir, sizeof dialog.options.installDir, line.dir);
    }
    if (!ShowOptionsDialog(owner, dialog)) {
        return false;
    }
    ApplyInstallOptions(dialog.options);
    return true;
}

// Which message refuses `dir` as an unattended install's directory, 0 for
// none: the options dialog's rules, a network folder as its folder browser
// refuses one, and, since no one sees where a relative path would lead, any
// directory that does not start with a drive.
int CheckUnattendedInstallDir(const char* dir) {
    if (std::strlen(dir) >= kPathCapacity) {
        return MSG_SPECIFY_INSTALL_DIR;
    }
    if (dir[0] == '\\' && dir[1] == '\\') {
        return MSG_NETWORK_FOLDER;
    }
    int problem = CheckInstallDir(dir);
    if (problem != 0) {
        return problem;
    }
    bool letter = (dir[0] >= 'A' && dir[0] <= 'Z') || (dir[0] >= 'a' && dir[0] <= 'z');
    return letter && dir[1] == ':' && dir[2] == '\\' ? 0 : MSG_SPECIFY_INSTALL_DIR;
}

// "/S": the options as the setup file offers them, the directory the
// remembered or default one or that of "/DIR=", and no dialog.
int RunUnattendedInstall(Reporter& reporter, const CommandLine& line) {
    InstallOptions options = OfferedInstallOptions();
    // An offered box is chosen as its setup-file value checks it.
    for (int32_t* value : {&options.group, &options.startup, &options.desktop}) {
        if (*value != -1) {
            *value = *value != 0 ? 1 : 0;
        }
    }
    if (line.hasDir && g_setupInfo.transferMode != TransferMode::InPlace) {
        int problem = CheckUnattendedInstallDir(line.dir);
        if (problem != 0) {
            Notice refusal{Severity::Error, problem};
            refusal.detail = line.dir;
            reporter.Notify(refusal);
            return kExitRefused;
        }
        CopyAnsiBounded(options.installDir, sizeof options.installDir, line.dir);
    }
    ApplyInstallOptions(options);
    bool cancelled = false;
    if (!RunInstall(reporter, &cancelled)) {
        return cancelled ? kExitRefused : kExitFailure;
    }
    if (g_setupInfo.transferMode == TransferMode::Move) {
        StartCleanUpAfterMove();
    }
    return kExitSuccess;
}

// Without a role: loads the install keys, shows the document and the options
// and installs (or, unattended, installs straight away).
int RunInstallRole(Reporter& reporter, const CommandLine& line) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Install)) {
        return ExitCode(kExitFailure, 0);
    }
    // Copying needs an administrator; installing in place copies nothing.
    if (g_setupInfo.transferMode != TransferMode::InPlace && g_installer.runMode == RunMode::PerUser) {
        reporter.Error(MSG_NEED_ADMIN);
        return ExitCode(kExitRefused, 0);
    }
    if (g_installer.silent) {
        return RunUnattendedInstall(reporter, line);
    }
    g_installer.programIcon = LoadIconA(g_installer.instance, MAKEINTRESOURCEA(IDI_MIVO));
    // Without a main window the dialogs and boxes simply have no owner.
    OwnedWindow mainWindow(CreateMainWindow());
    if (!AskInstallOptions(mainWindow.Get(), line)) {
        return 0;
    }
    bool installed;
    {
        BoxReporter owned(mainWindow.Get());
        installed = RunInstall(owned);
    }
    mainWindow.Reset();
    if (installed && g_setupInfo.transferMode == TransferMode::Move) {
        StartCleanUpAfterMove();
    }
    return 0;
}

// The log of an unattended run: the file "/LOG=" names, made a full path so
// that the uninstaller's copy, started elsewhere, writes the same file; or
// "%TEMP%\Mivo-<Key>.log" with the key of the setup file beside us.
void OpenRunLog(LogReporter& log, const CommandLine& line, bool setupFileFound) {
    char path[kPathCapacity] = {};
    if (line.hasLog) {
        char* name = nullptr;
        DWORD length = GetFullPathNameA(line.log, sizeof path, path, &name);
        if (length == 0 || length >= sizeof path) {
            path[0] = '\0';
        }
    }
    // A log that cannot be written where asked goes to the default place
    // rather than nowhere.
    if (path[0] == '\0' || !log.Open(path)) {
        char key[kNameCapacity] = {};
        if (setupFileFound) {
            GetPrivateProfileStringA("Uninstall", "Key", "", key, sizeof key, g_installer.setupFilePath);
        }
        if (!DefaultLogPath(path, key) || !log.Open(path)) {
            return;
        }
    }
    CopyAnsiBounded(g_installer.logPath, sizeof g_installer.logPath, path);
}

int RunRole(Reporter& reporter, const CommandLine& line, bool understood) {
    if (understood && line.role == InstallerRole::Continue) {
        return ContinueUninstall(reporter);
    }
    // An installer that may not install turns every other start into the
    // uninstall.
    if ((understood && line.role == InstallerRole::Uninstall) || LoadSetupInfo(reporter, SetupLoadMode::Probe) == 1) {
        return StartUninstall(reporter);
    }
    if (!understood) {
        reporter.Error(MSG_FATAL_ERROR);
        return ExitCode(kExitFailure, 0);
    }
    if (line.role == InstallerRole::PerUserRemove) {
        return StartPerUserUninstall(reporter);
    }
    return RunInstallRole(reporter, line);
}

}  // namespace

int InstallerMain(HINSTANCE instance, const char* arguments) {
    g_installer.instance = instance;
    SetMessageModule(instance);
    CommandLine line;
    bool understood = ParseCommandLine(arguments, line);
    g_installer.silent = line.silent;
    // The clean-up run needs nothing else, not even a setup file.
    if (line.role == InstallerRole::CleanUp) {
        if (line.silent) {
            LogReporter log;
            OpenRunLog(log, line, false);
            FinishUnattendedUninstall(log, line.token);
        }
        CleanUpAfterMove(line.token);
        return 0;
    }
    if (!line.silent) {
        BoxReporter boxes(nullptr);
        if (!LocateSetupFile(boxes)) {
            return 0;
        }
        g_installer.runMode = DetectRunMode();
        return RunRole(boxes, line, understood);
    }

    LogReporter log;
    char command[kPathCapacity];
    CopyAnsiBounded(command, sizeof command, "START ");
    AppendAnsiBounded(command, sizeof command, arguments ? arguments : "");
    log.Note(command);
    bool found = LocateSetupFile(log);
    OpenRunLog(log, line, found);
    if (!found) {
        return kExitFailure;
    }
    g_installer.runMode = DetectRunMode();
    int result = RunRole(log, line, understood);
    char end[32];
    wsprintfA(end, "END exit code %d", result);
    log.Note(end);
    return result;
}
