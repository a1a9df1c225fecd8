#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "engine/Registry_win.h"

namespace {

const char kTestRoot[] = "Software\\MivoTests\\Registry";
const DWORD kAnyCount = 0xFFFFFFFF;

// A fresh key below HKEY_CURRENT_USER for one test, removed afterwards.
class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
        ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, kTestRoot, true, key_));
    }
    void TearDown() override {
        key_.Reset();
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestRoot);
    }
    void SetRaw(const char* name, DWORD type, const void* data, DWORD bytes) {
        ASSERT_EQ(RegSetValueExA(key_.Get(), name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
    }

    RegKey key_;
};

}  // namespace

TEST_F(RegistryTest, WrittenStringReadsBackWithItsTerminator) {
    // Shift-JIS, with "ソ" and "表" whose trail bytes are backslashes.
    const char text[] = "C:\\\x83\x5C\x83\x74\x83\x67\\\x95\x5C";
    ASSERT_TRUE(WriteRegString(key_.Get(), "InstallDir", text));

    DWORD type = 0;
    DWORD bytes = 0;
    ASSERT_EQ(RegQueryValueExA(key_.Get(), "InstallDir", nullptr, &type, nullptr, &bytes), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, sizeof text);

    char buffer[256];
    DWORD size = sizeof buffer;
    EXPECT_EQ(ReadRegString(key_.Get(), "InstallDir", buffer, &size, "dflt"), sizeof text);
    EXPECT_EQ(size, sizeof text);
    EXPECT_STREQ(buffer, text);
}

TEST_F(RegistryTest, ReadAlwaysLeavesATerminatedBuffer) {
    const DWORD dword = 0x00636261;  // "abc" and a zero, little-endian
    const char binary[] = {1, 2, 3, 4};
    const char eightBytes[] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h'};
    SetRaw("sz", REG_SZ, "abc", 4);
    SetRaw("unterminated", REG_SZ, "abc", 3);
    SetRaw("binary", REG_BINARY, binary, sizeof binary);
    SetRaw("binary3", REG_BINARY, "abc", 3);
    SetRaw("dword", REG_DWORD, &dword, sizeof dword);
    SetRaw("fills", REG_BINARY, eightBytes, sizeof eightBytes);
    SetRaw("exact", REG_SZ, "abcdefg", 8);
    SetRaw("long", REG_SZ, "abcdefghij", 11);
    SetRaw("empty", REG_SZ, "", 1);

    struct Case {
        const char* name;
        const char* defaultText;
        DWORD result;          // kAnyCount: whatever the registry reports
        std::string contents;  // up to the first zero
    } cases[] = {
        {"sz", "dflt", 4, "abc"},
        // Wine adds the missing terminator to the count, Windows may not.
        {"unterminated", "dflt", kAnyCount, "abc"},
        {"binary3", "dflt", 3, "abc"},
        // The type is not checked: whatever bytes the value holds arrive.
        {"binary", "dflt", 4, "\x01\x02\x03\x04"},
        {"dword", "dflt", 4, "abc"},
        // Eight bytes without a zero leave no room for one: not a string.
        {"fills", "dflt", 4, "dflt"},
        {"exact", "dflt", 8, "abcdefg"},
        {"long", "dflt", 4, "dflt"},
        {"long", "a longer default", 7, "a longe"},
        {"missing", "dflt", 4, "dflt"},
        {"missing", "", 0, ""},
        {"empty", "dflt", 1, ""},
    };
    for (const Case& c : cases) {
        char buffer[8];
        std::memset(buffer, 'x', sizeof buffer);
        DWORD size = sizeof buffer;
        DWORD result = ReadRegString(key_.Get(), c.name, buffer, &size, c.defaultText);
        if (c.result != kAnyCount) {
            EXPECT_EQ(result, c.result) << c.name;
        }
        ASSERT_NE(std::memchr(buffer, '\0', sizeof buffer), nullptr) << c.name;
        EXPECT_EQ(std::string(buffer), c.contents) << c.name;
    }
}

TEST_F(RegistryTest, QueryLeavesTheBufferAloneOnlyWhenTheKeyIsMissing) {
    ASSERT_TRUE(WriteRegString(key_.Get(), "Value", "E:\\Apps\\Acme"));
    ASSERT_TRUE(WriteRegString(key_.Get(), "Empty", ""));

    char buffer[128] = "kept";
    EXPECT_FALSE(QueryRegString(HKEY_CURRENT_USER, "Software\\MivoTests\\NoSuchKey", "Value", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "kept");

    EXPECT_FALSE(QueryRegString(HKEY_CURRENT_USER, kTestRoot, "Missing", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "kept");
    EXPECT_FALSE(QueryRegString(HKEY_CURRENT_USER, kTestRoot, "Empty", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");

    EXPECT_TRUE(QueryRegString(HKEY_CURRENT_USER, kTestRoot, "Value", buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "E:\\Apps\\Acme");

    // A value too long for the buffer reads as missing, never as a cut path.
    char small[8] = "kept";
    EXPECT_FALSE(QueryRegString(HKEY_CURRENT_USER, kTestRoot, "Value", small, sizeof small));
    EXPECT_STREQ(small, "");
}

TEST_F(RegistryTest, OpeningCreatesOnlyWhenAsked) {
    std::string sub = std::string(kTestRoot) + "\\A\\B";
    RegKey key;
    EXPECT_FALSE(OpenRegKey(HKEY_CURRENT_USER, sub.c_str(), false, key));
    EXPECT_FALSE(key);
    EXPECT_FALSE(OpenRegKeyForRead(HKEY_CURRENT_USER, sub.c_str(), key));

    ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, sub.c_str(), true, key));
    EXPECT_TRUE(WriteRegString(key.Get(), "v", "1"));
    key.Reset();

    ASSERT_TRUE(OpenRegKey(HKEY_CURRENT_USER, sub.c_str(), false, key));
    EXPECT_TRUE(WriteRegString(key.Get(), "v", "2"));

    // Opened for reading, the key refuses writes.
    RegKey reader;
    ASSERT_TRUE(OpenRegKeyForRead(HKEY_CURRENT_USER, sub.c_str(), reader));
    EXPECT_FALSE(WriteRegString(reader.Get(), "v", "3"));
    char buffer[8];
    DWORD size = sizeof buffer;
    ReadRegString(reader.Get(), "v", buffer, &size, "");
    EXPECT_STREQ(buffer, "2");

    // Moving hands the key over; only one owner closes it.
    RegKey moved(std::move(reader));
    EXPECT_FALSE(reader);
    EXPECT_TRUE(moved);
}
