// The install options (dialog 102 for an install in place, 103 with the
// install directory), step 2 of 2 of an install. The public entry,
// ShowOptionsDialog, is declared with the other install dialogs in
// ui/Dialogs.h.
#pragma once

#include <windows.h>

#include "ui/BrowseFolder.h"
#include "ui/Dialogs.h"

// A folder browser of BrowseForFolder's shape.
using FolderBrowser = bool (*)(HWND owner, char (&path)[kBrowsePathCapacity], const char* title);

// Lets the user choose the install directory with `browse`, starting at
// `dir`. A network folder is refused (message 22) and the browser shown again
// from it, until a local folder is chosen (true, `dir` replaced) or the
// browser is cancelled (false, `dir` unchanged).
bool ChooseLocalFolder(HWND owner, char (&dir)[kBrowsePathCapacity], FolderBrowser browse);
