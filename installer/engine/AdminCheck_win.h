// Whether the user running the installer is an administrator.
#pragma once

// True when the token of the current thread (or, when it does not
// impersonate, of the process) lists BUILTIN\Administrators among its groups,
// enabled or not. Any failure of the token functions gives false. Shows no
// message.
bool IsUserAdministrator();
