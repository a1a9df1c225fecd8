// The installer's reporter for a run without anyone at the screen: every
// notice, every question with the answer it took (always No) and every step
// goes as a time-stamped line into a UTF-8 text log, appended to what the
// file already holds. Nothing is shown.
#pragma once

#include <windows.h>

#include <string>

#include "engine/InstallerState_win.h"
#include "engine/Reporter.h"
#include "win/ScopedHandle.h"

class LogReporter : public Reporter {
public:
    LogReporter() = default;

    // Opens (or creates) the log `path` for appending and writes what was
    // reported before. False when the file cannot be opened; the lines are
    // then kept for another path.
    bool Open(const char* path);
    bool IsOpen() const { return static_cast<bool>(file_); }

    void Notify(const Notice& notice) override;
    bool Ask(const Question& question) override;
    void BeginCopying(const CopyTotals& /*totals*/) override {}
    void Copying(const char* source, const char* destination) override;
    void EndCopying() override {}
    // Logged, and answered as no one is there to close the program: cancel.
    bool AskRetryInUse(const char* file, const char* holder) override;
    void Record(Step step, const char* subject, const char* detail) override;

    // A line of the run's own, in the installer's code page.
    void Note(const char* text);

private:
    void Write(const char* text);

    KernelHandle file_;
    std::string pending_;  // UTF-8 lines written before the file was open
};

// "%TEMP%\Mivo-<key>.log" (or "Mivo.log" without a key) into `out`; false
// when the temporary directory cannot be had or the path would not fit.
bool DefaultLogPath(char (&out)[kPathCapacity], const char* key);
