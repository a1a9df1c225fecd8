#include "app/ShellState.h"

ShellState shellState;
