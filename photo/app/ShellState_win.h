// The main window's process-wide state: the window, the open picture and the
// names of the input and output files. Main thread only: the view posts its
// events to the main window instead.
#pragma once

#include <windows.h>

#include <memory>

#include "app/OutputName.h"
#include "engine/ImageDoc_win.h"

struct ShellState {
    HWND mainWnd = nullptr;
    // The loaded picture: made by LoadInputFile, ended by the main window's
    // close. Null while nothing is loaded.
    std::unique_ptr<ImageDoc> doc;
    wchar_t inputFile[kShellTextCapacity] = {};   // path of the last load
    wchar_t outputPath[kShellTextCapacity] = {};  // composed output path
    wchar_t outputDir[kShellTextCapacity] = {};   // with its trailing separator
    wchar_t outputName[kShellTextCapacity] = {};  // without extension; edit 1002
    wchar_t outputExt[kShellTextCapacity] = {};   // "." + format name, at save time
    // Set by "閉じる" and "保存して閉じる": the close sequence starts a fresh
    // copy of the program once it has saved the settings.
    bool freshCopyOnClose = false;
};

extern ShellState shellState;
