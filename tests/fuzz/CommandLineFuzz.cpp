// Tandrel's command line through the C library's option parser: any
// arguments end in a file to open or none, the same on every call (the parser
// keeps state between calls), and the help address fits its buffer or is
// refused.
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "app/CommandLine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    size_t capacity = data.ConsumeIntegralInRange<size_t>(0, 400);
    const std::wstring programPath = WideText(data, 300);
    std::vector<std::string> arguments{"Tandrel.exe"};
    while (arguments.size() < 9 && data.remaining_bytes() > 0) {
        std::string argument = data.ConsumeRandomLengthString(64);
        // Windows' arguments are C strings; a zero would end one anyway.
        arguments.emplace_back(argument.c_str());
    }

    CommandLineInput input = ParseCommandLine(arguments);
    switch (input.kind) {
        case CommandLineInput::None:
            FUZZ_CHECK(input.value.empty());
            break;
        case CommandLineInput::Argument:
            FUZZ_CHECK(arguments.size() > 1 && input.value == arguments[1]);
            break;
        case CommandLineInput::Option: {
            // The text after "-o" in one argument, or the whole next one.
            bool found = false;
            for (const std::string& argument : arguments) {
                found = found ||
                        (argument.size() >= input.value.size() &&
                         argument.compare(argument.size() - input.value.size(), input.value.size(), input.value) == 0);
            }
            FUZZ_CHECK(found);
            break;
        }
    }
    CommandLineInput again = ParseCommandLine(arguments);
    FUZZ_CHECK(again.kind == input.kind && again.value == input.value);

    std::unique_ptr<wchar_t[]> url(new wchar_t[capacity ? capacity : 1]);
    if (BuildHelpUrl(programPath.c_str(), url.get(), capacity)) {
        std::wstring text(url.get());
        FUZZ_CHECK(text.size() < capacity);
        FUZZ_CHECK(text.compare(0, 8, L"file:///") == 0);
        FUZZ_CHECK(text.size() >= 15 && text.compare(text.size() - 15, 15, L"help/index.html") == 0);
        FUZZ_CHECK(text.find(L'\\') == std::wstring::npos);
    }
    return 0;
}
