#include "ui/BoxReporter.h"

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

void BoxReporter::BeginCopying() {
    progress_.Reset(CreateCopyProgressDialog(owner_));
}

void BoxReporter::Copying(const char* source, const char* destination) {
    if (progress_) {
        ShowCopiedFile(progress_.Get(), source, destination);
    }
}

void BoxReporter::EndCopying() {
    progress_.Reset();
}
