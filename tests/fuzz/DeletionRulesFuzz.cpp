// The uninstall's decisions on paths and keys from a setup file: the
// comparison form of a path, the protected directories, "RegKey" items, the
// help index, the uninstall program's command line and "wininit.ini" lines.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ShiftJisText.h"
#include "engine/DeletionRules.h"

namespace {

// The comparison form reads back as itself: the protected directories are
// kept in that form and compared with targets brought to it.
void CheckCanonicalIsStable(const char* path) {
    std::string canonical;
    if (!CanonicalTargetPath(path, NextShiftJis, canonical)) {
        FUZZ_CHECK(canonical.empty());
        return;
    }
    FUZZ_CHECK(canonical.size() >= 2);
    // A drive root reads "C:", which alone would name the drive's current
    // directory; a server named "?" or "." reads like a "\\?\" prefix.
    if (canonical.compare(0, 4, "\\\\?\\") == 0 || canonical.compare(0, 4, "\\\\.\\") == 0) {
        return;
    }
    std::string again;
    bool driveRoot = canonical.size() == 2;
    FUZZ_CHECK(CanonicalTargetPath(driveRoot ? (canonical + "\\").c_str() : canonical.c_str(), NextShiftJis, again));
    FUZZ_CHECK(again == canonical);
}

void CheckSection(FuzzedDataProvider& data, const char* path) {
    size_t capacity = data.ConsumeIntegralInRange<size_t>(1, 512);
    std::vector<char> section = data.ConsumeBytes<char>(capacity);
    section.resize(capacity, '\0');
    std::unique_ptr<char[]> buffer(new char[capacity]);
    std::memcpy(buffer.get(), section.data(), capacity);
    size_t end = ProfileSectionEnd(buffer.get(), capacity);
    FUZZ_CHECK(end <= capacity);
    FUZZ_CHECK(end == capacity || buffer[end] == '\0');
    if (!AppendDeletionLine(buffer.get(), capacity, path)) {
        FUZZ_CHECK(std::memcmp(buffer.get(), section.data(), capacity) == 0);
        return;
    }
    std::string line = std::string("NUL=") + path;
    FUZZ_CHECK(end < capacity && std::memcmp(buffer.get() + end, line.c_str(), line.size() + 1) == 0);
    FUZZ_CHECK(std::memcmp(buffer.get(), section.data(), end) == 0);
    FUZZ_CHECK(ProfileSectionEnd(buffer.get(), capacity) == end + line.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    size_t capacity = data.ConsumeIntegralInRange<size_t>(0, 600);
    const std::string first = data.ConsumeRandomLengthString(300);
    const std::string second = data.ConsumeRandomLengthString(300);
    const std::string third = data.ConsumeRandomLengthString(300);
    const char* a = first.c_str();
    const char* b = second.c_str();
    const char* c = third.c_str();

    CheckCanonicalIsStable(a);

    ProtectedDirectories dirs;
    AddProtectedDirectory(dirs, a, NextShiftJis);
    AddProfileParent(dirs, b, NextShiftJis);
    std::string canonicalA, canonicalC;
    bool absoluteA = CanonicalTargetPath(a, NextShiftJis, canonicalA);
    bool absoluteC = CanonicalTargetPath(c, NextShiftJis, canonicalC);
    bool protectedC = IsProtectedTarget(c, dirs, NextShiftJis);
    if (absoluteA) {
        FUZZ_CHECK(IsProtectedTarget(a, dirs, NextShiftJis));
        // Another spelling of a protected directory, or one above it.
        if (absoluteC && canonicalA.compare(0, canonicalC.size(), canonicalC) == 0 &&
            (canonicalA.size() == canonicalC.size() || canonicalA[canonicalC.size()] == '\\')) {
            FUZZ_CHECK(protectedC);
        }
    }
    if (!absoluteC) {
        FUZZ_CHECK(protectedC);
    }

    RegistryItem item;
    RegistryItemStatus status = ParseRegistryItem(c, NextShiftJis, item);
    if (status == RegistryItemStatus::Ok || status == RegistryItemStatus::Protected) {
        const char* separator = FindFirstBackslash(c, NextShiftJis);
        FUZZ_CHECK(separator && item.keyPath == separator + 1);
    } else {
        FUZZ_CHECK(item.keyPath == nullptr);
    }

    std::unique_ptr<char[]> out(new char[capacity ? capacity : 1]);
    if (HelpIndexPathFor(c, NextShiftJis, out.get(), capacity)) {
        size_t length = std::strlen(out.get());
        FUZZ_CHECK(length == std::strlen(c) && length < capacity);
        FUZZ_CHECK(std::strcmp(out.get() + length - 4, ".gid") == 0);
    }
    if (BuildProgramCommandLine(out.get(), capacity, a, b, c)) {
        FUZZ_CHECK(std::strlen(out.get()) < capacity && out[0] == '"');
        FUZZ_CHECK(std::strncmp(out.get() + 1, a, std::strlen(a)) == 0);
    } else if (capacity > 0) {
        FUZZ_CHECK(out[0] == '\0');
    }

    CheckSection(data, b);
    return 0;
}
