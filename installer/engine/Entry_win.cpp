#include "engine/Entry_win.h"

#include <cstring>

#include "engine/AdminCheck_win.h"
#include "engine/AnsiText_win.h"
#include "engine/Paths_win.h"
#include "engine/Reporter.h"
#include "resources/resource.h"

namespace {

// Builds `stem` + `extension` into `out`; false when it does not fit, so a
// cut name is never looked up.
bool BuildSetupPath(char (&out)[kPathCapacity], const char* stem, const char* extension) {
    CopyAnsiBounded(out, sizeof(out), stem);
    return AppendAnsiBounded(out, sizeof(out), extension) && std::strlen(stem) < sizeof(out);
}

}  // namespace

bool LocateSetupFile(Reporter& reporter) {
    InstallerState& state = g_installer;
    DWORD length = GetModuleFileNameA(nullptr, state.ownPath, sizeof(state.ownPath));
    if (length == 0 || length >= sizeof(state.ownPath)) {
        // No usable own path: there is no setup file to name either.
        state.ownPath[0] = '\0';
        reporter.Error(MSG_FATAL_ERROR);
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
            ReportSetupFileError(reporter, MSG_SETUP_FILE_MISSING);
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
