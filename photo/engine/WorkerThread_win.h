// Threads of Tandrel besides the main one (the view's "ViewDlg").
#pragma once

#include <windows.h>

typedef unsigned(__stdcall* WorkerRoutine)(void* argument);

struct WorkerThread {
    HANDLE handle = nullptr;
    unsigned id = 0;

    // Starts `routine(argument)` on a new thread; the caller owns `handle`.
    // When no thread can be made, tells the user (naming `name`) and ends the
    // process.
    static WorkerThread Start(WorkerRoutine routine, void* argument, const wchar_t* name);
};
