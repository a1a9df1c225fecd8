#pragma once

#include <windows.h>

// Runs the whole program: start-up, then the main window until it ends.
int TandrelMain(HINSTANCE module);
