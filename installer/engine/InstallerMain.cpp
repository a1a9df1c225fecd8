#include "engine/InstallerMain.h"

#include "resources/resource.h"
#include "ui/Messages.h"

int InstallerMain(HINSTANCE instance, const char* arguments) {
    SetMessageModule(instance);
    if (arguments[0] != '\0') {
        ShowError(nullptr, MSG_FATAL_ERROR, 0);
    }
    return 0;
}
