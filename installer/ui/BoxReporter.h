// The installer's reporter for a user at the screen: message boxes from the
// message table, and the copy progress dialog.
#pragma once

#include <windows.h>

#include "engine/CopyProgress.h"
#include "engine/InstallerState_win.h"
#include "engine/Reporter.h"
#include "win/ScopedHandle.h"

// How long a copy phase runs before its progress dialog appears: one that
// is over by then (a few small files) flashes no window, which would cost
// more than the copying itself.
constexpr uint32_t kProgressDelayMs = 100;

class BoxReporter : public Reporter {
public:
    // Boxes and the progress dialog are owned by `owner` (may be null): the
    // installer's main window during an install. The progress dialog appears
    // once the copying has taken `progressDelayMs`, or as soon as a box is
    // shown while files are copied.
    explicit BoxReporter(HWND owner, uint32_t progressDelayMs = kProgressDelayMs)
        : owner_(owner), progressDelayMs_(progressDelayMs) {}

    // Errors caption "Error !", everything else the setup title. While the
    // files are copied, the progress dialog owns the boxes.
    void Notify(const Notice& notice) override;
    bool Ask(const Question& question) override;
    // The progress dialog shows the file names and the bar at most every
    // 50 ms, and always the end; its messages are handled at the same pace,
    // so that it paints, moves and takes a click on キャンセル.
    void BeginCopying(const CopyTotals& totals) override;
    void Copying(const char* source, const char* destination) override;
    bool CopyProgress(uint32_t filesDone, uint64_t bytesDone) override;
    void EndCopying() override;
    bool AskRetryInUse(const char* file, const char* holder) override;

protected:
    // The progress dialog while the files are copied; null otherwise.
    HWND ProgressDialog() const { return progress_.Get(); }
    // The clock the delay and the pace are measured by, in milliseconds.
    virtual uint32_t Now() const { return GetTickCount(); }

private:
    // The progress dialog while files are copied (made now if need be), else
    // the owner.
    HWND BoxOwner();
    // Creates the progress dialog showing how far the copying has come.
    void ShowProgress();
    // Puts the names and the position into the dialog and lets it paint.
    void Paint();
    // Handles what is queued for this thread's windows.
    void HandleMessages();

    HWND owner_;
    uint32_t progressDelayMs_;
    OwnedWindow progress_;
    bool copying_ = false;
    bool progressTried_ = false;  // the dialog was made (or could not be)
    uint32_t beganMs_ = 0;
    CopyTotals totals_;
    uint32_t filesDone_ = 0;
    uint64_t bytesDone_ = 0;
    RepaintPacer pacer_;
    // The file named last, shown at the next paint.
    char source_[kPathCapacity] = {};
    char destination_[kPathCapacity] = {};
    bool named_ = false;
};
