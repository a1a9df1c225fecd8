// Starting a program with the rights of the user at the desktop rather than
// the installer's own, which may be an administrator's elevated ones.
#pragma once

// Asks the desktop's shell (the Explorer process of the user logged on) to
// start `file` with `parameters` in `directory`. True when the shell took the
// request; it reports a failure to start in its own box. False when there is
// no such shell to ask (another shell, a session without a desktop, Wine
// without its desktop's shell view): the caller then starts the program
// itself.
bool StartFromDesktopShell(const char* file, const char* parameters, const char* directory);
