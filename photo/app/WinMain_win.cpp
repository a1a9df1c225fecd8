#include <windows.h>

#include "app/Startup_win.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    return TandrelMain(instance);
}
