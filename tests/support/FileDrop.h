// Dropping files on a window of another process, as the shell does after a
// drag from a folder: only a window that accepts dropped files receives them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace gui {

// Delivers WM_DROPFILES carrying `files` to `window`, with the drop memory
// made inside the window's process. False when the window does not accept
// dropped files (the system would not deliver the drop) or the memory could
// not be made.
bool DropFiles(HWND window, const std::vector<std::wstring>& files, POINT at = {10, 10});

}  // namespace gui
