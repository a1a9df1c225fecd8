#include "support/BoxAnswerer.h"

#include <algorithm>

#include "support/Machine.h"

namespace gui {

BoxRule YesTo(std::vector<std::wstring> texts) {
    return [texts = std::move(texts)](const MessageBoxContent& box) {
        if (std::find(texts.begin(), texts.end(), box.text) != texts.end()) {
            return box.retryCancel ? IDRETRY : IDYES;
        }
        return box.yesNo ? IDNO : box.retryCancel ? IDCANCEL : IDOK;
    };
}

BoxAnswerer::BoxAnswerer(int buttonId, DWORD pid)
    : BoxAnswerer([buttonId](const MessageBoxContent&) { return buttonId; }, pid) {}

BoxAnswerer::BoxAnswerer(BoxRule rule, DWORD pid, const wchar_t* alsoImage)
    : rule_(std::move(rule)), pid_(pid), alsoImage_(alsoImage ? alsoImage : L"") {
    InitializeCriticalSection(&lock_);
    thread_.Reset(CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr));
}

BoxAnswerer::~BoxAnswerer() {
    Finish();
    DeleteCriticalSection(&lock_);
}

DWORD WINAPI BoxAnswerer::Run(void* self) {
    BoxAnswerer* answerer = static_cast<BoxAnswerer*>(self);
    while (InterlockedCompareExchange(&answerer->stop_, 0, 0) == 0) {
        answerer->AnswerOnce();
    }
    return 0;
}

void BoxAnswerer::AnswerOnce() {
    std::vector<DWORD> pids = {pid_};
    if (!alsoImage_.empty()) {
        for (DWORD pid : machine::ProcessesNamed(alsoImage_.c_str())) {
            pids.push_back(pid);
        }
    }
    for (DWORD pid : pids) {
        HWND box = WaitForMessageBox(pid, 50);
        if (box == nullptr) {
            continue;
        }
        // Let the box finish its set-up before it is read.
        Sleep(50);
        MessageBoxContent content = ReadMessageBox(box);
        int button = rule_(content);
        EnterCriticalSection(&lock_);
        boxes_.push_back(content);
        LeaveCriticalSection(&lock_);
        PressButton(box, button);
        WaitUntil([box] { return !IsWindow(box) || !IsWindowVisible(box); }, 10000);
    }
}

bool BoxAnswerer::WaitFor(size_t count, DWORD timeoutMs) {
    return WaitUntil(
        [this, count] {
            EnterCriticalSection(&lock_);
            size_t have = boxes_.size();
            LeaveCriticalSection(&lock_);
            return have >= count;
        },
        timeoutMs);
}

std::vector<MessageBoxContent> BoxAnswerer::Finish() {
    if (thread_) {
        InterlockedExchange(&stop_, 1);
        WaitForSingleObject(thread_.Get(), INFINITE);
        thread_.Reset();
    }
    EnterCriticalSection(&lock_);
    std::vector<MessageBoxContent> boxes = boxes_;
    LeaveCriticalSection(&lock_);
    return boxes;
}

MessageBoxContent BoxAnswerer::FinishOne() {
    std::vector<MessageBoxContent> boxes = Finish();
    if (boxes.empty()) {
        return MessageBoxContent();
    }
    MessageBoxContent one = boxes.front();
    for (size_t i = 1; i < boxes.size(); ++i) {
        one.text += L"\n[and then another box] " + boxes[i].text;
    }
    return one;
}

}  // namespace gui
