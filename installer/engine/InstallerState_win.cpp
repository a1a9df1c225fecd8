#include "engine/InstallerState.h"

InstallerState g_installer;
