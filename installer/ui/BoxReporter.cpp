#include "ui/BoxReporter.h"

#include "engine/AnsiText_win.h"
#include "ui/Messages.h"
#include "ui/ProgressDialog.h"

void BoxReporter::Notify(const Notice& notice) {
    char text[kNoticeCapacity];
    RenderNotice(text, notice);
    ShowMessageText(BoxOwner(), BoxKindOf(notice.severity), text);
}

bool BoxReporter::Ask(const Question& question) {
    return ShowMessage(BoxOwner(), BoxKindOf(question.style), question.messageId) == IDYES;
}

void BoxReporter::BeginCopying(const CopyTotals& totals) {
    totals_ = totals;
    pacer_ = RepaintPacer();
    named_ = false;
    progress_.Reset(CreateCopyProgressDialog(owner_));
    HandleMessages();
}

void BoxReporter::Copying(const char* source, const char* destination) {
    CopyAnsiBounded(source_, sizeof source_, source);
    CopyAnsiBounded(destination_, sizeof destination_, destination);
    named_ = true;
}

bool BoxReporter::CopyProgress(uint32_t filesDone, uint64_t bytesDone) {
    if (!progress_) {
        return true;
    }
    if (!pacer_.Due(GetTickCount(), filesDone >= totals_.files)) {
        return true;
    }
    if (named_) {
        ShowCopiedFile(progress_.Get(), source_, destination_);
        named_ = false;
    }
    ShowCopyPosition(progress_.Get(), ProgressPosition(totals_, filesDone, bytesDone));
    HandleMessages();
    return !CopyCancelRequested(progress_.Get());
}

void BoxReporter::EndCopying() {
    progress_.Reset();
}

bool BoxReporter::AskRetryInUse(const char* file, const char* holder) {
    // The dialog shows the file that waits, whatever the pace skipped.
    if (progress_ && named_) {
        ShowCopiedFile(progress_.Get(), source_, destination_);
        named_ = false;
    }
    char text[kNoticeCapacity];
    RenderInUseQuestion(text, file, holder);
    return ShowMessageText(BoxOwner(), MessageKind::RetryQuestion, text) == IDRETRY;
}

void BoxReporter::HandleMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not ours to take: the loop that waits for it comes later.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (progress_ && IsDialogMessageA(progress_.Get(), &message)) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}
