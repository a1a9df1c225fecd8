// Start-up under Wine: the command line split by the system, carried through
// the ANSI code page (932 here) and back.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "app/Commands_win.h"
#include "app/Startup_win.h"
#include "engine/WorkerThread_win.h"

namespace {

TEST(ReadCommandLine, KeepsBareNamesWholeAndOptionValuesInTheCodePage) {
    struct {
        std::wstring commandLine;
        int given;
        std::wstring path;
        int tooLong = 0;
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
        {L"Tandrel.exe " + std::wstring(1100, L'a'), 0, L"", 1},
        {L"Tandrel.exe -o" + std::wstring(1100, L'a'), 0, L"", 1},
        {L"Tandrel.exe " + std::wstring(1023, L'b'), 1, std::wstring(1023, L'b')},
    };
    for (const auto& c : cases) {
        AppStartup startup;
        startup.inputGiven = 7;
        startup.inputTooLong = 7;
        ReadCommandLine(c.commandLine.c_str(), startup);
        EXPECT_EQ(startup.inputGiven, c.given) << c.commandLine.size();
        EXPECT_EQ(std::wstring(startup.inputPath), c.path) << c.commandLine.size();
        EXPECT_EQ(startup.inputTooLong, c.tooLong) << c.commandLine.size();
    }
}

// The output of a save is compared with its input as files: any spelling of
// the input is the input.
TEST(IsSameFile, OneFileUnderAnySpellingAndNoOtherFile) {
    wchar_t temp[MAX_PATH];
    ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
    std::wstring dir = std::wstring(temp) + L"tandrel-same";
    CreateDirectoryW(dir.c_str(), nullptr);
    const std::wstring photo = dir + L"\\photo.bmp";
    const std::wstring other = dir + L"\\other.bmp";
    for (const std::wstring& path : {photo, other}) {
        HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        CloseHandle(file);
    }
    EXPECT_TRUE(IsSameFile(photo.c_str(), photo.c_str()));
    EXPECT_TRUE(IsSameFile(photo.c_str(), (dir + L"\\PHOTO.BMP").c_str()));
    EXPECT_TRUE(IsSameFile(photo.c_str(), (dir + L"\\..\\tandrel-same\\.\\photo.bmp").c_str()));
    EXPECT_TRUE(IsSameFile(photo.c_str(), (dir + L"/photo.bmp").c_str()));
    EXPECT_FALSE(IsSameFile(photo.c_str(), other.c_str()));
    EXPECT_FALSE(IsSameFile(photo.c_str(), (dir + L"\\missing.bmp").c_str()));
    EXPECT_FALSE(IsSameFile(L"", photo.c_str()));
    DeleteFileW(photo.c_str());
    DeleteFileW(other.c_str());
    RemoveDirectoryW(dir.c_str());
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
