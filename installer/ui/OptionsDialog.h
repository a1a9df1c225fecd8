// The install options (dialog 102 for an install in place, 103 with the
// install directory), step 2 of 2 of an install.
#pragma once

#include <windows.h>

#include "engine/InstallFlow_win.h"
#include "ui/BrowseFolder.h"
#include "ui/Dialogs.h"

struct OptionsDialogData {
    // In: the caption, followed by " (2/2)" when the document came first.
    const char* title = "";
    bool afterDocument = false;
    // In: dialog 103, which asks for the install directory, rather than 102.
    bool asksInstallDir = false;
    // In: whether the product is installed in a directory already; the
    // caption then says that installing there updates it.
    bool (*installedIn)(const char* dir) = nullptr;
    // In: what the setup file offers. Out, after OK: what the user chose
    // (boxes 0 or 1, a directory that passed ValidateInstallDir).
    InstallOptions options;
};

// Shows the options owned by `owner`. True when the user pressed OK with
// valid input, `data.options` then holding the choice; false when cancelled,
// `data` unchanged.
bool ShowOptionsDialog(HWND owner, OptionsDialogData& data);

// A folder browser of BrowseForFolder's shape.
using FolderBrowser = bool (*)(HWND owner, char (&path)[kBrowsePathCapacity], const char* title);

// Lets the user choose the install directory with `browse`, starting at
// `dir`. A network folder is refused (message 22) and the browser shown again
// from it, until a local folder is chosen (true, `dir` replaced) or the
// browser is cancelled (false, `dir` unchanged).
bool ChooseLocalFolder(HWND owner, char (&dir)[kBrowsePathCapacity], FolderBrowser browse);
