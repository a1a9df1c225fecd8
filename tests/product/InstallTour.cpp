// A guided run of the distribution for "scripts/run install" on a machine
// without a display: installs with Setup.exe as a user would (Next, OK, OK),
// closes the Tandrel that the installer starts, then starts the installed
// Tandrel on a picture, leaving a screenshot of every step.
//
//   product_install_tour SETUP_EXE PICTURE SHOT_DIR
//
// Exit code 0 when every step was seen, 1 otherwise (the message says which).
#include <windows.h>

#include <cstdio>
#include <string>

#include "support/GuiDriver.h"
#include "support/Screenshot.h"

namespace {

const wchar_t kDialogClass[] = L"#32770";

// What a dialog of another process must be like to be the one looked for.
struct Wanted {
    DWORD pid;           // 0: any process but the tour's
    std::wstring title;  // the whole title, or a part of it
    bool wholeTitle;
    bool messageBox;
};

// The installer shows its completion box and starts Tandrel from processes
// whose ids the tour never learns, so any process may do.
HWND WaitFor(const Wanted& wanted, DWORD timeoutMs = 15000) {
    return gui::WaitForWindowWhere(
        [&](HWND window) {
            DWORD pid = gui::ProcessOf(window);
            if ((wanted.pid ? pid != wanted.pid : pid == GetCurrentProcessId()) ||
                gui::ClassOf(window) != kDialogClass || gui::IsMessageBox(window) != wanted.messageBox) {
                return false;
            }
            std::wstring title = gui::WindowText(window);
            return wanted.wholeTitle ? title == wanted.title : title.find(wanted.title) != std::wstring::npos;
        },
        timeoutMs);
}

class Tour {
public:
    explicit Tour(std::wstring shotDir) : shotDir_(std::move(shotDir)) {}

    bool Step(HWND window, const char* what, const wchar_t* shot) {
        if (!window) {
            std::fprintf(stderr, "install tour: %s did not appear\n", what);
            return false;
        }
        gui::Sync(window);
        Sleep(400);
        gui::SaveScreenshot(shotDir_ + L"\\" + shot, window);
        std::printf("install tour: %s\n", what);
        return true;
    }

private:
    std::wstring shotDir_;
};

int RunTour(const std::wstring& setup, const std::wstring& picture, const std::wstring& shotDir) {
    Tour tour(shotDir);
    std::wstring setupDir = setup.substr(0, setup.find_last_of(L'\\'));
    wchar_t title[128] = {};
    GetPrivateProfileStringW(L"Install", L"Title", L"", title, 128, (setupDir + L"\\Setup.inf").c_str());

    gui::Process installer = gui::StartProgram(setup, L"", setupDir);
    if (!installer.Started()) {
        std::fprintf(stderr, "install tour: cannot start %ls\n", setup.c_str());
        return 1;
    }
    HWND document = gui::WaitForWindow(installer.Id(), kDialogClass, (std::wstring(title) + L" (1/2)").c_str());
    if (!tour.Step(document, "the author's document", L"install-1-document.png")) {
        return 1;
    }
    gui::PressButton(document, IDOK);
    HWND options = gui::WaitForWindow(installer.Id(), kDialogClass, (std::wstring(title) + L" (2/2)").c_str());
    if (!tour.Step(options, "the options", L"install-2-options.png")) {
        return 1;
    }
    gui::PressButton(options, IDOK);
    HWND done = WaitFor({0, title, true, true}, 30000);
    if (!tour.Step(done, "the completion message", L"install-3-complete.png")) {
        return 1;
    }
    gui::PressButton(done, IDOK);
    installer.WaitForExit(15000);

    // The installer starts the installed Tandrel; the tour starts it again
    // on a picture.
    HWND started = WaitFor({0, L"Tandrel ver.", false, false});
    if (!tour.Step(started, "Tandrel started by the installer", L"install-4-started.png")) {
        return 1;
    }
    std::wstring installed = gui::ProgramOf(started);
    PostMessageW(started, WM_CLOSE, 0, 0);
    gui::WaitUntil([&] { return !IsWindow(started); }, 10000);

    gui::Process tandrel = gui::StartProgram(installed, L"\"" + picture + L"\"");
    HWND main = WaitFor({tandrel.Id(), L"Tandrel ver.", false, false});
    HWND view = WaitFor({tandrel.Id(), L"px × ", false, false});
    if (!tour.Step(main, "the installed Tandrel", L"install-5-tandrel.png") ||
        !tour.Step(view, "its view of the picture", L"install-6-view.png")) {
        return 1;
    }
    std::printf("install tour: installed as %ls\n", installed.c_str());
    PostMessageW(main, WM_CLOSE, 0, 0);
    tandrel.WaitForExit(15000);
    return 0;
}

}  // namespace

// MinGW's start-up code calls it; unlike main it has no declaration of its own.
int wmain(int argc, wchar_t** argv);

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: product_install_tour SETUP_EXE PICTURE SHOT_DIR\n");
        return 2;
    }
    return RunTour(argv[1], argv[2], argv[3]);
}
