// Stand-ins for the roles whose flows are built later: the install itself,
// the "/d" clean-up, the uninstall roles and the install dialogs. Each later
// piece of work moves its role into its own file (engine/InstallFlow.cpp,
// engine/UninstallFlow.cpp, ui/Dialogs*.cpp) and deletes the stand-in here.
//
// The uninstall stand-ins already take the first, user-visible steps of their
// flows (load the uninstall keys, confirm) and stop before removing anything.
#include <windows.h>

#include "engine/InstallFlow.h"
#include "engine/InstallerState.h"
#include "engine/SetupInfo.h"
#include "engine/UninstallFlow.h"
#include "resources/resource.h"
#include "ui/Dialogs.h"
#include "ui/Messages.h"

int StartUninstall() {
    if (!LoadSetupInfo(SetupLoadMode::Uninstall)) {
        return 0;
    }
    ConfirmUninstall();
    return 1;
}

int ContinueUninstall() {
    if (!LoadSetupInfo(SetupLoadMode::Uninstall)) {
        return 0;
    }
    GetPrivateProfileStringA("Uninstall", "Dir", "", g_setupInfo.uninstallDir, sizeof(g_setupInfo.uninstallDir),
                             g_installer.setupFilePath);
    if (g_setupInfo.uninstallDir[0] == '\0') {
        ShowError(nullptr, MSG_FATAL_ERROR, 2001);
        return 0;
    }
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
    g_installer.runMode = RunMode::PerUser;
    g_setupInfo.notAdmin = 1;
    ConfirmUninstall();
    return 1;
}

// Without the dialogs nothing may be installed: behave as if cancelled.
bool ShowDocumentDialog(HWND) {
    return false;
}

bool ShowOptionsDialog(HWND) {
    return false;
}
