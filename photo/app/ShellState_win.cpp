#include "app/ShellState_win.h"

ShellState shellState;
