#include "ui/BoxReporter.h"

#include "engine/AnsiText_win.h"
#include "ui/Messages.h"
#include "ui/ProgressDialog.h"

void BoxReporter::Notify(const Notice& notice) {
    char text[kNoticeCapacity];
    RenderNotice(text, notice);
    HWND owner = BoxOwner();
    ShowMessageText(owner, BoxKindOf(notice.severity), text);
}

bool BoxReporter::Ask(const Question& question) {
    HWND owner = BoxOwner();
    return ShowMessage(owner, BoxKindOf(question.style), question.messageId) == IDYES;
}

void BoxReporter::BeginCopying(const CopyTotals& totals) {
    copying_ = true;
    progressTried_ = false;
    beganMs_ = Now();
    totals_ = totals;
    filesDone_ = 0;
    bytesDone_ = 0;
    pacer_ = RepaintPacer();
    named_ = false;
}

void BoxReporter::Copying(const char* source, const char* destination) {
    CopyAnsiBounded(source_, sizeof source_, source);
    CopyAnsiBounded(destination_, sizeof destination_, destination);
    named_ = true;
}

bool BoxReporter::CopyProgress(uint32_t filesDone, uint64_t bytesDone) {
    filesDone_ = filesDone;
    bytesDone_ = bytesDone;
    const uint32_t now = Now();
    if (!progressTried_) {
        if (now - beganMs_ < progressDelayMs_) {
            return true;
        }
        ShowProgress();
        // Making the dialog can take longer than the pace; the pace counts
        // from the paint it made.
        pacer_.Due(Now(), true);
    } else if (!progress_ || !pacer_.Due(now, filesDone >= totals_.files)) {
        return true;
    } else {
        Paint();
    }
    return !progress_ || !CopyCancelRequested(progress_.Get());
}

void BoxReporter::EndCopying() {
    copying_ = false;
    progress_.Reset();
}

bool BoxReporter::AskRetryInUse(const char* file, const char* holder) {
    HWND owner = BoxOwner();
    // The dialog shows the file that waits, whatever the pace skipped.
    if (progress_) {
        Paint();
    }
    char text[kNoticeCapacity];
    RenderInUseQuestion(text, file, holder);
    return ShowMessageText(owner, MessageKind::RetryQuestion, text) == IDRETRY;
}

HWND BoxReporter::BoxOwner() {
    if (copying_ && !progressTried_) {
        ShowProgress();
    }
    return progress_ ? progress_.Get() : owner_;
}

void BoxReporter::ShowProgress() {
    progressTried_ = true;
    progress_.Reset(CreateCopyProgressDialog(owner_));
    if (progress_) {
        Paint();
    }
}

void BoxReporter::Paint() {
    if (named_) {
        ShowCopiedFile(progress_.Get(), source_, destination_);
        named_ = false;
    }
    ShowCopyPosition(progress_.Get(), ProgressPosition(totals_, filesDone_, bytesDone_));
    HandleMessages();
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
