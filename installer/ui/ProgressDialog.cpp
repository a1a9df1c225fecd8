#include "ui/ProgressDialog.h"

#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"

namespace {

INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetWindowTextA(dialog, g_setupInfo.title);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

HWND CreateCopyProgressDialog(HWND owner) {
    return CreateDialogParamA(g_installer.instance, MAKEINTRESOURCEA(IDD_COPY_PROGRESS), owner, ProgressDialogProc, 0);
}

void ShowCopiedFile(HWND dialog, const char* source, const char* destination) {
    SetDlgItemTextA(dialog, IDC_PROGRESS_SOURCE, source);
    SetDlgItemTextA(dialog, IDC_PROGRESS_DESTINATION, destination);
    // No message loop runs while copying: paint the new names now.
    UpdateWindow(dialog);
}
