// Answering the message boxes that code under test shows: a second thread
// watches for boxes, reads each one and presses a button, until the test
// finishes it. The boxes may be shown on the test's own thread (blocked in
// MessageBox until the answer), on another thread, or by other processes.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "win/ScopedHandle.h"

#include "support/GuiDriver.h"

namespace gui {

// The button that answers a box, chosen from what it says and offers.
using BoxRule = std::function<int(const MessageBoxContent&)>;

// Yes (Retry where the box offers Retry and Cancel) to a box saying one of
// `texts`; otherwise No or Cancel where the box offers it (so an unexpected
// question, such as a restart, is declined) and OK where it does not.
BoxRule YesTo(std::vector<std::wstring> texts);

class BoxAnswerer {
public:
    // Answers every box of process `pid` with `buttonId`.
    explicit BoxAnswerer(int buttonId = IDOK, DWORD pid = GetCurrentProcessId());
    // Answers every box of process `pid`, and of any process whose executable
    // is named `alsoImage` (a copy the program hands over to), by `rule`.
    explicit BoxAnswerer(BoxRule rule, DWORD pid = GetCurrentProcessId(), const wchar_t* alsoImage = nullptr);
    ~BoxAnswerer();
    BoxAnswerer(const BoxAnswerer&) = delete;
    BoxAnswerer& operator=(const BoxAnswerer&) = delete;

    // Waits up to `timeoutMs` until `count` boxes were answered: for boxes
    // that come after the call that causes them has returned.
    bool WaitFor(size_t count, DWORD timeoutMs = 10000);
    // Stops answering; every box answered, in order.
    std::vector<MessageBoxContent> Finish();
    // Stops answering; the one box answered, empty when there was none.
    // Several boxes come back as one whose texts are joined, so that no
    // comparison with a single box's text holds.
    MessageBoxContent FinishOne();

private:
    static DWORD WINAPI Run(void* self);
    void AnswerOnce();

    BoxRule rule_;
    DWORD pid_;
    std::wstring alsoImage_;
    KernelHandle thread_;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<MessageBoxContent> boxes_;
};

}  // namespace gui
