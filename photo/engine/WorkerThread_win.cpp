#include "engine/WorkerThread_win.h"

#include <process.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resources/resource.h"
#include "win/Strings.h"

WorkerThread WorkerThread::Start(WorkerRoutine routine, void* argument, const wchar_t* name) {
    WorkerThread thread;
    thread.handle = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, routine, argument, 0, &thread.id));
    if (!thread.handle) {
        const int kCapacity = 1024;
        wchar_t text[kCapacity];
        _snwprintf(text, kCapacity - 1, ResourceString(IDS_THREAD_ERROR).c_str(), name ? name : L"");
        text[kCapacity - 1] = L'\0';
        MessageBoxW(nullptr, text, ResourceString(IDS_THREAD_ERROR_CAPTION).c_str(), MB_OK | MB_ICONERROR);
        std::exit(0);
    }
    return thread;
}
