// Driving the real windows of a program under test with plain Win32 calls, as
// a user would: start it, find its windows, click, type, drag, answer message
// boxes, wait for it to end. Works across processes and within one.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>
#include "win/ScopedHandle.h"

namespace gui {

// A started program. Ending the test ends the program if it still runs, so a
// failed test leaves nothing behind.
class Process {
public:
    Process() = default;
    Process(HANDLE handle, DWORD id) : handle_(handle), id_(id) {}
    ~Process();
    Process(Process&& other) noexcept = default;
    Process& operator=(Process&& other) noexcept = default;

    bool Started() const { return static_cast<bool>(handle_); }
    HANDLE Handle() const { return handle_.Get(); }
    DWORD Id() const { return id_; }

    // Exit code once ended; kStillRunning when it did not end in time.
    static const DWORD kStillRunning = 0xFFFFFFFF;
    DWORD WaitForExit(DWORD timeoutMs);
    bool Running() const;
    void Kill();

private:
    KernelHandle handle_;
    DWORD id_ = 0;
};

// Starts `exe` with `arguments` (the command line after the program name) in
// `workDir` (the test's own current directory when empty).
Process StartProgram(const std::wstring& exe, const std::wstring& arguments, const std::wstring& workDir = L"");

// First visible top-level window of process `pid` whose class and title match
// (null means any), waiting up to `timeoutMs`. 0 when none appeared.
HWND WaitForWindow(DWORD pid, const wchar_t* className, const wchar_t* title, DWORD timeoutMs = 10000);

// Same for a window title that merely starts with `titlePrefix`.
HWND WaitForWindowPrefix(DWORD pid, const wchar_t* className, const wchar_t* titlePrefix, DWORD timeoutMs = 10000);

// First visible top-level window of any process for which `match` holds: for
// windows of processes whose ids the test never learns (a program started by
// the one under test) or known by more than class and title.
HWND WaitForWindowWhere(const std::function<bool(HWND)>& match, DWORD timeoutMs = 10000);

DWORD ProcessOf(HWND window);
std::wstring ClassOf(HWND window);
// The executable of the process that owns `window`; empty when unknown.
std::wstring ProgramOf(HWND window);

// A message box of process `pid`.
HWND WaitForMessageBox(DWORD pid, DWORD timeoutMs = 10000);
// A message box holds its text, perhaps an icon, and standard buttons only; a
// dialog with an unnumbered label is none.
bool IsMessageBox(HWND window);

struct MessageBoxContent {
    std::wstring caption;
    std::wstring text;
    bool yesNo = false;              // offers Yes and No (a question) rather than OK
    bool retryCancel = false;        // offers Retry and Cancel
    bool icon = false;               // shows an icon (error, warning, question...)
    std::wstring ownerTitle;         // caption of the owner window, empty without one
    std::vector<int> ownerControls;  // ids of the owner's controls, to tell which window it is
};
MessageBoxContent ReadMessageBox(HWND box);
std::vector<std::wstring> Texts(const std::vector<MessageBoxContent>& boxes);

// Presses a message-box or dialog button (IDOK, IDYES, IDNO...) without waiting
// for what it starts.
void PressButton(HWND dialog, int buttonId);

// Waits for a message box, reads it and answers it with `buttonId`.
MessageBoxContent AnswerMessageBox(DWORD pid, int buttonId, DWORD timeoutMs = 10000);

HWND Control(HWND dialog, int id);
std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const std::wstring& text);
int CheckState(HWND dialog, int id);  // BST_UNCHECKED, BST_CHECKED or BST_INDETERMINATE
bool IsControlEnabled(HWND dialog, int id);
// Sends `message` to control `id` (giving up after 5 s); its result.
LRESULT SendToControl(HWND dialog, int id, UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

// Sends a command as a click on button `id` would, waiting until it was
// handled (up to `timeoutMs`); false when the window did not answer in time,
// for example because the command opened a modal box (use PressButton then).
bool ClickAndWait(HWND dialog, int id, DWORD timeoutMs = 10000);

// Posts a press at `from`, moves in `steps` steps to `to`, and a release, in
// the window's client coordinates, with the left button.
void Drag(HWND window, POINT from, POINT to, int steps = 8);
void PostMouse(HWND window, UINT message, int x, int y, WPARAM keys);

// Posts a key press and release (WM_KEYDOWN / WM_KEYUP) to `window`.
void PostKey(HWND window, UINT virtualKey);
// The window with the keyboard focus in `window`'s thread; 0 when none.
HWND FocusOf(HWND window);
// Posts a key press and release where the focus is in `window`'s thread, so
// that a dialog's own keyboard handling (Enter, Escape) sees it.
void PostKeyToFocus(HWND window, UINT virtualKey);

// Lets the target's queue drain: waits until `window`'s thread has handled
// everything posted before (a message round trip), up to `timeoutMs`.
bool Sync(HWND window, DWORD timeoutMs = 10000);

// Polls `condition` every 20 ms until it holds or `timeoutMs` passes.
template <typename Condition>
bool WaitUntil(Condition condition, DWORD timeoutMs = 10000) {
    DWORD start = GetTickCount();
    for (;;) {
        if (condition()) {
            return true;
        }
        if (GetTickCount() - start >= timeoutMs) {
            return false;
        }
        Sleep(20);
    }
}

}  // namespace gui
