#include "app/CommandLine.h"

#include <getopt.h>

#include <cwchar>

namespace {
const char kOptions[] = "s:r:pPcCo:fna";
// getopt_long permutes in the GNU manner with the MinGW runtime as with glibc,
// where the plain getopt of MinGW stops at the first bare argument.
const struct option kNoLongOptions[] = {{nullptr, 0, nullptr, 0}};
}  // namespace

CommandLineInput ParseCommandLine(const std::vector<std::string>& arguments) {
    CommandLineInput input;
    if (arguments.empty()) {
        return input;
    }
    // The parser reorders the vector it is given; it gets copies.
    std::vector<std::string> copies(arguments);
    std::vector<char*> argv;
    for (std::string& argument : copies) {
        argv.push_back(&argument[0]);
    }
    argv.push_back(nullptr);
    int argc = static_cast<int>(copies.size());

    optind = 0;  // a full restart, POSIXLY_CORRECT read anew
    opterr = 0;  // a windowed program has nowhere to show the parser's complaints
    int seen = 0;
    for (;;) {
        int option = getopt_long(argc, argv.data(), kOptions, kNoLongOptions, nullptr);
        if (option == -1) {
            break;
        }
        ++seen;
        if (option == 'o' && optarg) {
            input.kind = CommandLineInput::Option;
            input.value = optarg;
        }
    }
    if (seen == 0 && argc > 1) {
        input.kind = CommandLineInput::Argument;
        input.value = arguments[1];
    }
    return input;
}

bool BuildHelpUrl(const wchar_t* programPath, wchar_t* url, size_t capacity) {
    static const wchar_t kPrefix[] = L"file:///";
    static const wchar_t kDocument[] = L"help/index.html";
    if (!url || capacity == 0) {
        return false;
    }
    url[0] = L'\0';
    size_t directory = 0;
    for (size_t i = 0; programPath && programPath[i]; ++i) {
        if (programPath[i] == L'\\' || programPath[i] == L'/') {
            directory = i + 1;
        }
    }
    size_t prefix = std::wcslen(kPrefix);
    size_t document = std::wcslen(kDocument);
    if (prefix + directory + document + 1 > capacity) {
        return false;
    }
    size_t at = 0;
    for (size_t i = 0; i < prefix; ++i) {
        url[at++] = kPrefix[i];
    }
    for (size_t i = 0; i < directory; ++i) {
        url[at++] = programPath[i] == L'\\' ? L'/' : programPath[i];
    }
    for (size_t i = 0; i <= document; ++i) {
        url[at++] = kDocument[i];
    }
    return true;
}
