#include "engine/InstallerState_win.h"

#include "engine/Reporter.h"

InstallerState g_installer;

void ReportSetupFileError(Reporter& reporter, int messageId) {
    reporter.Error(messageId, 0, g_installer.setupFilePath);
}
