// The installer's reporter for a user at the screen: message boxes from the
// message table, and the copy progress dialog.
#pragma once

#include <windows.h>

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
    void BeginCopying() override;
    void Copying(const char* source, const char* destination) override;
    void EndCopying() override;

private:
    HWND BoxOwner() const { return progress_ ? progress_.Get() : owner_; }

    HWND owner_;
    OwnedWindow progress_;
};
