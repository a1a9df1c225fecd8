#include "ui/ProgressDialog.h"

#include <commctrl.h>

#include "engine/CopyProgress.h"
#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"
#include "ui/Messages.h"

namespace {

// The dialog's own state, in DWLP_USER: 1 once the user confirmed the
// cancellation. A plain value rather than an object: nothing to free.
const LONG_PTR kCancelRequested = 1;

void AskToCancel(HWND dialog) {
    if (GetWindowLongPtrA(dialog, DWLP_USER) == kCancelRequested) {
        return;
    }
    // The copying waits while the question is open: it runs on this thread.
    if (ConfirmCancelInstall(dialog)) {
        SetWindowLongPtrA(dialog, DWLP_USER, kCancelRequested);
        EnableWindow(GetDlgItem(dialog, IDCANCEL), FALSE);
    }
}

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowTextA(dialog, g_setupInfo.title);
            SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETRANGE32, 0, kProgressRange);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL) {  // the button and Esc
                AskToCancel(dialog);
                return TRUE;
            }
            break;
    }
    return FALSE;
}

}  // namespace

HWND CreateCopyProgressDialog(HWND owner) {
    // The progress bar's class comes from the common controls.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    return CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_COPY_PROGRESS), owner, ProgressDialogProc, 0);
}

void ShowCopiedFile(HWND dialog, const char* source, const char* destination) {
    SetDlgItemTextA(dialog, IDC_PROGRESS_SOURCE, source);
    SetDlgItemTextA(dialog, IDC_PROGRESS_DESTINATION, destination);
}

void ShowCopyPosition(HWND dialog, int position) {
    SendDlgItemMessageA(dialog, IDC_PROGRESS_BAR, PBM_SETPOS, static_cast<WPARAM>(position), 0);
}

bool CopyCancelRequested(HWND dialog) {
    return GetWindowLongPtrA(dialog, DWLP_USER) == kCancelRequested;
}
