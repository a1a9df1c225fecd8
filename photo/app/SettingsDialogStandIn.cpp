// Stand-in until the settings dialog is built: nothing to show, so the main
// window is enabled again at once.
#include "app/SettingsDialog.h"

void ShowSettingsDialog(HWND mainWnd) {
    EnableWindow(mainWnd, TRUE);
}
