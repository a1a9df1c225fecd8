#include "app/SettingsDialog_win.h"

#include <commctrl.h>

#include "app/DialogControls_win.h"
#include "app/PendingSettings.h"
#include "app/Startup_win.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "win/Strings.h"

namespace {

constexpr int kSliderMin = 1;
constexpr int kSliderMax = kSizeLimitMax;

struct SizeSlider {
    int sliderId;
    int labelId;
    UINT prefixId;
    int PendingSettings::*pending;
};

const SizeSlider kSizeSliders[] = {
    {IDC_SMALL_SIZE, IDC_SMALL_SIZE_LABEL, IDS_SMALL_PREFIX, &PendingSettings::pendingZoomSizeSmall},
    {IDC_MIDDLE_SIZE, IDC_MIDDLE_SIZE_LABEL, IDS_MIDDLE_PREFIX, &PendingSettings::pendingZoomSizeMiddle},
    {IDC_LARGE_SIZE, IDC_LARGE_SIZE_LABEL, IDS_LARGE_PREFIX, &PendingSettings::pendingZoomSizeLarge},
};

// The main window the dialog was opened over: its size buttons take the new
// captions on Apply, and it is enabled again when the dialog closes.
HWND settingsOwner = nullptr;

HINSTANCE Module() {
    return appStartup.module ? appStartup.module : GetModuleHandleW(nullptr);
}

void InitSettingsDialog(HWND dialog) {
    CenterOnDesktop(dialog);
    FillPendingSettings(pendingSettings, gSettings);
    // The edit shows the suffix as Apply would store it: a stored suffix longer
    // than the edit holds is shown cut, not stored cut behind the user's back.
    // (Setting the text reports a change, which reads back the same text.)
    SendDlgItemMessageW(dialog, IDC_OUTPUT_FILE_BASE, EM_LIMITTEXT, kPendingTextCapacity - 1, 0);
    SetDlgItemTextW(dialog, IDC_OUTPUT_FILE_BASE, pendingSettings.pendingOutputFileBase);
    if (gSettings.saveSettings != 0) {
        CheckDlgButton(dialog, IDC_SAVE_SETTINGS, BST_CHECKED);
    }
    if (gSettings.trimSaveSize != 0) {
        CheckDlgButton(dialog, IDC_KEEP_SIZE_AFTER_TRIM, BST_CHECKED);
    }
    if (pendingSettings.pendingKeepShootingData != 0) {
        CheckDlgButton(dialog, IDC_KEEP_SHOOTING_DATA, BST_CHECKED);
    }
    for (const SizeSlider& size : kSizeSliders) {
        SetupSlider(dialog, size.sliderId, size.labelId, pendingSettings.*size.pending, kSliderMin, kSliderMax,
                    ResourceString(size.prefixId).c_str(), ResourceString(IDS_PIXEL_SUFFIX).c_str());
    }
    SetupSlider(dialog, IDC_JPEG_QUALITY, IDC_JPEG_QUALITY_LABEL, pendingSettings.pendingJpegQuality, kMinJpegQuality,
                kMaxJpegQuality, ResourceString(IDS_QUALITY_PREFIX).c_str(), L"");
    CreateTooltips(dialog, Module());
}

void Apply() {
    ApplyPendingSettings(pendingSettings, gSettings);
    if (settingsOwner) {
        SetSizeCaptions(settingsOwner, gSettings);
    }
}

void CloseSettingsDialog(HWND dialog) {
    // The main window first, so that it can take the activation back when the
    // dialog goes.
    if (settingsOwner) {
        EnableWindow(settingsOwner, TRUE);
    }
    EndDialog(dialog, 0);
}

void SliderMoved(HWND dialog, HWND slider) {
    if (slider && slider == GetDlgItem(dialog, IDC_JPEG_QUALITY)) {
        int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
        pendingSettings.pendingJpegQuality = position;
        SetSliderLabel(dialog, IDC_JPEG_QUALITY_LABEL, ResourceString(IDS_QUALITY_PREFIX).c_str(), position, L"");
        return;
    }
    for (const SizeSlider& size : kSizeSliders) {
        if (slider && slider == GetDlgItem(dialog, size.sliderId)) {
            int position = static_cast<int>(SendMessageW(slider, TBM_GETPOS, 0, 0));
            pendingSettings.*size.pending = position;
            SetSliderLabel(dialog, size.labelId, ResourceString(size.prefixId).c_str(), position,
                           ResourceString(IDS_PIXEL_SUFFIX).c_str());
            return;
        }
    }
}

void HandleSettingsCommand(HWND dialog, int id) {
    switch (id) {
        case IDC_SAVE_SETTINGS:
            pendingSettings.pendingSaveSettings = IsDlgButtonChecked(dialog, IDC_SAVE_SETTINGS) == BST_CHECKED ? 1 : 0;
            break;
        case IDC_KEEP_SHOOTING_DATA:
            pendingSettings.pendingKeepShootingData =
                IsDlgButtonChecked(dialog, IDC_KEEP_SHOOTING_DATA) == BST_CHECKED ? 1 : 0;
            break;
        case IDC_KEEP_SIZE_AFTER_TRIM:
            // Acts at once; Cancel does not take it back.
            gSettings.trimSaveSize = IsDlgButtonChecked(dialog, IDC_KEEP_SIZE_AFTER_TRIM) == BST_CHECKED ? 1 : 0;
            break;
        case IDC_OUTPUT_FILE_BASE: {
            wchar_t text[kPendingTextCapacity] = {};
            GetDlgItemTextW(dialog, IDC_OUTPUT_FILE_BASE, text, static_cast<int>(kPendingTextCapacity));
            SetPendingOutputFileBase(pendingSettings, text);
            break;
        }
        case IDC_SETTINGS_APPLY:
        case IDOK:
            Apply();
            CloseSettingsDialog(dialog);
            break;
        case IDC_SETTINGS_CANCEL:
        case IDCANCEL:
            CloseSettingsDialog(dialog);
            break;
        default:
            break;
    }
}

}  // namespace

void CenterOnDesktop(HWND window) {
    RECT desktop = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    RECT rect = {};
    GetWindowRect(window, &rect);
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    MoveWindow(window, (desktop.right - width) / 2, (desktop.bottom - height) / 2, width, height, TRUE);
    ShowWindow(window, SW_SHOW);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitSettingsDialog(dialog);
            break;
        case WM_COMMAND:
            HandleSettingsCommand(dialog, LOWORD(wParam));
            break;
        case WM_HSCROLL:
            SliderMoved(dialog, reinterpret_cast<HWND>(lParam));
            break;
        case WM_CLOSE:
            CloseSettingsDialog(dialog);
            break;
        default:
            break;
    }
    return 0;
}

void ShowSettingsDialog(HWND mainWnd) {
    settingsOwner = mainWnd;
    // No owner: the main window is already disabled, and the dialog enables it
    // again itself when it closes.
    DialogBoxParamW(Module(), MAKEINTRESOURCEW(IDD_SETTINGS), nullptr, SettingsDialogProc, 0);
    settingsOwner = nullptr;
    // A dialog that could not be made never closed to do it: the main window
    // must not stay disabled for good.
    EnableWindow(mainWnd, TRUE);
}
