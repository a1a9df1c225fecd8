// The command line of Tandrel names at most the picture to open. Free of
// windows.h: the arguments come in the ANSI code page, as the C library's
// option parser wants them, and the caller maps the answer back to the wide
// arguments.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// The file named on the command line.
struct CommandLineInput {
    enum Kind {
        None,      // nothing to open
        Option,    // `value` of the last -o, in the ANSI code page
        Argument,  // the first argument (argv[1]) unchanged, as no option was seen
    };
    Kind kind = None;
    std::string value;
};

// Parses with getopt and the options "s:r:pPcCo:fna" in GNU fashion (bare
// arguments may stand anywhere unless POSIXLY_CORRECT is set; "--" ends the
// options). Every option seen, unknown ones included, rules out argv[1].
// `arguments` includes the program's name; it is not changed.
CommandLineInput ParseCommandLine(const std::vector<std::string>& arguments);

// "file:///<program's directory>/help/index.html" with forward slashes, from
// the program's full path; the directory is what stands before the last
// separator (empty when there is none). False when it does not fit.
bool BuildHelpUrl(const wchar_t* programPath, wchar_t* url, size_t capacity);
