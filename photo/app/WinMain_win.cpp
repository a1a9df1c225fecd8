// The entry point: start-up, then the main window until it ends.
#include <windows.h>

#include <commctrl.h>

#include "app/MainWindow_win.h"
#include "app/Startup_win.h"
#include "engine/Preload_win.h"
#include "imaging/Image_win.h"
#include "resources/resource.h"
#include "win/Com.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    ReadStartup(instance, appStartup);
    // Decoding a large photograph takes as long as making the window: begun
    // now, on a thread of its own, the two overlap.
    if (appStartup.inputGiven == 1) {
        StartPreload(appStartup.inputPath);
    }

    // The sliders are trackbars from the common controls.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    // COM and the imaging factory once for the main thread, which does every
    // load and save.
    ComApartment com;
    ImgThreadScope imaging;
    DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_MAIN), nullptr, MainWindowProc, 0);
    Sleep(500);
    return 0;
}
