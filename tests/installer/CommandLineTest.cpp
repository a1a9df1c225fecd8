#include <gtest/gtest.h>

#include <string>

#include "engine/CommandLine.h"

namespace {

struct Expected {
    bool valid;
    InstallerRole role;
    bool silent;
    const char* dir;  // null: no "/DIR="
    const char* log;  // null: no "/LOG="
};

void ExpectParsed(const char* arguments, const Expected& expected) {
    CommandLine line;
    EXPECT_EQ(ParseCommandLine(arguments, line), expected.valid) << "[" << arguments << "]";
    EXPECT_EQ(line.role, expected.role) << "[" << arguments << "]";
    EXPECT_EQ(line.silent, expected.silent) << "[" << arguments << "]";
    EXPECT_EQ(line.hasDir, expected.dir != nullptr) << "[" << arguments << "]";
    EXPECT_EQ(line.hasLog, expected.log != nullptr) << "[" << arguments << "]";
    EXPECT_EQ(std::string(line.dir), expected.dir ? expected.dir : "") << "[" << arguments << "]";
    EXPECT_EQ(std::string(line.log), expected.log ? expected.log : "") << "[" << arguments << "]";
}

const InstallerRole kInstall = InstallerRole::Install;
const InstallerRole kUninstall = InstallerRole::Uninstall;

TEST(ParseCommandLine, RolesAsTheInstallerStartsThem) {
    struct Case {
        const char* arguments;
        bool valid;
        InstallerRole role;
    } cases[] = {
        {"", true, kInstall},
        {"   ", true, kInstall},
        {"/d", true, InstallerRole::CleanUp},
        {"/k", true, InstallerRole::Continue},
        {"/r", true, kUninstall},
        {"/R", true, kUninstall},
        {"/u", true, InstallerRole::PerUserRemove},
        {"/U", true, InstallerRole::PerUserRemove},
        {" /r ", true, kUninstall},
        {"\"/r\"", true, kUninstall},
        // The internal roles only as the installer itself spells them.
        {"/D", false, kInstall},
        {"/K", false, kInstall},
        // One role per run.
        {"/r /u", false, kUninstall},
        {"/r /r", false, kUninstall},
        {"/r/u", false, kInstall},
        {"r", false, kInstall},
        {"/x", false, kInstall},
        {"-r", false, kInstall},
    };
    for (const Case& c : cases) {
        ExpectParsed(c.arguments, {c.valid, c.role, false, nullptr, nullptr});
    }
}

TEST(ParseCommandLine, TheCleanUpTakesOneTokenAndNothingElseDoes) {
    struct Case {
        const char* arguments;
        bool valid;
        const char* token;
    } cases[] = {
        {"/d 0a1b2c3d4e5f6789", true, "0a1b2c3d4e5f6789"},
        {"/d", true, ""},
        {"/d /S", true, ""},
        {"/d /S /LOG=x.log", true, ""},
        {"/d 0a1b /S", true, "0a1b"},
        {"/d 0a1b 0a1b", false, "0a1b"},
        {"/r 0a1b", false, ""},
        {"0a1b /d", false, ""},
    };
    for (const Case& c : cases) {
        CommandLine line;
        EXPECT_EQ(ParseCommandLine(c.arguments, line), c.valid) << c.arguments;
        EXPECT_STREQ(line.token, c.token) << c.arguments;
    }
}

TEST(ParseCommandLine, SwitchesInAnyCaseAndOrderAfterOrInsteadOfTheRole) {
    struct Case {
        const char* arguments;
        Expected expected;
    } cases[] = {
        {"/S", {true, kInstall, true, nullptr, nullptr}},
        {"/s", {true, kInstall, true, nullptr, nullptr}},
        {"/Silent", {true, kInstall, true, nullptr, nullptr}},
        {"/r /S", {true, kUninstall, true, nullptr, nullptr}},
        {"/S /r", {true, kUninstall, true, nullptr, nullptr}},
        {"/k /S /LOG=C:\\m.log", {true, InstallerRole::Continue, true, nullptr, "C:\\m.log"}},
        {"/S /DIR=D:\\Apps\\Tool /LOG=C:\\log.txt", {true, kInstall, true, "D:\\Apps\\Tool", "C:\\log.txt"}},
        {"/log=a.log /dir=x /silent", {true, kInstall, true, "x", "a.log"}},
        // Interactive runs may name a log or a directory too.
        {"/LOG=a.log", {true, kInstall, false, nullptr, "a.log"}},
        // Quotes hold blanks, around the value or around the whole switch.
        {"/S /DIR=\"C:\\Program Files\\My Tool\"", {true, kInstall, true, "C:\\Program Files\\My Tool", nullptr}},
        {"\"/DIR=C:\\Program Files\\X\" /S", {true, kInstall, true, "C:\\Program Files\\X", nullptr}},
        // A switch glued to a closing quote is part of the value, as Windows
        // reads such a command line.
        {"/LOG=\"C:\\a b\\c.log\"/S", {true, kInstall, false, nullptr, "C:\\a b\\c.log/S"}},
        // Japanese values pass byte for byte; a trail byte 0x5C is no separator.
        {"/DIR=C:\\\x95\\\x5C\\\x83\x5C\x83\x74\x83\x67",
         {true, kInstall, false, "C:\\\x95\\\x5C\\\x83\x5C\x83\x74\x83\x67", nullptr}},
        // An empty directory is given, and refused later like a typed one.
        {"/S /DIR=", {true, kInstall, true, "", nullptr}},
        {"/S /DIR=\"\"", {true, kInstall, true, "", nullptr}},
    };
    for (const Case& c : cases) {
        ExpectParsed(c.arguments, c.expected);
    }
}

TEST(ParseCommandLine, RefusesWhatItDoesNotKnowButKeepsWhatItUnderstood) {
    struct Case {
        const char* arguments;
        Expected expected;
    } cases[] = {
        {"/S /q", {false, kInstall, true, nullptr, nullptr}},
        {"/VERYSILENT", {false, kInstall, false, nullptr, nullptr}},
        {"/SILENTLY", {false, kInstall, false, nullptr, nullptr}},
        {"/S/r", {false, kInstall, false, nullptr, nullptr}},
        {"/S /S", {false, kInstall, true, nullptr, nullptr}},
        {"/DIR", {false, kInstall, false, nullptr, nullptr}},
        {"/DIR:C:\\x", {false, kInstall, false, nullptr, nullptr}},
        {"/D=C:\\x", {false, kInstall, false, nullptr, nullptr}},
        {"/LOG= /S", {false, kInstall, true, nullptr, nullptr}},
        {"/S /LOG=a /LOG=b", {false, kInstall, true, nullptr, "a"}},
        {"/DIR=a /DIR=b /S", {false, kInstall, true, "a", nullptr}},
        {"/S /LOG=x.log /DIR=\"C:\\open", {false, kInstall, true, "C:\\open", "x.log"}},
        {"/r /S /bogus", {false, kUninstall, true, nullptr, nullptr}},
    };
    for (const Case& c : cases) {
        ExpectParsed(c.arguments, c.expected);
    }
}

TEST(ParseCommandLine, RefusesAValueTooLongInsteadOfCuttingIt) {
    std::string fits(kSwitchValueCapacity - 1, 'a');
    std::string tooLong(kSwitchValueCapacity, 'a');
    std::string far(3 * kSwitchValueCapacity, 'a');
    ExpectParsed(("/S /DIR=" + fits).c_str(), {true, kInstall, true, fits.c_str(), nullptr});
    for (const std::string& value : {tooLong, far}) {
        CommandLine line;
        EXPECT_FALSE(ParseCommandLine(("/S /DIR=" + value + " /LOG=x").c_str(), line));
        EXPECT_TRUE(line.silent);
        EXPECT_FALSE(line.hasDir);
        EXPECT_STREQ(line.log, "x");
        EXPECT_FALSE(ParseCommandLine(("/LOG=" + value).c_str(), line));
        EXPECT_FALSE(line.hasLog);
    }
}

}  // namespace
