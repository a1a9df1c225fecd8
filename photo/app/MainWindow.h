// The main window (template 129): the control panel that runs for the whole
// life of the program.
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

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

// One tooltip window for `dialog`, with a tip for every control of the
// tooltip table that the dialog holds (the string resource numbered with the
// control's id).
void CreateTooltips(HWND dialog, HINSTANCE module);
