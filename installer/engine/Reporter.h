// How the install and uninstall flows speak to the user. The flows never show
// a window of their own: every error, notice and question, and the copy
// phase's progress, goes through a Reporter. The program shows message boxes
// and the progress dialog (ui/BoxReporter.h); the tests record what would have
// been shown. Whatever implements it must be able to answer without anyone at
// the screen: No is always the safe answer to a question here, the one that
// stops a run or leaves Windows running, never one that destroys anything.
#pragma once

#include <cstdint>

#include "engine/CopyProgress.h"

enum class Severity {
    Error,        // the run stops (or skips what was refused)
    Warning,      // something stays behind; the run goes on
    Information,  // a step is done
};

// One message of the installer's table (MSG_* in resources/resource.h), with
// what fills it in.
struct Notice {
    Severity severity = Severity::Error;
    int messageId = 0;
    int siteCode = 0;                // where it failed: "ErrorCode : n" under the text; 0 for none
    const char* argument = nullptr;  // what the message's one "%s" names
    const char* detail = nullptr;    // a line of its own under the message: what was refused
    const char* text = nullptr;      // the setup file's own words, shown instead of the message
    int detailMessageId = 0;         // a message of the table on a line of its own at the end
};

enum class QuestionStyle {
    Confirm,  // go on with the run?
    Restart,  // the work is done; restart Windows now?
};

// A Yes/No question of the message table.
struct Question {
    int messageId = 0;
    QuestionStyle style = QuestionStyle::Confirm;
};

// A step of the run that no one is shown but an unattended run's log records.
enum class Step {
    FileSkipped,    // subject: the destination; detail: why it was not copied
    ShortcutMade,   // subject: the shortcut file
    RegistryValue,  // subject: key and value name; detail: the value
    Removed,        // subject: the file, directory, key or shortcut removed
    NotRemoved,     // subject: what stays; detail: why
    Started,        // subject: the program started; detail: its arguments
};

class Reporter {
public:
    virtual ~Reporter() = default;

    virtual void Notify(const Notice& notice) = 0;
    // True for Yes.
    virtual bool Ask(const Question& question) = 0;

    // The copy phase of an install: begins before the first file with what
    // it will copy, names each file just before it is copied, tells how far
    // it has come, and ends after the last one or the failure, whose notice
    // comes before the end.
    virtual void BeginCopying(const CopyTotals& totals) = 0;
    virtual void Copying(const char* source, const char* destination) = 0;
    // Files finished and bytes copied so far, after every file and during a
    // long one; where a window shows the progress, it gets its turn here.
    // False when the user asked to cancel the install.
    virtual bool CopyProgress(uint32_t /*filesDone*/, uint64_t /*bytesDone*/) { return true; }
    virtual void EndCopying() = 0;

    // `file` cannot be replaced while another program holds it open:
    // `holder` names that program where the system can tell (null
    // otherwise). True to try again once the user has closed it; false
    // cancels the install.
    virtual bool AskRetryInUse(const char* file, const char* holder) = 0;

    // A step done or passed over, with nothing to show: only a log wants it.
    virtual void Record(Step /*step*/, const char* /*subject*/, const char* /*detail*/ = nullptr) {}

    void Error(int messageId, int siteCode = 0, const char* argument = nullptr) {
        Notify({Severity::Error, messageId, siteCode, argument});
    }
    void Warning(int messageId) { Notify({Severity::Warning, messageId}); }
    void Information(int messageId) { Notify({Severity::Information, messageId}); }
};

// Brackets the copy phase, so that it ends on every way out.
class CopyingPhase {
public:
    CopyingPhase(Reporter& reporter, const CopyTotals& totals) : reporter_(reporter) { reporter_.BeginCopying(totals); }
    ~CopyingPhase() { reporter_.EndCopying(); }
    CopyingPhase(const CopyingPhase&) = delete;
    CopyingPhase& operator=(const CopyingPhase&) = delete;

private:
    Reporter& reporter_;
};
