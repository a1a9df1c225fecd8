// An open registry key, closed when its owner goes.
#pragma once

#include <windows.h>

#include "win/ScopedHandle.h"

struct RegKeyTraits : NullIsNone<HKEY> {
    static void Release(Handle handle) { RegCloseKey(handle); }
};
using RegKey = ScopedHandle<RegKeyTraits>;
