// The install flow's decisions on setup-file texts: copy modes, the uninstall
// command line, the code page 932 comparison without case, and the shortcuts a
// run leaves out.
#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "engine/InstallRules.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    int32_t mode = data.ConsumeIntegral<int32_t>();
    bool sourceExists = data.ConsumeBool();
    bool destinationExists = data.ConsumeBool();
    int comparison = data.ConsumeIntegral<int>();
    bool perUser = data.ConsumeBool();
    bool win9x = data.ConsumeBool();
    size_t capacity = data.ConsumeIntegralInRange<size_t>(0, 300);
    const std::string first = data.ConsumeRandomLengthString(300);
    const std::string second = data.ConsumeRandomLengthString(300);
    const std::string third = data.ConsumeRemainingBytesAsString();
    const char* a = first.c_str();
    const char* b = second.c_str();
    const char* c = third.c_str();

    // A missing destination is always written.
    bool copies = ShouldCopyFile(mode, sourceExists, destinationExists, comparison);
    FUZZ_CHECK(destinationExists || copies);

    std::unique_ptr<char[]> out(new char[capacity ? capacity : 1]);
    if (BuildUninstallCommand(out.get(), capacity, a)) {
        std::string line(out.get());
        bool quoted = std::strchr(a, ' ') != nullptr;
        FUZZ_CHECK(line == (quoted ? "\"" + std::string(a) + "\" /r" : std::string(a) + " /r"));
        FUZZ_CHECK(line.size() < capacity);
    } else if (capacity > 0) {
        FUZZ_CHECK(out[0] == '\0');
    }

    bool equal = EqualsIgnoringCase(a, b);
    FUZZ_CHECK(equal == EqualsIgnoringCase(b, a));
    FUZZ_CHECK(EqualsIgnoringCase(a, a));
    // Text of single-byte characters only equals itself in any case.
    bool singleByte = true;
    std::string folded(a);
    for (char& ch : folded) {
        singleByte = singleByte && static_cast<unsigned char>(ch) < 0x80;
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    }
    if (singleByte) {
        FUZZ_CHECK(EqualsIgnoringCase(a, folded.c_str()));
    }

    if (SkipsSelfShortcut(a, b, c, perUser, win9x)) {
        FUZZ_CHECK(EqualsIgnoringCase(a, c) && (perUser || win9x));
    }
    return 0;
}
