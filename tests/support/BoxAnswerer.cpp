#include "support/BoxAnswerer.h"

namespace gui {

BoxAnswerer::BoxAnswerer(int buttonId, DWORD timeoutMs) : buttonId_(buttonId), timeoutMs_(timeoutMs) {
    thread_ = CreateThread(nullptr, 0, &BoxAnswerer::Run, this, 0, nullptr);
}

BoxAnswerer::~BoxAnswerer() {
    Join();
}

DWORD WINAPI BoxAnswerer::Run(void* self) {
    BoxAnswerer* answerer = static_cast<BoxAnswerer*>(self);
    answerer->content_ = AnswerMessageBox(GetCurrentProcessId(), answerer->buttonId_, answerer->timeoutMs_);
    return 0;
}

void BoxAnswerer::Join() {
    if (thread_ != nullptr) {
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        thread_ = nullptr;
    }
}

MessageBoxContent BoxAnswerer::Result() {
    Join();
    return content_;
}

}  // namespace gui
