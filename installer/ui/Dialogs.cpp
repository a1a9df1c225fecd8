#include "ui/Dialogs.h"

#include "engine/InstallerState_win.h"
#include "ui/Messages.h"

void SetProgramIcons(HWND dialog) {
    LPARAM icon = reinterpret_cast<LPARAM>(g_installer.programIcon);
    SendMessageA(dialog, WM_SETICON, ICON_BIG, icon);
    SendMessageA(dialog, WM_SETICON, ICON_SMALL, icon);
}

void CancelAfterConfirmation(HWND dialog) {
    if (ConfirmCancelInstall(dialog)) {
        EndDialog(dialog, IDCANCEL);
    }
}
