// The installer's reporter for a user at the screen: message boxes from the
// message table, and the copy progress dialog.
#pragma once

#include <windows.h>

#include "engine/CopyProgress.h"
#include "engine/InstallerState_win.h"
#include "engine/Reporter.h"
#include "win/ScopedHandle.h"

class BoxReporter : public Reporter {
public:
    // Boxes and the progress dialog are owned by `owner` (may be null): the
    // installer's main window during an install.
    explicit BoxReporter(HWND owner) : owner_(owner) {}

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

private:
    HWND BoxOwner() const { return progress_ ? progress_.Get() : owner_; }
    // Handles what is queued for this thread's windows.
    void HandleMessages();

    HWND owner_;
    OwnedWindow progress_;
    CopyTotals totals_;
    RepaintPacer pacer_;
    // The file named last, shown at the next paint.
    char source_[kPathCapacity] = {};
    char destination_[kPathCapacity] = {};
    bool named_ = false;
};
