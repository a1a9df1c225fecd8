// What the uninstall tests need beside the install kit: answering the boxes of
// the uninstall (never Yes to a restart), directory links, the system's
// pending file operations, and finding the uninstaller copy the installer
// starts by itself.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "support/GuiDriver.h"

namespace uninstallkit {

// Answers, on a second thread, every message box of process `pid` and of any
// process whose executable is named `alsoImage` (such as "$$UnMivo.exe"),
// until Finish: Yes when the box's text is one of `yesTexts`, otherwise No
// where the box offers it (so a restart question is always declined) and OK
// where it does not.
class BoxAnswers {
public:
    explicit BoxAnswers(std::vector<std::wstring> yesTexts = {},
                        DWORD pid = GetCurrentProcessId(),
                        const wchar_t* alsoImage = nullptr);
    ~BoxAnswers();
    BoxAnswers(const BoxAnswers&) = delete;
    BoxAnswers& operator=(const BoxAnswers&) = delete;

    // Waits up to `timeoutMs` until `count` boxes were answered.
    bool WaitFor(size_t count, DWORD timeoutMs = 20000);
    // Stops answering; the boxes answered so far, in order.
    std::vector<gui::MessageBoxContent> Finish();

private:
    static DWORD WINAPI Run(void* self);
    void AnswerOnce();

    std::vector<std::wstring> yesTexts_;
    DWORD pid_;
    std::wstring alsoImage_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<gui::MessageBoxContent> boxes_;
};

// The process ids of the running processes whose executable is named `image`.
std::vector<DWORD> ProcessesNamed(const wchar_t* image);

// Waits until a process named `image` has appeared (up to `appearMs`) and
// every such process has ended (up to `endMs`). False on a time-out.
bool WaitForProcessNamedToEnd(const wchar_t* image, DWORD appearMs, DWORD endMs);

// Makes `link` a directory link to `target`: a junction where Windows supports
// one; under Wine, which has none, a Unix symbolic link, which Wine reports as
// a reparse point just the same. True when `link` exists afterwards.
bool MakeDirectoryLink(const std::string& link, const std::string& target);

// Removes the link `link` without touching what it points to.
void RemoveDirectoryLink(const std::string& link);

// The system's delayed file operations (source, target pairs in the
// registry's "\??\C:\..." form; an empty target means delete).
std::vector<std::pair<std::wstring, std::wstring>> PendingFileOperations();

// True when a delayed deletion names `path` (compared without regard to case).
bool DeletionPendingFor(const std::string& path);

// Takes every delayed operation whose source is `path` off the list again.
void ForgetPendingOperations(const std::string& path);

// The message texts as the installer shows them.
std::wstring MessageText(int id);

}  // namespace uninstallkit
