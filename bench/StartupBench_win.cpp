// Under Wine (or Windows): the time from starting Tandrel.exe with a
// 24-megapixel JPEG named on its command line to its main window shown, and
// the memory the process holds with that picture open, beside the same time
// for a trivial Win32 program (this one, showing an empty window). Prints
// figures; judges nothing.
#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BenchJpeg_win.h"
#include "imaging/Image_win.h"
#include "resources/resource.h"

namespace {

const int kRuns = 5;
const DWORD kShowLimitMs = 30000;

double Now() {
    LARGE_INTEGER frequency, counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return double(counter.QuadPart) / double(frequency.QuadPart);
}

LRESULT CALLBACK TrivialProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The trivial program: one empty window until it is closed.
int RunTrivial() {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = TrivialProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"TrivialBenchWindow";
    windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, windowClass.lpszClassName, L"trivial", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                                  nullptr, nullptr, windowClass.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

struct Search {
    DWORD process;
    bool mainWindowOnly;
    HWND found;
};

BOOL CALLBACK FindShown(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) {
        return TRUE;
    }
    // Tandrel's view shows before its main window: the main window is the one
    // with the save button.
    if (search->mainWindowOnly && !GetDlgItem(window, IDC_SAVE_AND_EXIT)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

struct Run {
    double shownMs = -1;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
};

// Starts `commandLine` and waits for its window; the process is ended after
// its memory is read, so that nothing it would save on closing is written.
Run StartAndMeasure(std::wstring commandLine, bool mainWindowOnly) {
    Run run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return run;
    }
    Search search = {process.dwProcessId, mainWindowOnly, nullptr};
    while (!search.found && (Now() - start) * 1000 < kShowLimitMs) {
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
        if (!search.found) {
            if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0) {
                break;
            }
        }
    }
    if (search.found) {
        run.shownMs = (Now() - start) * 1000;
        // What the open picture holds once the window is up and painted.
        Sleep(500);
        run.memory.cb = sizeof(run.memory);
        GetProcessMemoryInfo(process.hProcess, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&run.memory),
                             sizeof(run.memory));
    }
    TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return run;
}

// Wine leaves the private bytes of another process at zero; its commit
// charge (the page-file usage, the same figure on Windows) stands in.
SIZE_T PrivateBytes(const PROCESS_MEMORY_COUNTERS_EX& memory) {
    return memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
}

double Mb(SIZE_T bytes) {
    return double(bytes) / (1024.0 * 1024.0);
}

std::wstring Directory(const std::wstring& path) {
    size_t cut = path.find_last_of(L"\\/");
    return cut == std::wstring::npos ? std::wstring() : path.substr(0, cut + 1);
}

}  // namespace

// MinGW's start-up code calls it; unlike main it has no declaration of its own.
int wmain(int argc, wchar_t** argv);

//   (no arguments)  Tandrel.exe beside this program, on a picture it writes
//   --trivial       the trivial program itself
int wmain(int argc, wchar_t** argv) {
    if (argc == 2 && std::wstring(argv[1]) == L"--trivial") {
        return RunTrivial();
    }
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring tandrel = Directory(self) + L"Tandrel.exe";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring picture = std::wstring(temp) + L"tandrel_startup_24mp.jpg";
    if (!MakeBenchJpeg(picture)) {
        std::printf("could not write the test picture: %08x\n", ImgLastError());
        return 1;
    }

    std::vector<Run> trivial, ours;
    for (int i = 0; i < kRuns; ++i) {
        trivial.push_back(StartAndMeasure(L"\"" + std::wstring(self) + L"\" --trivial", false));
        ours.push_back(StartAndMeasure(L"\"" + tandrel + L"\" \"" + picture + L"\"", true));
    }
    DeleteFileW(picture.c_str());

    auto best = [](const std::vector<Run>& runs) {
        double value = -1;
        for (const Run& run : runs) {
            if (run.shownMs >= 0 && (value < 0 || run.shownMs < value)) {
                value = run.shownMs;
            }
        }
        return value;
    };
    double trivialMs = best(trivial), oursMs = best(ours);
    if (trivialMs < 0 || oursMs < 0) {
        std::printf("startup: a window did not show (trivial %.0f ms, Tandrel %.0f ms)\n", trivialMs, oursMs);
        return 1;
    }
    std::printf("start to main window shown, 24-megapixel JPEG on the command line, best of %d:\n", kRuns);
    std::printf("  Tandrel %.0f ms, a trivial Win32 program %.0f ms (ratio %.1f)\n", oursMs, trivialMs,
                oursMs / trivialMs);
    // The largest of the runs: each holds the same picture.
    PROCESS_MEMORY_COUNTERS_EX most = {};
    for (const Run& run : ours) {
        most.WorkingSetSize = std::max(most.WorkingSetSize, run.memory.WorkingSetSize);
        most.PeakWorkingSetSize = std::max(most.PeakWorkingSetSize, run.memory.PeakWorkingSetSize);
        most.PrivateUsage = std::max(most.PrivateUsage, PrivateBytes(run.memory));
    }
    PROCESS_MEMORY_COUNTERS_EX small = trivial.front().memory;
    std::printf("memory with the picture open (the trivial program's in brackets):\n");
    std::printf("  working set %.0f MB (%.0f), peak working set %.0f MB (%.0f), private bytes %.0f MB (%.0f)\n",
                Mb(most.WorkingSetSize), Mb(small.WorkingSetSize), Mb(most.PeakWorkingSetSize),
                Mb(small.PeakWorkingSetSize), Mb(most.PrivateUsage), Mb(PrivateBytes(small)));
    return 0;
}
