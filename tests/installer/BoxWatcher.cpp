#include "BoxWatcher.h"

BoxWatcher::BoxWatcher(int button, DWORD timeoutMs) : button_(button), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, Watch, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
    Finish();
}

gui::MessageBoxContent BoxWatcher::Finish() {
    if (thread_) {
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
    return content_;
}

DWORD WINAPI BoxWatcher::Watch(void* self) {
    BoxWatcher& watcher = *static_cast<BoxWatcher*>(self);
    DWORD start = GetTickCount();
    while (!watcher.stop_ && GetTickCount() - start < watcher.timeoutMs_) {
        HWND box = gui::WaitForMessageBox(GetCurrentProcessId(), 50);
        if (box) {
            watcher.content_ = gui::ReadMessageBox(box);
            watcher.hadYesNo_ = GetDlgItem(box, IDYES) && GetDlgItem(box, IDNO);
            gui::PressButton(box, watcher.button_);
            gui::WaitUntil([&] { return !IsWindow(box); }, 5000);
            break;
        }
    }
    return 0;
}
