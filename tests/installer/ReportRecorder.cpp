#include "ReportRecorder.h"

#include <windows.h>

#include "support/TestFiles.h"
#include "ui/Messages.h"

namespace installkit {

namespace {

// The box of `kind` showing `text`, captioned as the installer captions it.
gui::MessageBoxContent BoxOf(MessageKind kind, const char* text) {
    gui::MessageBoxContent box;
    box.caption = testfiles::FromAnsi(CaptionOf(kind));
    box.text = testfiles::FromAnsi(text);
    box.yesNo = kind == MessageKind::Question || kind == MessageKind::RestartQuestion;
    box.icon = true;
    return box;
}

}  // namespace

ReportRecorder::ReportRecorder(gui::BoxRule rule) : rule_(std::move(rule)) {}

void ReportRecorder::Notify(const Notice& notice) {
    char text[kNoticeCapacity];
    RenderNotice(text, notice);
    Keep(BoxOf(BoxKindOf(notice.severity), text));
}

bool ReportRecorder::Ask(const Question& question) {
    char text[kMessageCapacity];
    LoadMessage(question.messageId, text, sizeof text);
    gui::MessageBoxContent box = BoxOf(BoxKindOf(question.style), text);
    bool yes = rule_(box) == IDYES;
    Keep(box);
    return yes;
}

void ReportRecorder::BeginCopying(const CopyTotals& totals) {
    copying_ = true;
    totals_ = totals;
    filesDone_ = 0;
    bytesDone_ = 0;
}

bool ReportRecorder::CopyProgress(uint32_t filesDone, uint64_t bytesDone) {
    if (filesDone < filesDone_ || bytesDone < bytesDone_) {
        wentBack_ = true;
    }
    filesDone_ = filesDone;
    bytesDone_ = bytesDone;
    return cancelAfter_ < 0 || static_cast<int64_t>(filesDone) < cancelAfter_;
}

bool ReportRecorder::AskRetryInUse(const char* file, const char* holder) {
    char text[kNoticeCapacity];
    RenderInUseQuestion(text, file, holder);
    gui::MessageBoxContent box = BoxOf(MessageKind::RetryQuestion, text);
    box.retryCancel = true;
    bool retry = rule_(box) == IDRETRY;
    Keep(box);
    return retry;
}

void ReportRecorder::Copying(const char* source, const char* destination) {
    copied_.emplace_back(source, destination);
}

void ReportRecorder::EndCopying() {
    copying_ = false;
}

gui::MessageBoxContent ReportRecorder::One() const {
    if (boxes_.empty()) {
        return gui::MessageBoxContent();
    }
    gui::MessageBoxContent one = boxes_.front();
    for (size_t i = 1; i < boxes_.size(); ++i) {
        one.text += L"\n[and then another box] " + boxes_[i].text;
    }
    return one;
}

void ReportRecorder::Keep(gui::MessageBoxContent box) {
    boxes_.push_back(std::move(box));
}

}  // namespace installkit
