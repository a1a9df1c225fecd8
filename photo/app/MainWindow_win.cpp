#include "app/MainWindow_win.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

#include "app/Commands_win.h"
#include "app/DialogControls_win.h"
#include "app/ShellState_win.h"
#include "app/Startup_win.h"
#include "engine/ImageDoc_win.h"
#include "engine/Preload_win.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "settings/SettingsStore_win.h"
#include "win/Strings.h"

namespace {

// Height of the format list with its drop-down open, in pixels.
constexpr int kFormatListHeight = 100;

const wchar_t* const kFormatEntries[] = {L"jpg", L"bmp", L"png", L"gif"};

const wchar_t* SettingsDir() {
    return appStartup.windowsDir[0] != L'\0' ? appStartup.windowsDir : nullptr;
}

void FillFormatList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_OUTPUT_FORMAT);
    for (int i = 0; i < 4; ++i) {
        SendMessageW(list, CB_INSERTSTRING, i, reinterpret_cast<LPARAM>(kFormatEntries[i]));
    }
    // A combo box's window height is that of its open drop-down; the template's
    // 14 units would show no entries. Left edge, top and width stay.
    RECT rect = {};
    GetWindowRect(list, &rect);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    MoveWindow(list, rect.left, rect.top, rect.right - rect.left, kFormatListHeight, TRUE);
}

void InitMainWindow(HWND window) {
    LoadSaveFlag(gSettings, SettingsDir());
    LoadSettings(gSettings, gSettings.saveSettings == 0, SettingsDir());
    DragAcceptFiles(window, TRUE);

    if (gSettings.callScreen != 0) {
        CheckDlgButton(window, IDC_WATERMARK_ON, BST_CHECKED);
    }
    if (gSettings.cUnderRight != 0) {
        CheckDlgButton(window, IDC_COPYRIGHT_ON, BST_CHECKED);
    }
    SetDlgItemTextW(window, IDC_WATERMARK_TEXT, gSettings.callScreenString);
    SetDlgItemTextW(window, IDC_COPYRIGHT_TEXT, gSettings.cUnderRightString);
    SetWindowTextW(window, ResourceString(IDS_MAIN_CAPTION).c_str());
    shellState.inputFile[0] = L'\0';
    shellState.outputPath[0] = L'\0';

    const std::wstring textSize = ResourceString(IDS_TEXT_SIZE_PREFIX);
    const std::wstring effectSize = ResourceString(IDS_EFFECT_SIZE_PREFIX);
    SetupSlider(window, IDC_WATERMARK_SIZE, IDC_WATERMARK_SIZE_LABEL, gSettings.fAllScreen, 1, kWatermarkSizeMax,
                textSize.c_str(), L"");
    SetupSlider(window, IDC_COPYRIGHT_SIZE, IDC_COPYRIGHT_SIZE_LABEL, gSettings.fUnderRight, 1, kCopyrightSizeMax,
                textSize.c_str(), L"");
    SetupSlider(window, IDC_EFFECT_SIZE, IDC_EFFECT_SIZE_LABEL, gSettings.effectSize, 1, kEffectSizeMax,
                effectSize.c_str(), L"");

    SetSizeCaptions(window, gSettings);

    // The path is shown, never edited.
    EnableWindow(GetDlgItem(window, IDC_INPUT_PATH), FALSE);
    UpdateControls(window);
    FillFormatList(window);

    if (appStartup.inputTooLong) {
        MessageBoxW(window, ResourceString(IDS_DROP_PATH_TOO_LONG).c_str(), ResourceString(IDS_ERROR_CAPTION).c_str(),
                    MB_OK | MB_ICONERROR);
    } else if (appStartup.inputGiven == 1) {
        SetDlgItemTextW(window, IDC_INPUT_STATUS, ResourceString(IDS_FILE_LOADING).c_str());
        // Another file is chosen only if this one does not open.
        EnableWindow(GetDlgItem(window, IDC_BROWSE), FALSE);
        PostMessageW(window, kOpenStartupPictureMessage, 0, 0);
    }
    CreateTooltips(window, appStartup.module ? appStartup.module : GetModuleHandleW(nullptr));

    // The default button takes the focus once the window shows, so that Enter
    // saves and exits (the first control in tab order would be Browse).
    PostMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(window, IDC_SAVE_AND_EXIT)), TRUE);
}

