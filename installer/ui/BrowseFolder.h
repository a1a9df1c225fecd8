// The shell's folder browser, for choosing the install directory.
#pragma once

#include <windows.h>

#include <cstddef>

// Capacity of the path buffer BrowseForFolder reads and writes.
constexpr size_t kBrowsePathCapacity = 256;

// Shows the browser owned by `owner` with `title` above the tree, rooted at
// the desktop, offering file-system folders only, with the folder in `path`
// selected at the start. True when a folder was chosen: `path` then holds its
// path. False, `path` unchanged, when the browser was cancelled or the chosen
// folder's path does not fit in `path`.
bool BrowseForFolder(HWND owner, char (&path)[kBrowsePathCapacity], const char* title);
