#include "engine/RestartDeletion_win.h"

#include <windows.h>

#include "engine/DeletionRules.h"
#include "engine/InstallerState_win.h"
#include "engine/Reporter.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"

namespace {

const char kWininitFile[] = "wininit.ini";
const char kRenameSection[] = "rename";

// The section buffer starts at the size Windows 9x's own tools use and grows
// while the section does not fit, so no existing line is ever cut off when the
// section is written back whole. Beyond the limit the file is not sane.
const DWORD kSectionBufferSize = 0x4000;
const DWORD kSectionBufferLimit = 0x100000;

}  // namespace

bool ScheduleDeletionAtRestart(const char* path) {
    return MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) != 0;
}

bool AppendWininitDeletion(Reporter& reporter, const char* iniFile, const char* path) {
    for (DWORD size = kSectionBufferSize; size <= kSectionBufferLimit; size *= 2) {
        GlobalMemory memory(GlobalAlloc(GPTR, size));
        if (!memory) {
            reporter.Error(MSG_OUT_OF_MEMORY, kErrorWininitBuffer);
            return false;
        }
        // An absent section or file reads as an empty list. A result of
        // size - 2 means the section was cut to fit.
        char* section = static_cast<char*>(memory.Get());
        DWORD read = GetPrivateProfileSectionA(kRenameSection, section, size, iniFile);
        if (read < size - 2 && AppendDeletionLine(section, size, path)) {
            WritePrivateProfileSectionA(kRenameSection, section, iniFile);
            return true;
        }
    }
    reporter.Error(MSG_OUT_OF_MEMORY, kErrorWininitBuffer);
    return false;
}

bool ScheduleSelfDeletion(Reporter& reporter) {
    if (g_installer.runMode != RunMode::Win9x) {
        return ScheduleDeletionAtRestart(g_installer.ownPath);
    }
    return AppendWininitDeletion(reporter, kWininitFile, g_installer.ownPath);
}

void EnableShutdownPrivilege() {
    KernelHandle token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.Receive())) {
        return;
    }
    TOKEN_PRIVILEGES privileges = {};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueA(nullptr, "SeShutdownPrivilege", &privileges.Privileges[0].Luid)) {
        return;
    }
    AdjustTokenPrivileges(token.Get(), FALSE, &privileges, 0, nullptr, nullptr);
}

void RestartWindows() {
    ExitWindowsEx(EWX_REBOOT, 0);
}
