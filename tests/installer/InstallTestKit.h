// What the install tests inspect on the machine after an install: shortcut
// files read back through the shell, registry values in the order they were
// written, profile keys, file times; and the clean-up of what an install left.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "support/GuiDriver.h"

namespace installkit {

// A shortcut file as the shell's link object reads it back.
struct LinkContents {
    bool loaded = false;
    std::string target, arguments, workingDirectory, description, iconPath;
    int iconIndex = 0;
};
LinkContents ReadLink(const std::string& path);

// The values of `root`\`subKey` in enumeration order (which under Wine is the
// order of writing), each with its REG_SZ text; empty when the key is absent.
using RegValues = std::vector<std::pair<std::string, std::string>>;
RegValues ReadRegValues(HKEY root, const char* subKey);
bool RegKeyExists(HKEY root, const char* subKey);
// Deletes the key with everything below it; absent is fine.
void DeleteRegTree(HKEY root, const char* subKey);

// A profile string; `fallback` when the key is absent.
std::string ReadIni(const std::string& path, const char* section, const char* key, const char* fallback = "?");

// The path of a shell folder (CSIDL value), empty when there is none.
std::string SpecialFolder(int csidl);

// Sets a file's last-write time to `secondsFromNow` seconds from now.
bool SetFileAge(const std::string& path, int secondsFromNow);
// Gives `to` exactly the last-write time of `from`.
bool CopyFileAge(const std::string& from, const std::string& to);

// Deletes a file, clearing a read-only attribute first; absent is fine.
void DeleteFileForce(const std::string& path);

// Removes a directory tree, waiting up to `timeoutMs` for a program started
// from it to end. True when it is gone.
bool RemoveTreeWaiting(const std::string& path, DWORD timeoutMs = 10000);

std::string ReadText(const std::string& path);
bool WriteText(const std::string& path, const std::string& text);
bool Exists(const std::string& path);

// The Windows directory and the temporary directory (with trailing backslash).
std::string WindowsDir();
std::string TempDir();

// One message box as it was answered.
struct AnsweredBox {
    std::wstring caption;
    std::wstring text;
    std::wstring ownerTitle;     // caption of the owner window, empty without one
    bool ownedByProgress = false;  // the owner is the copy progress dialog
};

// Answers the message boxes of process `pid` one after another with OK on a
// second thread (the code under test may show them on this one), until
// Finish. Each box is answered once, however long it takes to close.
class BoxSeries {
public:
    explicit BoxSeries(DWORD pid = GetCurrentProcessId());
    ~BoxSeries();
    BoxSeries(const BoxSeries&) = delete;
    BoxSeries& operator=(const BoxSeries&) = delete;

    // Waits up to `timeoutMs` until `count` boxes were answered.
    bool WaitFor(size_t count, DWORD timeoutMs = 10000);
    // Stops answering; the boxes answered so far.
    std::vector<AnsweredBox> Finish();

private:
    static DWORD WINAPI Run(void* self);

    DWORD pid_;
    HANDLE thread_ = nullptr;
    volatile LONG stop_ = 0;
    CRITICAL_SECTION lock_;
    std::vector<AnsweredBox> boxes_;
};

// Everything an install may leave, removed when the object goes, so a failed
// test does not spoil the next one.
class InstallLeftovers {
public:
    InstallLeftovers() = default;
    ~InstallLeftovers();
    InstallLeftovers(const InstallLeftovers&) = delete;
    InstallLeftovers& operator=(const InstallLeftovers&) = delete;

    void Directory(const std::string& path) { directories_.push_back(path); }
    void File(const std::string& path) { files_.push_back(path); }
    void Key(HKEY root, const std::string& subKey) { keys_.emplace_back(root, subKey); }

private:
    std::vector<std::string> directories_;
    std::vector<std::string> files_;
    std::vector<std::pair<HKEY, std::string>> keys_;
};

}  // namespace installkit
