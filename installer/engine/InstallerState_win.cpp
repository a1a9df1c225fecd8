#include "engine/InstallerState_win.h"

InstallerState g_installer;
