// Controls the main window and the settings dialog share: sliders with their
// labels, the size buttons' captions and the tooltips.
#pragma once

#include <windows.h>

struct Settings;

// Sets the slider's range and position and writes "<prefix>:<value><suffix>"
// into its label.
void SetupSlider(HWND dialog,
                 int sliderId,
                 int labelId,
                 int value,
                 int min,
                 int max,
                 const wchar_t* prefix,
                 const wchar_t* suffix);

// "<prefix>:<value><suffix>" into the label `labelId` of a slider.
void SetSliderLabel(HWND dialog, int labelId, const wchar_t* prefix, int value, const wchar_t* suffix);

// The captions of the main window's size buttons 1027 to 1029 from the three
// preset sizes of `settings`: "小(160px)" and so on.
void SetSizeCaptions(HWND mainWnd, const Settings& settings);

// One tooltip window for `dialog`, with a tip for every control of the
// tooltip table that the dialog holds (the string resource numbered with the
// control's id).
void CreateTooltips(HWND dialog, HINSTANCE module);
