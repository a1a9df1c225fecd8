// The main window's process-wide state: the window, the open picture and the
// names of the input and output files. Written on the main thread; the view
// thread reads `mainWnd` to report back to the main window.
#pragma once

#include <windows.h>

#include "app/OutputName.h"

struct ImageDoc;

struct ShellState {
    HWND mainWnd = nullptr;
    // The loaded picture, owned here: made by LoadInputFile, deleted by a
    // failed load or by the main window's close. Null while nothing is loaded.
    ImageDoc* doc = nullptr;
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
