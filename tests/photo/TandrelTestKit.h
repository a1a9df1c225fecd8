// What the tests that drive the real Tandrel.exe share: its window titles,
// "TDR.ini" in the Windows directory, and a fixture that starts Tandrel on a
// clean settings file and finds its main window.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "engine/ImageDoc_win.h"
#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace tandrelkit {

extern const wchar_t kMainTitle[];
extern const wchar_t kDialogClass[];

// The view's title for a picture shown `width` by `height`.
std::wstring ViewTitle(int width, int height);

std::wstring SettingsPath();
// A number of the settings file; -99 when absent.
int ReadSetting(const wchar_t* key);
// A text of the settings file; "<absent>" when absent.
std::wstring ReadSettingText(const wchar_t* key);

int SliderPosition(HWND dialog, int id);

// The view has closed a lasso region: it renames the selection button first
// and enables the effect buttons after, so a test waits for all three.
bool SelectionClosed(HWND main);

// Ends a document opened in process the way the main window does: its view
// (the view thread must end), then the document itself.
void CloseDocument(std::unique_ptr<ImageDoc>& doc);

// The copy of Tandrel that the one of process `oldPid` started on its way
// out ("閉じる", "保存して閉じる"): its main window, and the copy as a process
// that is ended with the test if it still runs.
struct FreshCopy {
    HWND main = nullptr;
    gui::Process process;
};
FreshCopy WaitForFreshCopy(DWORD oldPid);

// Tandrel.exe started from a scratch folder, with no settings file before
// or after the test, and the real pointer kept off every window so that only
// the test's own mouse messages reach them.
class TandrelGui : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes the settings file with `lines` in its section.
    void WriteSettings(const std::string& lines);
    // Starts Tandrel.exe with `arguments` and waits for its main window.
    void Start(const std::wstring& arguments = L"");
    HWND WaitForView(int width, int height, DWORD timeoutMs = 10000);
    // The picture named on the command line is opened after the main window
    // shows: true once its load has ended in the main window, which has the
    // activation back from the view.
    bool WaitForPictureOpened(DWORD timeoutMs = 10000);
    // Presses "ソフト設定" and waits for the settings dialog.
    HWND OpenSettings();
    // Closes the main window; Tandrel must end with exit code 0.
    void CloseMain();
    // Tandrel must end (by what the test did) with exit code 0.
    void ExpectExit();

    testfiles::ScratchDir work_{L"tandrel"};
    gui::Process tandrel_;
    HWND main_ = nullptr;
};

}  // namespace tandrelkit
