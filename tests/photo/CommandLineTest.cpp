#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/CommandLine.h"

namespace {

void SetPosixlyCorrect(bool on) {
#ifdef _WIN32
    _putenv_s("POSIXLY_CORRECT", on ? "1" : "");
#else
    if (on) {
        setenv("POSIXLY_CORRECT", "1", 1);
    } else {
        unsetenv("POSIXLY_CORRECT");
    }
#endif
}

struct Case {
    std::vector<std::string> arguments;  // after the program's name
    bool posixlyCorrect;
    CommandLineInput::Kind kind;
    const char* value;
};

TEST(ParseCommandLine, FindsTheInputFileAsTheStartupRulesSay) {
    using K = CommandLineInput;
    const Case cases[] = {
        {{}, false, K::None, ""},
        {{"photo.jpg"}, false, K::Argument, "photo.jpg"},
        {{"a.jpg", "b.jpg"}, false, K::Argument, "a.jpg"},
        {{"-o", "photo.jpg"}, false, K::Option, "photo.jpg"},
        {{"-ophoto.jpg"}, false, K::Option, "photo.jpg"},
        // Options after a bare argument are still found, unless POSIXLY_CORRECT.
        {{"photo.jpg", "-o", "other.jpg"}, false, K::Option, "other.jpg"},
        {{"photo.jpg", "-o", "other.jpg"}, true, K::Argument, "photo.jpg"},
        // Any option seen, known or not, rules out the bare argument.
        {{"photo.jpg", "-s", "m"}, false, K::None, ""},
        {{"photo.jpg", "-x"}, false, K::None, ""},
        {{"photo.jpg", "--long"}, false, K::None, ""},
        {{"-n"}, false, K::None, ""},
        {{"-pPcCfna", "photo.jpg"}, false, K::None, ""},
        {{"-o", "a.jpg", "-o", "b.jpg"}, false, K::Option, "b.jpg"},
        {{"-r", "-o", "a.jpg"}, false, K::None, ""},  // "-o" is -r's argument
        {{"-o"}, false, K::None, ""},
        {{"photo.jpg", "-o"}, false, K::None, ""},
        // "--" ends the options with none seen: argv[1] is "--" itself.
        {{"--", "photo.jpg"}, false, K::Argument, "--"},
        {{"-", "photo.jpg"}, false, K::Argument, "-"},
        {{"-o", "\x83\x74\x83\x40\x83\x43\x83\x8b.jpg"}, false, K::Option, "\x83\x74\x83\x40\x83\x43\x83\x8b.jpg"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{"Tandrel.exe"};
        argv.insert(argv.end(), c.arguments.begin(), c.arguments.end());
        const std::vector<std::string> before = argv;
        SetPosixlyCorrect(c.posixlyCorrect);
        CommandLineInput input = ParseCommandLine(argv);
        SetPosixlyCorrect(false);
        std::string shown;
        for (const std::string& a : c.arguments) {
            shown += "[" + a + "]";
        }
        EXPECT_EQ(input.kind, c.kind) << shown << (c.posixlyCorrect ? " POSIXLY_CORRECT" : "");
        EXPECT_EQ(input.value, c.value) << shown;
        EXPECT_EQ(argv, before) << "the caller's arguments keep their order";
    }
}

TEST(ParseCommandLine, TakesArgumentsOfAnyLength) {
    std::string longName(5000, 'x');
    EXPECT_EQ(ParseCommandLine({"Tandrel.exe", "-o", longName}).value, longName);
    EXPECT_EQ(ParseCommandLine({"Tandrel.exe", longName}).value, longName);
    EXPECT_EQ(ParseCommandLine({}).kind, CommandLineInput::None);
}

TEST(BuildHelpUrl, PointsBesideTheProgramWithForwardSlashes) {
    struct {
        const wchar_t* program;
        const wchar_t* url;
    } cases[] = {
        {L"C:\\Tools\\Tandrel\\Tandrel.exe", L"file:///C:/Tools/Tandrel/help/index.html"},
        // A renamed program still finds its help.
        {L"C:\\Tools\\Tandrel\\Tandrel201.exe", L"file:///C:/Tools/Tandrel/help/index.html"},
        {L"D:/a b/T.exe", L"file:///D:/a b/help/index.html"},
        {L"Tandrel.exe", L"file:///help/index.html"},
        {L"", L"file:///help/index.html"},
    };
    for (const auto& c : cases) {
        wchar_t url[1024];
        ASSERT_TRUE(BuildHelpUrl(c.program, url, 1024)) << c.program;
        EXPECT_EQ(std::wstring(url), c.url);
    }
    wchar_t small[24];
    EXPECT_FALSE(BuildHelpUrl(L"C:\\Tools\\Tandrel\\Tandrel.exe", small, 24));
    EXPECT_EQ(small[0], L'\0');
}

}  // namespace
