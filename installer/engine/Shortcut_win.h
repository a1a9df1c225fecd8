// Windows shortcut files, written through the shell's link object.
#pragma once

// Writes `folder`\`name`.lnk (an existing one is overwritten) starting
// `target` with `arguments` (none when empty), described by `name`. Its
// working directory is the target's directory, except for a shortcut to the
// installer itself, which gets none. With `iconIndex` 0 or more the icon is
// number `iconIndex` of `iconPath`, or of the target when `iconPath` is
// empty; below 0 no icon is stored. True when the file was saved; shows no
// message.
bool CreateShortcut(const char* target,
                    const char* arguments,
                    const char* folder,
                    const char* name,
                    const char* iconPath,
                    int iconIndex);
