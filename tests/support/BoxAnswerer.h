// Answering a message box that code under test shows on the test's own
// thread: a second thread waits for the box, reads it and presses a button,
// so that the modal call returns.
#pragma once

#include <windows.h>

#include "support/GuiDriver.h"

namespace gui {

class BoxAnswerer {
public:
    // Starts waiting (up to `timeoutMs`) for the next message box of this
    // process, to answer it with `buttonId`.
    explicit BoxAnswerer(int buttonId = IDOK, DWORD timeoutMs = 10000);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Waits for the answering thread; the box it answered, empty when none
    // appeared in time.
    MessageBoxContent Result();

private:
    static DWORD WINAPI Run(void* self);
    void Join();

    int buttonId_;
    DWORD timeoutMs_;
    HANDLE thread_ = nullptr;
    MessageBoxContent content_;
};

}  // namespace gui
