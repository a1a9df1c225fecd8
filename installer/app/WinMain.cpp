#include <windows.h>

#include "app/InstallerMain.h"

// The C runtime hands over the command line after the program name, which is
// exactly the one argument the installer compares.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR arguments, int) {
    return InstallerMain(instance, arguments ? arguments : "");
}
