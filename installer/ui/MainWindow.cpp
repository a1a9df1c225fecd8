#include "ui/MainWindow.h"

#include "engine/InstallerState_win.h"
#include "engine/SetupInfo_win.h"

const char kMainWindowClass[] = "MIVO_MainWnd";

namespace {

bool RegisterMainWindowClass() {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    // CS_NOCLOSE: the window only stands for the running install; closing it
    // from the taskbar would take the install's owner away.
    windowClass.style = CS_VREDRAW | CS_HREDRAW | CS_NOCLOSE;
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = g_installer.instance;
    windowClass.hIcon = g_installer.programIcon;
    windowClass.hIconSm = g_installer.programIcon;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    windowClass.lpszClassName = kMainWindowClass;
    if (RegisterClassExA(&windowClass) != 0) {
        return true;
    }
    // A second install run in the same process finds the class in place.
    return GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

HWND CreateMainWindow() {
    if (!RegisterMainWindowClass()) {
        return nullptr;
    }
    HWND window = CreateWindowExA(0, kMainWindowClass, g_setupInfo.title, WS_MINIMIZE | WS_CAPTION | WS_SYSMENU,
                                  CW_USEDEFAULT, 0, CW_USEDEFAULT, 0, nullptr, nullptr, g_installer.instance, nullptr);
    if (window == nullptr) {
        return nullptr;
    }
    ShowWindow(window, SW_SHOWMINIMIZED);
    SetActiveWindow(window);
    return window;
}
