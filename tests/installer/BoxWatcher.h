// Answers a message box that code under test shows in this very process:
// a second thread waits for the box, reads it and presses a button, while the
// test thread is blocked inside MessageBoxA.
#pragma once

#include <windows.h>

#include "support/GuiDriver.h"

class BoxWatcher {
public:
    explicit BoxWatcher(int button, DWORD timeoutMs = 10000);
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    // Stops watching and returns what the box said; empty texts when no box
    // appeared.
    gui::MessageBoxContent Finish();
    // Whether the box offered Yes and No (question kinds) rather than OK.
    bool HadYesNo() const { return hadYesNo_; }

private:
    static DWORD WINAPI Watch(void* self);

    int button_;
    DWORD timeoutMs_;
    volatile LONG stop_ = 0;
    HANDLE thread_ = nullptr;
    gui::MessageBoxContent content_;
    bool hadYesNo_ = false;
};
