// A reporter for the flows under test: records every notice and question as
// the installer's message box would show it (caption, text, Yes/No), and the
// files the copy phase names, without any window.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/Reporter.h"
#include "support/BoxAnswerer.h"
#include "support/GuiDriver.h"

namespace installkit {

class ReportRecorder : public Reporter {
public:
    // Answers each question as `rule` answers its box: Yes only for IDYES.
    // By default every question is declined.
    explicit ReportRecorder(gui::BoxRule rule = gui::YesTo({}));

    void Notify(const Notice& notice) override;
    bool Ask(const Question& question) override;
    void BeginCopying(const CopyTotals& totals) override;
    void Copying(const char* source, const char* destination) override;
    bool CopyProgress(uint32_t filesDone, uint64_t bytesDone) override;
    void EndCopying() override;
    // Recorded as its box would show it (retryCancel set) and answered by
    // the rule: Retry only for IDRETRY.
    bool AskRetryInUse(const char* file, const char* holder) override;

    // The user's Cancel in the progress, once `filesDone` files are copied.
    void CancelAfter(uint32_t filesDone) { cancelAfter_ = static_cast<int64_t>(filesDone); }

    // Every box that would have been shown, in order.
    const std::vector<gui::MessageBoxContent>& Boxes() const { return boxes_; }
    // The one box, empty when there was none; several come back as one whose
    // texts are joined, so that no comparison with a single box's text holds.
    gui::MessageBoxContent One() const;
    // The source and destination of every file the copy phase named.
    const std::vector<std::pair<std::string, std::string>>& Copied() const { return copied_; }
    // Whether a copy phase is open now (begun and not ended).
    bool InCopyPhase() const { return copying_; }
    // What the last copy phase announced, and the last progress it told.
    const CopyTotals& Totals() const { return totals_; }
    uint32_t FilesDone() const { return filesDone_; }
    uint64_t BytesDone() const { return bytesDone_; }
    // Whether the progress ever went backwards.
    bool WentBack() const { return wentBack_; }

private:
    void Keep(gui::MessageBoxContent box);

    gui::BoxRule rule_;
    std::vector<gui::MessageBoxContent> boxes_;
    std::vector<std::pair<std::string, std::string>> copied_;
    bool copying_ = false;
    CopyTotals totals_;
    uint32_t filesDone_ = 0;
    uint64_t bytesDone_ = 0;
    bool wentBack_ = false;
    int64_t cancelAfter_ = -1;
};

}  // namespace installkit
