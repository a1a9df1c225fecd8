#include "app/MainWindow.h"

#include "resources/resource.h"

namespace {
const wchar_t kMainCaption[] = L"Tandrel ver.2.01";
}

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowTextW(window, kMainCaption);
            return TRUE;
        case WM_COMMAND:
            if (LOWORD(wParam) == IDCANCEL || LOWORD(wParam) == IDC_EXIT) {
                EndDialog(window, 0);
                return TRUE;
            }
            return FALSE;
        case WM_CLOSE:
            EndDialog(window, 0);
            return TRUE;
        default:
            return FALSE;
    }
}
