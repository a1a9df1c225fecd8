// A program that holds a file open as another application would: the first
// argument names the file, opened for reading without sharing anything; the
// second names an event it sets once the file is held, the third one it
// waits for (a minute at most) before letting go and ending.
#include <windows.h>

#include <shellapi.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count != 4) {
        return 2;
    }
    HANDLE file = CreateFileW(arguments[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE held = OpenEventW(EVENT_MODIFY_STATE, FALSE, arguments[2]);
    HANDLE release = OpenEventW(SYNCHRONIZE, FALSE, arguments[3]);
    LocalFree(arguments);
    int result = 1;
    if (file != INVALID_HANDLE_VALUE && held != nullptr && release != nullptr) {
        SetEvent(held);
        WaitForSingleObject(release, 60000);
        result = 0;
    }
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    if (held != nullptr) {
        CloseHandle(held);
    }
    if (release != nullptr) {
        CloseHandle(release);
    }
    return result;
}
