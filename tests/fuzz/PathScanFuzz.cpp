// Installer paths walked with the code page 932 character step: every search
// lands on a backslash of its own, and every built path fits its buffer or is
// refused whole.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ShiftJisText.h"
#include "engine/PathScan.h"

namespace {

// For each byte offset of `text` (and its end), whether a character starts
// there.
std::vector<bool> CharacterStarts(const char* text) {
    std::vector<bool> starts(std::strlen(text) + 1, false);
    for (const char* p = text; *p != '\0'; p = NextShiftJis(p)) {
        starts[static_cast<size_t>(p - text)] = true;
    }
    return starts;
}

// Null, or a backslash that is a character of its own.
bool IsSeparatorAt(const char* text, const std::vector<bool>& starts, const char* found) {
    return !found || (*found == '\\' && starts[static_cast<size_t>(found - text)]);
}

// A buffer of exactly `capacity` bytes (at least one, so the pointer is valid).
std::unique_ptr<char[]> Buffer(size_t capacity) {
    return std::unique_ptr<char[]>(new char[capacity ? capacity : 1]);
}

void CheckFits(bool built, const char* out, size_t capacity, const std::string& whole) {
    if (built) {
        FUZZ_CHECK(whole.size() < capacity && whole == out);
    } else if (capacity > 0) {
        FUZZ_CHECK(out[0] == '\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    size_t capacity = data.ConsumeIntegralInRange<size_t>(0, 300);
    size_t minOffset = data.ConsumeIntegralInRange<size_t>(0, 64);
    size_t prefixPick = data.ConsumeIntegral<uint16_t>();
    const std::string first = data.ConsumeRandomLengthString(300);
    const std::string second = data.ConsumeRemainingBytesAsString();
    const char* a = first.c_str();
    const char* b = second.c_str();

    const std::vector<bool> starts = CharacterStarts(b);
    const char* found = FindFirstBackslash(b, NextShiftJis);
    FUZZ_CHECK(IsSeparatorAt(b, starts, found));
    const char* last = FindLastBackslash(b, NextShiftJis, minOffset);
    FUZZ_CHECK(IsSeparatorAt(b, starts, last));
    FUZZ_CHECK(!last || static_cast<size_t>(last - b) >= minOffset);
    FUZZ_CHECK(!found || !last || found <= last);
    const char* macroEnd = FindMacroEnd(b, NextShiftJis);
    FUZZ_CHECK(!macroEnd || (macroEnd > b && *macroEnd == '%'));
    const char* name = FileNameOf(b, NextShiftJis);
    FUZZ_CHECK(!name || (name > b && name[-1] == '\\' && name <= b + std::strlen(b)));

    std::unique_ptr<char[]> out = Buffer(capacity);
    CheckFits(JoinPath(out.get(), capacity, {a, b}), out.get(), capacity, first.c_str() + std::string(b));
    size_t length = prefixPick % (std::strlen(b) + 1);
    CheckFits(CopyPrefix(out.get(), capacity, b, length), out.get(), capacity, std::string(b, length));

    if (BuildSourcePath(out.get(), capacity, a, b, NextShiftJis)) {
        FUZZ_CHECK(std::strncmp(out.get(), a, std::strlen(a)) == 0 && std::strlen(out.get()) < capacity);
    }
    if (CopyDestinationDirectory(out.get(), capacity, b, NextShiftJis)) {
        size_t kept = std::strlen(out.get());
        FUZZ_CHECK(kept > 2 && kept < capacity && b[kept] == '\\' && std::strncmp(out.get(), b, kept) == 0);
        FUZZ_CHECK(IsSeparatorAt(b, starts, b + kept));
    }

    std::vector<std::string> levels = DirectoryTreeLevels(b, NextShiftJis);
    FUZZ_CHECK(levels.empty() == (b[0] == '\0'));
    for (size_t i = 0; i < levels.size(); ++i) {
        FUZZ_CHECK(second.compare(0, levels[i].size(), levels[i]) == 0);
        FUZZ_CHECK(i == 0 || levels[i].size() > levels[i - 1].size());
        FUZZ_CHECK(i + 1 == levels.size() || IsSeparatorAt(b, starts, b + levels[i].size()));
    }

    const char* subKey = nullptr;
    if (SplitRegistryPath(b, NextShiftJis, out.get(), capacity, &subKey)) {
        size_t rootLength = std::strlen(out.get());
        FUZZ_CHECK(subKey == b + rootLength + 1 && b[rootLength] == '\\' && subKey == found + 1);
    }
    return 0;
}
