#include "app/Startup.h"

#include <commctrl.h>

#include "app/MainWindow.h"
#include "resources/resource.h"

int TandrelMain(HINSTANCE module) {
    // The sliders are trackbars from the common controls.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    DialogBoxParamW(module, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainWindowProc, 0);
    Sleep(500);
    return 0;
}
