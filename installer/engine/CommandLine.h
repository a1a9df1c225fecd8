// The installer's command line: at most one role ("/d", "/k", "/r", "/u" or
// none for the install) and the switches for unattended runs, "/S" (or
// "/SILENT"), "/DIR=path" and "/LOG=file", in any order and any case. A value
// may be quoted, or the whole switch may be, so that it can hold blanks.
#pragma once

#include <cstddef>

enum class InstallerRole {
    Install,       // no role
    CleanUp,       // "/d": after a moving install
    Continue,      // "/k": the copy in the Windows directory
    Uninstall,     // "/r"
    PerUserRemove  // "/u"
};

// Room for a switch's value, terminating zero included: twice a path, so that
// a value too long for a path is refused by its user instead of being cut.
constexpr size_t kSwitchValueCapacity = 512;

struct CommandLine {
    InstallerRole role = InstallerRole::Install;
    bool silent = false;
    bool hasDir = false;  // "/DIR=" given, even with an empty value
    bool hasLog = false;
    char dir[kSwitchValueCapacity] = {};
    char log[kSwitchValueCapacity] = {};
    // "/d TOKEN": the token the install that started the clean-up recorded
    // beside the file it is to delete; empty when none was given.
    char token[kSwitchValueCapacity] = {};
};

// Parses `arguments` (the whole text after the program name) into `out`.
// False for anything else: an unknown word, a second role, a repeated or
// valueless switch, a value too long, an unclosed quote. Even then every
// word that was understood is in `out`, so that an unattended run that
// cannot go on still knows it is one and where to write its log.
// "/d" may be followed by one word, its token. "/d" and "/k" are matched exactly, as the installer starts them itself;
// everything else without regard to case.
bool ParseCommandLine(const char* arguments, CommandLine& out);
