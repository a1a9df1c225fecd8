#include "app/InstallerMain.h"

#include <cstring>

#include "engine/AdminCheck_win.h"
#include "engine/AnsiText_win.h"
#include "engine/InstallFlow_win.h"
#include "engine/InstallRules.h"
#include "engine/Paths_win.h"
#include "engine/SetupInfo_win.h"
#include "engine/UninstallFlow_win.h"
#include "resources/resource.h"
#include "ui/Dialogs.h"
#include "ui/MainWindow.h"
#include "ui/Messages.h"

namespace {

// The show state the installed copy is started with for the clean-up run.
const int kShowCleanUp = SW_SHOW;

// Builds `stem` + `extension` into `out`; false when it does not fit, so a
// cut name is never looked up.
bool BuildSetupPath(char (&out)[kPathCapacity], const char* stem, const char* extension) {
    CopyAnsiBounded(out, sizeof(out), stem);
    return AppendAnsiBounded(out, sizeof(out), extension) && std::strlen(stem) < sizeof(out);
}

// Without arguments: loads the install keys, shows the document and the
// options and installs.
int RunInstallRole() {
    if (!LoadSetupInfo(SetupLoadMode::Install)) {
        return 0;
    }
    // Copying needs an administrator; installing in place copies nothing.
    if (g_setupInfo.transferMode != TransferMode::InPlace && g_installer.runMode == RunMode::PerUser) {
        ShowError(nullptr, MSG_NEED_ADMIN, 0);
        return 0;
    }
    g_installer.programIcon = LoadIconA(g_installer.instance, MAKEINTRESOURCEA(IDI_MIVO));
    // Without a main window the dialogs simply have no owner.
    HWND mainWindow = CreateMainWindow();
    if (!ShowDocumentDialog(mainWindow) || !ShowOptionsDialog(mainWindow)) {
        if (mainWindow) {
            DestroyWindow(mainWindow);
        }
        return 0;
    }
    bool installed = RunInstall(mainWindow);
    if (mainWindow) {
        DestroyWindow(mainWindow);
    }
    if (installed && g_setupInfo.transferMode == TransferMode::Move) {
        // The installed copy deletes the setup program once this process has
        // ended; its result is of no use here.
        char installedCopy[kPathCapacity];
        CopyAnsiBounded(installedCopy, sizeof(installedCopy), g_installer.installDir);
        bool fits = AppendAnsiBounded(installedCopy, sizeof(installedCopy), "\\") &&
                    AppendAnsiBounded(installedCopy, sizeof(installedCopy), g_installer.ownFileName);
        if (fits) {
            ShellExecuteA(nullptr, nullptr, installedCopy, "/d", "", kShowCleanUp);
        }
    }
    return 0;
}

}  // namespace

bool LocateSetupFile() {
    InstallerState& state = g_installer;
    DWORD length = GetModuleFileNameA(nullptr, state.ownPath, sizeof(state.ownPath));
    if (length == 0 || length >= sizeof(state.ownPath)) {
        // No usable own path: there is no setup file to name either.
        state.ownPath[0] = '\0';
        ShowError(nullptr, MSG_FATAL_ERROR, 0);
        return false;
    }
    // Split at the last backslash and the last dot of the name, walking
    // whole characters so that trail bytes are never taken for either.
    const char* name = state.ownPath;
    for (const char* p = state.ownPath; *p; p = CharNextA(p)) {
        if (*p == '\\') {
            name = p + 1;
        }
    }
    const char* dot = nullptr;
    for (const char* p = name; *p; p = CharNextA(p)) {
        if (*p == '.') {
            dot = p;
        }
    }
    size_t dirLength = static_cast<size_t>(name - state.ownPath);
    size_t stemLength = static_cast<size_t>((dot ? dot : name + std::strlen(name)) - state.ownPath);

    std::memcpy(state.ownDir, state.ownPath, dirLength);
    state.ownDir[dirLength] = '\0';
    CopyAnsiBounded(state.ownFileName, sizeof(state.ownFileName), name);
    char stem[kPathCapacity];
    std::memcpy(stem, state.ownPath, stemLength);
    stem[stemLength] = '\0';

    const char* extension = ".inf";
    if (!BuildSetupPath(state.setupFilePath, stem, extension) || !FileExists(state.setupFilePath)) {
        extension = ".ini";
        if (!BuildSetupPath(state.setupFilePath, stem, extension) || !FileExists(state.setupFilePath)) {
            ShowSetupFileError(nullptr, MSG_SETUP_FILE_MISSING);
            return false;
        }
    }
    CopyAnsiBounded(state.setupFileName, sizeof(state.setupFileName), stem + dirLength);
    AppendAnsiBounded(state.setupFileName, sizeof(state.setupFileName), extension);

    // The own directory without its trailing backslash.
    std::memcpy(state.installDir, state.ownDir, dirLength);
    state.installDir[dirLength > 0 ? dirLength - 1 : 0] = '\0';
    return true;
}

RunMode DetectRunMode() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExA(&version) || version.dwPlatformId != VER_PLATFORM_WIN32_NT) {
        return RunMode::Win9x;
    }
    return IsUserAdministrator() ? RunMode::Admin : RunMode::PerUser;
}

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
    if (!LocateSetupFile()) {
        return 0;
    }
    g_installer.runMode = DetectRunMode();

    if (std::strcmp(arguments, "/k") == 0) {
        return ContinueUninstall();
    }
    // An installer that may not install turns every other start into the
    // uninstall.
    if (EqualsIgnoringCase(arguments, "/r") || LoadSetupInfo(SetupLoadMode::Probe) == 1) {
        return StartUninstall();
    }
    if (EqualsIgnoringCase(arguments, "/u")) {
        return StartPerUserUninstall();
    }
    if (arguments[0] != '\0') {
        ShowError(nullptr, MSG_FATAL_ERROR, 0);
        return 0;
    }
    return RunInstallRole();
}
