// Start-up under Wine: the command line split by the system, carried through
// the ANSI code page (932 here) and back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/Startup_win.h"
#include "engine/WorkerThread_win.h"

namespace {

TEST(ReadCommandLine, KeepsBareNamesWholeAndOptionValuesInTheCodePage) {
    struct {
        std::wstring commandLine;
        int given;
        std::wstring path;
    } cases[] = {
        {L"Tandrel.exe", 0, L""},
        {L"\"C:\\Program Files\\Tandrel\\Tandrel.exe\" \"C:\\My Photos\\beach.jpg\"", 1, L"C:\\My Photos\\beach.jpg"},
        {L"Tandrel.exe \u5199\u771f.jpg", 1, L"\u5199\u771f.jpg"},
        {L"Tandrel.exe -o \u5199\u771f.jpg", 1, L"\u5199\u771f.jpg"},
        // Korean is not in code page 932: whole as a bare name, replaced through -o.
        {L"Tandrel.exe \uC0AC\uC9C4.jpg", 1, L"\uC0AC\uC9C4.jpg"},
        {L"Tandrel.exe -o \uC0AC\uC9C4.jpg", 1, L"??.jpg"},
        {L"Tandrel.exe -n", 0, L""},
        {L"Tandrel.exe a.jpg -s m", 0, L""},
        {L"Tandrel.exe -- a.jpg", 1, L"--"},
        // Longer than the path buffer: refused, not cut into another name.
        {L"Tandrel.exe " + std::wstring(1100, L'a'), 0, L""},
        {L"Tandrel.exe -o" + std::wstring(1100, L'a'), 0, L""},
        {L"Tandrel.exe " + std::wstring(1023, L'b'), 1, std::wstring(1023, L'b')},
    };
    for (const auto& c : cases) {
        AppStartup startup;
        startup.inputGiven = 7;
        ReadCommandLine(c.commandLine.c_str(), startup);
        EXPECT_EQ(startup.inputGiven, c.given) << c.commandLine.size();
        EXPECT_EQ(std::wstring(startup.inputPath), c.path) << c.commandLine.size();
    }
}

unsigned __stdcall Record(void* argument) {
    *static_cast<int*>(argument) = 42;
    return 5;
}

TEST(WorkerThread, RunsTheRoutineWithItsArgument) {
    int seen = 0;
    WorkerThread thread = WorkerThread::Start(Record, &seen, L"Test");
    ASSERT_NE(thread.handle, nullptr);
    EXPECT_NE(thread.id, 0u);
    ASSERT_EQ(WaitForSingleObject(thread.handle, 5000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeThread(thread.handle, &code);
    EXPECT_EQ(code, 5u);
    EXPECT_EQ(seen, 42);
    CloseHandle(thread.handle);
}

}  // namespace
