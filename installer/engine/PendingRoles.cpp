// Stand-ins for the roles whose flows are built later: the install itself,
// the "/d" clean-up, the uninstall roles and the install dialogs. Each later
// piece of work moves its role into its own file (engine/InstallFlow.cpp,
// engine/UninstallFlow.cpp, ui/Dialogs*.cpp) and deletes the stand-in here.
//
// The uninstall stand-ins already take the first, user-visible steps of their
// flows (load the uninstall keys, confirm) and stop before removing anything.
#include <windows.h>

#include "engine/InstallFlow.h"
#include "engine/InstallerState.h"
#include "engine/SetupInfo.h"
#include "engine/UninstallFlow.h"
#include "resources/resource.h"
#include "ui/Dialogs.h"
#include "ui/Messages.h"
