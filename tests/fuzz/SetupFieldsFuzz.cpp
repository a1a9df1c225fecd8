// Setup-file entries: the decimal reader, the field splitter with buffers of
// any size, the four kinds of list entries, and the lookup of a key in the
// lines of a whole section.
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "engine/SetupFields.h"

namespace {

void CheckDecimal(const char* text) {
    int32_t value = ParseDecimal(text);
    const char* digits = text[0] == '-' ? text + 1 : text;
    size_t count = std::strspn(digits, "0123456789");
    if (digits[count] != '\0' || count == 0) {
        FUZZ_CHECK(value == 0);
    } else if (count <= 19) {
        // Wrapped modulo 2^32, as the 32-bit accumulation of old did.
        uint64_t magnitude = std::strtoull(digits, nullptr, 10);
        uint32_t expected = static_cast<uint32_t>(text[0] == '-' ? 0 - magnitude : magnitude);
        FUZZ_CHECK(value == static_cast<int32_t>(expected));
    }
}

// The fields SplitFields promises: comma-separated, blanks after each comma
// skipped, at most `count`.
std::vector<std::string> ExpectedFields(const char* entry, int count) {
    std::vector<std::string> fields;
    const char* p = entry;
    while (static_cast<int>(fields.size()) < count) {
        const char* end = std::strchr(p, ',');
        if (!end) {
            fields.emplace_back(p);
            break;
        }
        fields.emplace_back(p, end);
        p = end + 1;
        while (*p == ' ') {
            ++p;
        }
    }
    return fields;
}

// A cut field keeps the longest run of whole characters that fits.
void CheckCut(const std::string& whole, const char* kept, size_t capacity) {
    size_t used = std::strlen(kept);
    FUZZ_CHECK(used < capacity);
    FUZZ_CHECK(whole.compare(0, used, kept) == 0);
    size_t boundary = 0;
    while (boundary < used) {
        bool lead = IsShiftJisLeadByte(static_cast<unsigned char>(whole[boundary])) && boundary + 1 < whole.size();
        boundary += lead ? 2 : 1;
    }
    FUZZ_CHECK(boundary == used);
    bool lead = IsShiftJisLeadByte(static_cast<unsigned char>(whole[used])) && used + 1 < whole.size();
    FUZZ_CHECK(used + (lead ? 2 : 1) > capacity - 1);
}

void CheckSplit(const char* entry, int count, const size_t* capacities) {
    // One allocation per field, each exactly its capacity, so that a write
    // past a field's end is a heap overflow the sanitizer stops at.
    std::vector<std::unique_ptr<char[]>> storage;
    std::vector<FieldBuffer> fields;
    for (int j = 0; j < count; ++j) {
        storage.emplace_back(new char[capacities[j]]);
        fields.push_back({storage.back().get(), capacities[j], false});
    }
    int found = SplitFields(entry, fields.data(), count);
    if (entry[0] == '\0') {
        FUZZ_CHECK(found == -1);
        return;
    }
    std::vector<std::string> expected = ExpectedFields(entry, count);
    FUZZ_CHECK(found == static_cast<int>(expected.size()));
    for (int j = 0; j < count; ++j) {
        if (j >= found) {
            FUZZ_CHECK(fields[j].text[0] == '\0' && !fields[j].cut);
        } else if (fields[j].cut) {
            CheckCut(expected[j], fields[j].text, fields[j].capacity);
        } else {
            FUZZ_CHECK(expected[j] == fields[j].text);
        }
    }
}

// The input as the lines of a section, in a block of exactly its size so
// that a read past its end is caught: a value found lies inside one line,
// without blanks or a pair of quotes around it.
void CheckSectionValue(const std::string& lines) {
    std::unique_ptr<char[]> section(new char[lines.size() + 1]);
    std::memcpy(section.get(), lines.data(), lines.size());
    for (const char* key : {"Item1", "A", ""}) {
        const char* begin = nullptr;
        const char* end = nullptr;
        if (!FindSectionValue(section.get(), lines.size(), key, begin, end)) {
            continue;
        }
        FUZZ_CHECK(begin >= section.get() && begin <= end && end <= section.get() + lines.size());
        FUZZ_CHECK(std::memchr(begin, '\0', static_cast<size_t>(end - begin)) == nullptr);
        if (begin < end) {
            FUZZ_CHECK(*begin != ' ' || begin[-1] == '"' || begin[-1] == '\'');
        }
    }
}

bool Terminated(const char* text, size_t capacity) {
    return std::memchr(text, '\0', capacity) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    int count = data.ConsumeIntegralInRange(1, 6);
    size_t capacities[6];
    for (size_t& capacity : capacities) {
        capacity = data.ConsumeIntegralInRange<size_t>(1, 300);
    }
    const std::string entry = data.ConsumeRemainingBytesAsString();
    const char* text = entry.c_str();

    CheckDecimal(text);
    CheckSplit(text, count, capacities);
    CheckSectionValue(entry);

    FileEntry file;
    if (ParseFileEntry(text, file)) {
        FUZZ_CHECK(Terminated(file.path, sizeof(file.path)));
        FUZZ_CHECK(file.mode == 0 || file.mode == 1 || file.mode == 2);
    }
    ShortcutEntry shortcut;
    if (ParseShortcutEntry(text, shortcut) == EntryStatus::Ok) {
        FUZZ_CHECK(Terminated(shortcut.name, sizeof(shortcut.name)));
        FUZZ_CHECK(Terminated(shortcut.target, sizeof(shortcut.target)));
        FUZZ_CHECK(Terminated(shortcut.arguments, sizeof(shortcut.arguments)));
        FUZZ_CHECK(Terminated(shortcut.iconFile, sizeof(shortcut.iconFile)));
        FUZZ_CHECK(Terminated(shortcut.iconIndex, sizeof(shortcut.iconIndex)));
    }
    ProgramEntry program;
    if (ParseProgramEntry(text, program)) {
        FUZZ_CHECK(Terminated(program.program, sizeof(program.program)));
        FUZZ_CHECK(Terminated(program.parameters, sizeof(program.parameters)));
    }
    RmDirEntry rmdir;
    if (ParseRmDirEntry(text, rmdir)) {
        FUZZ_CHECK(Terminated(rmdir.path, sizeof(rmdir.path)));
    }
    return 0;
}
