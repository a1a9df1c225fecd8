#include "app/Startup_win.h"

#include <shellapi.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "resources/resource.h"
#include "win/ScopedHandle.h"
#include "win/Strings.h"

AppStartup appStartup;

namespace {

// The command line split by the system, released with LocalFree as
// CommandLineToArgvW asks.
class ArgumentVector {
public:
    explicit ArgumentVector(const wchar_t* commandLine) : argv_(CommandLineToArgvW(commandLine, &count_)) {
        if (!argv_) {
            count_ = 0;
        }
    }
    int Count() const { return count_; }
    const wchar_t* operator[](int i) const { return argv_.Get()[i]; }

private:
    int count_ = 0;
    LocalMemory<wchar_t**> argv_;
};

// The argument in the ANSI code page; characters the code page lacks become
// its default character.
std::string ToAnsi(const wchar_t* text) {
    int length = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (length <= 1) {
        return std::string();
    }
    std::string ansi(size_t(length), '\0');
    WideCharToMultiByte(CP_ACP, 0, text, -1, &ansi[0], length, nullptr, nullptr);
    ansi.resize(size_t(length - 1));
    return ansi;
}

// Copies `text` into the start-up record's path buffer when it fits whole: a
// name cut short would open some other file, or none, without saying so.
bool StoreInputPath(const wchar_t* text, size_t length, AppStartup& startup) {
    if (length >= kTextCapacity) {
        startup.inputTooLong = 1;
    }
    if (length == 0 || length >= kTextCapacity) {
        return false;
    }
    std::copy(text, text + length, startup.inputPath);
    startup.inputPath[length] = L'\0';
    startup.inputGiven = 1;
    return true;
}

void BuildStartupPaths(const wchar_t* argv0, AppStartup& startup) {
    UINT length = GetWindowsDirectoryW(startup.windowsDir, kTextCapacity);
    if (length == 0 || length >= UINT(kTextCapacity)) {
        startup.windowsDir[0] = L'\0';
    }
    // The help lies beside the program; its own file name tells where that is
    // even when it was started by a relative name.
    std::vector<wchar_t> program(32768);
    DWORD got = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
    const wchar_t* path = got > 0 && got < program.size() ? program.data() : argv0;
    if (!BuildHelpUrl(path ? path : L"", startup.helpUrl, kTextCapacity)) {
        BuildHelpUrl(L"", startup.helpUrl, kTextCapacity);
    }
}

}  // namespace

void ReadCommandLine(const wchar_t* commandLine, AppStartup& startup) {
    startup.inputGiven = 0;
    startup.inputTooLong = 0;
    startup.inputPath[0] = L'\0';
    ArgumentVector argv(commandLine);
    std::vector<std::string> ansi;
    for (int i = 0; i < argv.Count(); ++i) {
        ansi.push_back(ToAnsi(argv[i]));
    }
    CommandLineInput input = ParseCommandLine(ansi);
    if (input.kind == CommandLineInput::Argument) {
        // The first argument as the system gave it, any character included.
        StoreInputPath(argv[1], wcslen(argv[1]), startup);
    } else if (input.kind == CommandLineInput::Option) {
        int length = MultiByteToWideChar(CP_ACP, 0, input.value.c_str(), int(input.value.size()), nullptr, 0);
        if (length >= kTextCapacity) {
            startup.inputTooLong = 1;
        } else if (length > 0) {
            std::wstring wide(size_t(length), L'\0');
            MultiByteToWideChar(CP_ACP, 0, input.value.c_str(), int(input.value.size()), &wide[0], length);
            StoreInputPath(wide.c_str(), wide.size(), startup);
        }
    }
}

void ReadStartup(HINSTANCE module, AppStartup& startup) {
    const wchar_t* commandLine = GetCommandLineW();
    {
        ArgumentVector argv(commandLine);
        BuildStartupPaths(argv.Count() > 0 ? argv[0] : L"", startup);
    }
    startup.module = module;
    ReadCommandLine(commandLine, startup);
}

void StartFreshCopy(HWND owner) {
    // This very program, wherever it lies and whatever it is called, with an
    // empty main window.
    std::vector<wchar_t> program(32768);
    DWORD got = GetModuleFileNameW(nullptr, program.data(), DWORD(program.size()));
    std::wstring commandLine = got > 0 && got < program.size() ? L"\"" + std::wstring(program.data(), got) + L"\" -n"
                                                               : std::wstring(L"tandrel.exe -n");
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process);
    const std::wstring caption = ResourceString(IDS_OK_CAPTION);
    if (!CloseHandle(process.hProcess)) {
        MessageBoxW(owner, ResourceString(IDS_PROCESS_HANDLE_FAILED).c_str(), caption.c_str(), MB_OK);
    }
    if (!CloseHandle(process.hThread)) {
        MessageBoxW(owner, ResourceString(IDS_THREAD_HANDLE_FAILED).c_str(), caption.c_str(), MB_OK);
    }
}
