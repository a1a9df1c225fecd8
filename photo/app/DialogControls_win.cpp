#include "app/DialogControls_win.h"

#include <commctrl.h>

#include <cwchar>
#include <string>

#include "app/OutputName.h"
#include "resources/resource.h"
#include "settings/Settings.h"
#include "win/Strings.h"

namespace {

// Controls with a tip, in the order the tips are registered; the main window
// and the settings dialog share the table, and an id a dialog lacks adds
// nothing.
const int kTooltipIds[] = {
    IDC_BROWSE,         IDC_OUTPUT_NAME,
    IDC_APPLY_MOSAIC,   IDC_REMOVE_EFFECTS,
    IDC_APPLY_BLUR,     IDC_WATERMARK_ON,
    IDC_COPYRIGHT_ON,   IDC_SETTINGS,
    IDC_SIZE_NONE,      IDC_SIZE_SMALL,
    IDC_SIZE_MIDDLE,    IDC_SIZE_LARGE,
    IDC_SIZE_DESKTOP,   IDC_OUTPUT_FILE_BASE,
    IDC_WATERMARK_TEXT, IDC_COPYRIGHT_TEXT,
    IDC_WATERMARK_SIZE, IDC_COPYRIGHT_SIZE,
    IDC_SELECT_REGION,  IDC_EFFECT_SIZE,
    IDC_ROTATE_NONE,    IDC_ROTATE_RIGHT,
    IDC_ROTATE_LEFT,    IDC_ROTATE_180,
    IDC_SHOW_HELP,      IDC_TRIM,
    IDC_SAVE_SETTINGS,  IDC_KEEP_SIZE_AFTER_TRIM,
    IDC_SAVE_AND_CLOSE, IDC_CLOSE_FILE,
    IDC_OUTPUT_FORMAT,  IDC_SMALL_SIZE,
    IDC_MIDDLE_SIZE,    IDC_LARGE_SIZE,
    IDC_SAVE_AND_EXIT,  IDC_EXIT,
    IDC_SETTINGS_APPLY, IDC_SETTINGS_CANCEL,
    IDC_JPEG_QUALITY,   IDC_KEEP_SHOOTING_DATA,
};
constexpr int kTooltipCount = sizeof(kTooltipIds) / sizeof(kTooltipIds[0]);
constexpr int kTooltipTextCapacity = 1024;

// The tip texts stay for the life of the process (the tooltip windows of both
// dialogs read the same texts).
wchar_t tooltipTexts[kTooltipCount][kTooltipTextCapacity];

void SetSizeCaption(HWND dialog, int id, UINT formatId, int pixels) {
    wchar_t text[64];
    std::swprintf(text, 64, ResourceString(formatId).c_str(), pixels);
    SetDlgItemTextW(dialog, id, text);
}

}  // namespace

void SetupSlider(HWND dialog,
                 int sliderId,
                 int labelId,
                 int value,
                 int min,
                 int max,
                 const wchar_t* prefix,
                 const wchar_t* suffix) {
    HWND slider = GetDlgItem(dialog, sliderId);
    SendMessageW(slider, TBM_SETRANGE, TRUE, MAKELPARAM(min, max));
    SendMessageW(slider, TBM_SETPOS, TRUE, value);
    SetSliderLabel(dialog, labelId, prefix, value, suffix);
}

void SetSliderLabel(HWND dialog, int labelId, const wchar_t* prefix, int value, const wchar_t* suffix) {
    wchar_t text[kShellTextCapacity];
    std::swprintf(text, kShellTextCapacity, L"%ls:%d%ls", prefix ? prefix : L"", value, suffix ? suffix : L"");
    SetDlgItemTextW(dialog, labelId, text);
}

void SetSizeCaptions(HWND mainWnd, const Settings& settings) {
    SetSizeCaption(mainWnd, IDC_SIZE_SMALL, IDS_SIZE_SMALL_FORMAT, settings.zoomSizeSmall);
    SetSizeCaption(mainWnd, IDC_SIZE_MIDDLE, IDS_SIZE_MIDDLE_FORMAT, settings.zoomSizeMiddle);
    SetSizeCaption(mainWnd, IDC_SIZE_LARGE, IDS_SIZE_LARGE_FORMAT, settings.zoomSizeLarge);
}

void CreateTooltips(HWND dialog, HINSTANCE module) {
    HWND tooltip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, dialog, nullptr, module, nullptr);
    if (!tooltip) {
        return;
    }
    for (int i = 0; i < kTooltipCount; ++i) {
        HWND control = GetDlgItem(dialog, kTooltipIds[i]);
        if (!control) {
            continue;
        }
        tooltipTexts[i][0] = L'\0';
        LoadStringW(module, kTooltipIds[i], tooltipTexts[i], kTooltipTextCapacity);
        TOOLINFOW tool = {};
        tool.cbSize = sizeof(tool);
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = control;
        tool.uId = static_cast<UINT_PTR>(kTooltipIds[i]);
        GetClientRect(control, &tool.rect);
        tool.lpszText = tooltipTexts[i];
        SendMessageW(tooltip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    }
}