// The picture named on the command line, once the main window shows: the
// wait for its decoding then shows as the status line, not as a program that
// has not started. (A dialog box shows itself only when its queue first runs
// empty, after this message.)
void OpenStartupPicture(HWND window) {
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    std::wcsncpy(shellState.inputFile, appStartup.inputPath, kShellTextCapacity - 1);
    shellState.inputFile[kShellTextCapacity - 1] = L'\0';
    LoadInputFile(window, appStartup.inputPath);
    // Refused before it was opened (its output name too long, say).
    DiscardPreload();
    if (!shellState.doc) {
        SetDlgItemTextW(window, IDC_INPUT_STATUS, ResourceString(IDS_INPUT_PROMPT).c_str());
        UpdateControls(window);
        return;
    }
    // The view took the activation when it showed; the controls are here.
    SetForegroundWindow(window);
}

void CloseMain(HWND window) {
    bool viewEnded = !shellState.doc || shellState.doc->CloseView();
    SaveSettings(gSettings, SettingsDir());
    // A view thread that is somehow still running may yet touch the document:
    // leave it to the end of the process, moments away, rather than free it
    // under that thread.
    if (viewEnded) {
        shellState.doc.reset();
    } else {
        shellState.doc.release();
    }
    // Only now that this copy's choices are in TDR.ini: a fresh copy started
    // earlier would read the file before them (or while it is rewritten) and
    // write what it read back over them when it ends.
    if (shellState.freshCopyOnClose) {
        shellState.freshCopyOnClose = false;
        StartFreshCopy(window);
    }
    EndDialog(window, 0);
}

// Each slider changes its setting when its position differs from the stored
// value (the store reads values beyond the slider's range as their defaults).
void SliderMoved(HWND window, HWND slider) {
    if (!slider) {
        return;
    }
    int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
    if (slider == GetDlgItem(window, IDC_EFFECT_SIZE)) {
        if (position != gSettings.effectSize) {
            // Nothing to redraw: the next mosaic or blur takes the new size.
            gSettings.effectSize = position;
            SetSliderLabel(window, IDC_EFFECT_SIZE_LABEL, ResourceString(IDS_EFFECT_SIZE_PREFIX).c_str(), position,
                           L"");
        }
    } else if (slider == GetDlgItem(window, IDC_WATERMARK_SIZE)) {
        if (position != gSettings.fAllScreen) {
            gSettings.fAllScreen = position;
            SetSliderLabel(window, IDC_WATERMARK_SIZE_LABEL, ResourceString(IDS_TEXT_SIZE_PREFIX).c_str(), position,
                           L"");
            RedrawWatermark();
            if (shellState.doc && gSettings.callScreen) {
                shellState.doc->MarkModified();
            }
        }
    } else if (slider == GetDlgItem(window, IDC_COPYRIGHT_SIZE)) {
        if (position != gSettings.fUnderRight) {
            gSettings.fUnderRight = position;
            SetSliderLabel(window, IDC_COPYRIGHT_SIZE_LABEL, ResourceString(IDS_TEXT_SIZE_PREFIX).c_str(), position,
                           L"");
            RedrawCopyright();
            if (shellState.doc && gSettings.cUnderRight) {
                shellState.doc->MarkModified();
            }
        }
    }
}

void FilesDropped(HWND window, HDROP drop) {
    // Only one picture per run: once one is loaded the window stops taking
    // drops, and a drop that arrives all the same is only released.
    UINT count = shellState.doc ? 0 : DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    if (count >= 1) {
        UINT length = DragQueryFileW(drop, 0, nullptr, 0);
        if (length >= kShellTextCapacity) {
            // A cut path names another file; say so instead.
            MessageBoxW(window, ResourceString(IDS_DROP_PATH_TOO_LONG).c_str(),
                        ResourceString(IDS_ERROR_CAPTION).c_str(), MB_OK | MB_ICONERROR);
        } else {
            DragQueryFileW(drop, 0, shellState.inputFile, static_cast<UINT>(kShellTextCapacity));
            LoadInputFile(window, shellState.inputFile);
        }
    }
    if (drop) {
        DragFinish(drop);
    }
}

}  // namespace

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    shellState.mainWnd = window;
    switch (message) {
        case WM_INITDIALOG:
            InitMainWindow(window);
            return FALSE;  // the focus is set already
        case WM_CLOSE:
            if (ConfirmLeave(window)) {
                CloseMain(window);
            }
            return TRUE;
        case kOpenStartupPictureMessage:
            OpenStartupPicture(window);
            return TRUE;
        case kCloseNowMessage:
            CloseMain(window);
            return TRUE;
        case WM_COMMAND:
            return HandleCommand(window, LOWORD(wParam));
        case WM_HSCROLL:
            SliderMoved(window, reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DROPFILES:
            FilesDropped(window, reinterpret_cast<HDROP>(wParam));
            return TRUE;
        case kDocEventMessage:
            HandleDocEvent(window, wParam);
            return TRUE;
        default:
            return FALSE;
    }
}
