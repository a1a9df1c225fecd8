// Under Wine (or Windows): the time from starting Tandrel.exe with a
// 24-megapixel JPEG named on its command line to its main window shown and to
// the picture shown, and the memory the process holds with that picture open,
// beside the time to a window for a trivial Win32 program (this one, showing
// an empty window). Prints figures; judges nothing.
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

enum class Seek { AnyWindow, MainWindow, View };

struct Search {
    DWORD process;
    Seek seek;
    HWND found;
};

BOOL CALLBACK FindShown(HWND window, LPARAM lParam) {
    Search* search = reinterpret_cast<Search*>(lParam);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != search->process || !IsWindowVisible(window)) {
        return TRUE;
    }
    // Tandrel's main window is the one with the save button; the view is the
    // other, titled with the picture's size in pixels.
    const bool main = GetDlgItem(window, IDC_SAVE_AND_EXIT) != nullptr;
    if ((search->seek == Seek::MainWindow && !main) || (search->seek == Seek::View && main)) {
        return TRUE;
    }
    wchar_t title[64] = L"";
    GetWindowTextW(window, title, 64);
    if (search->seek == Seek::View && !wcsstr(title, L"px")) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

struct Run {
    double shownMs = -1;
    double viewMs = -1;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
};

// Waits for a window of `process` that `seek` names; the milliseconds since
// `start` when it shows, or -1.
double WaitForShown(HANDLE process, DWORD processId, Seek seek, double start) {
    Search search = {processId, seek, nullptr};
    while ((Now() - start) * 1000 < kShowLimitMs) {
        EnumWindows(FindShown, reinterpret_cast<LPARAM>(&search));
        if (search.found) {
            return (Now() - start) * 1000;
        }
        if (WaitForSingleObject(process, 1) == WAIT_OBJECT_0) {
            break;
        }
    }
    return -1;
}

// Starts `commandLine` and waits for its window (for Tandrel, its main window
// and then its view); the process is ended after its memory is read, so that
// nothing it would save on closing is written.
Run StartAndMeasure(std::wstring commandLine, bool tandrel) {
    Run run;
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = Now();
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
        return run;
    }
    run.shownMs =
        WaitForShown(process.hProcess, process.dwProcessId, tandrel ? Seek::MainWindow : Seek::AnyWindow, start);
    if (tandrel && run.shownMs >= 0) {
        run.viewMs = WaitForShown(process.hProcess, process.dwProcessId, Seek::View, start);
    }
    if (run.shownMs >= 0 && (!tandrel || run.viewMs >= 0)) {
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

    auto best = [](const std::vector<Run>& runs, double Run::*figure) {
        double value = -1;
        for (const Run& run : runs) {
            if (run.*figure >= 0 && (value < 0 || run.*figure < value)) {
                value = run.*figure;
            }
        }
        return value;
    };
    double trivialMs = best(trivial, &Run::shownMs), oursMs = best(ours, &Run::shownMs);
    double viewMs = best(ours, &Run::viewMs);
    if (trivialMs < 0 || oursMs < 0 || viewMs < 0) {
        std::printf("startup: a window did not show (trivial %.0f ms, Tandrel %.0f ms, its view %.0f ms)\n", trivialMs,
                    oursMs, viewMs);
        return 1;
    }
    std::printf("start to window shown, 24-megapixel JPEG on the command line, best of %d:\n", kRuns);
    std::printf("  Tandrel's main window %.0f ms, a trivial Win32 program %.0f ms (ratio %.1f)\n", oursMs, trivialMs,
                oursMs / trivialMs);
    std::printf("  Tandrel's view with the picture decoded and drawn %.0f ms (ratio %.1f)\n", viewMs,
                viewMs / trivialMs);
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
