#include "app/InstallerMain.h"

#include <cstring>

#include "engine/Entry_win.h"
#include "engine/InstallFlow_win.h"
#include "engine/InstallRules.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "ui/BoxReporter.h"
#include "ui/DocumentDialog.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"
#include "ui/OptionsDialog.h"
#include "win/ScopedHandle.h"

namespace {

// The document, then the options: true when the user went through both, the
// options then being the run's.
bool AskInstallOptions(HWND owner) {
    if (!ShowDocumentDialog(owner)) {
        return false;
    }
    OptionsDialogData dialog;
    dialog.title = g_setupInfo.title;
    dialog.afterDocument = g_setupInfo.textFile[0] != '\0';
    dialog.asksInstallDir = g_setupInfo.transferMode != TransferMode::InPlace;
    dialog.options = OfferedInstallOptions();
    if (!ShowOptionsDialog(owner, dialog)) {
        return false;
    }
    ApplyInstallOptions(dialog.options);
    return true;
}

// Without arguments: loads the install keys, shows the document and the
// options and installs.
int RunInstallRole(Reporter& reporter) {
    if (!LoadSetupInfo(reporter, SetupLoadMode::Install)) {
        return 0;
    }
    // Copying needs an administrator; installing in place copies nothing.
    if (g_setupInfo.transferMode != TransferMode::InPlace && g_installer.runMode == RunMode::PerUser) {
        reporter.Error(MSG_NEED_ADMIN);
        return 0;
    }
    g_installer.programIcon = LoadIconA(g_installer.instance, MAKEINTRESOURCEA(IDI_MIVO));
    // Without a main window the dialogs and boxes simply have no owner.
    OwnedWindow mainWindow(CreateMainWindow());
    if (!AskInstallOptions(mainWindow.Get())) {
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

}  // namespace

int InstallerMain(HINSTANCE instance, const char* arguments) {
    g_installer.instance = instance;
    SetMessageModule(instance);
    if (!arguments) {
        arguments = "";
    }
    // The clean-up run needs nothing else, not even a setup file.
    if (std::strcmp(arguments, "/d") == 0) {
        CleanUpAfterMove();
        return 0;
    }
    BoxReporter boxes(nullptr);
    if (!LocateSetupFile(boxes)) {
        return 0;
    }
    g_installer.runMode = DetectRunMode();

    if (std::strcmp(arguments, "/k") == 0) {
        return ContinueUninstall(boxes);
    }
    // An installer that may not install turns every other start into the
    // uninstall.
    if (EqualsIgnoringCase(arguments, "/r") || LoadSetupInfo(boxes, SetupLoadMode::Probe) == 1) {
        return StartUninstall(boxes);
    }
    if (EqualsIgnoringCase(arguments, "/u")) {
        return StartPerUserUninstall(boxes);
    }
    if (arguments[0] != '\0') {
        boxes.Error(MSG_FATAL_ERROR);
        return 0;
    }
    return RunInstallRole(boxes);
}
