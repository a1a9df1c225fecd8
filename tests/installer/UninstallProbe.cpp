// A stand-in for a product's own uninstall program: started as
//     probe.exe <marker file> <watched file>
// it takes its time, then writes into the marker file (outside the install
// directory) "present" or "absent" for the watched file and the command line
// it got, so a test can tell that it ran, how, and whether the uninstaller
// waited for it before removing anything.
#include <windows.h>

#include <shellapi.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    wchar_t** arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3) {
        return 1;
    }
    Sleep(1500);
    const bool present = GetFileAttributesW(arguments[2]) != INVALID_FILE_ATTRIBUTES;
    std::wstring report = std::wstring(present ? L"present" : L"absent") + L"\n" + GetCommandLineW();
    HANDLE file = CreateFileW(arguments[1], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    LocalFree(arguments);
    if (file == INVALID_HANDLE_VALUE) {
        return 1;
    }
    DWORD written = 0;
    WriteFile(file, report.data(), static_cast<DWORD>(report.size() * sizeof(wchar_t)), &written, nullptr);
    CloseHandle(file);
    return 0;
}
