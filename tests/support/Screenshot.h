// Screenshots of what the tests drive, written as PNG for people to look at.
#pragma once

#include <windows.h>

#include <string>

namespace gui {

// The whole screen, or only `window` (with its frame) when given.
bool SaveScreenshot(const std::wstring& pngPath, HWND window = nullptr);

// Saves `window` (or the whole screen) as `name` in ScreenshotDir(), once the
// window's queue is drained and `settleMs` more have passed for painting.
bool SaveShot(const std::wstring& name, HWND window = nullptr, DWORD settleMs = 0);

// Where screenshots go: %SHOT_DIR% when set (a Windows path), else the
// "screenshots" folder beside the test programs. Created when missing.
std::wstring ScreenshotDir();

}  // namespace gui
