#include "engine/SetupFields.h"

#include <cstring>

int32_t ParseDecimal(const char* text) {
    if (!text) {
        return 0;
    }
    bool negative = false;
    if (*text == '-') {
        negative = true;
        ++text;
    }
    uint32_t value = 0;
    for (const char* p = text; *p; ++p) {
        if (*p < '0' || *p > '9') {
            return 0;
        }
        value = value * 10u + static_cast<uint32_t>(*p - '0');
    }
    if (negative) {
        value = 0u - value;
    }
    return static_cast<int32_t>(value);
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

char AsciiUpper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// [begin, end) without the blanks around it.
void TrimBlanks(const char*& begin, const char*& end) {
    while (begin < end && IsBlank(*begin)) {
        ++begin;
    }
    while (end > begin && IsBlank(end[-1])) {
        --end;
    }
}

bool NameEquals(const char* begin, const char* end, const char* key) {
    for (; begin < end; ++begin, ++key) {
        if (*key == '\0' || AsciiUpper(*begin) != AsciiUpper(*key)) {
            return false;
        }
    }
    return *key == '\0';
}

}  // namespace

bool FindSectionValue(const char* section, size_t length, const char* key, const char*& begin, const char*& end) {
    const char* limit = section + length;
    for (const char* line = section; line < limit && *line != '\0';) {
        const char* lineEnd = line;
        while (lineEnd < limit && *lineEnd != '\0') {
            ++lineEnd;
        }
        const char* equals = line;
        while (equals < lineEnd && *equals != '=') {
            ++equals;
        }
        const char* nameBegin = line;
        const char* nameEnd = equals;
        TrimBlanks(nameBegin, nameEnd);
        if (NameEquals(nameBegin, nameEnd, key)) {
            begin = equals < lineEnd ? equals + 1 : lineEnd;
            end = lineEnd;
            TrimBlanks(begin, end);
            if (end - begin >= 2 && (*begin == '"' || *begin == '\'') && end[-1] == *begin) {
                ++begin;
                --end;
            }
            return true;
        }
        line = lineEnd + 1;
    }
    return false;
}

bool IsShiftJisLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

namespace {

// Numeric fields of list entries; a list entry is at most 255 bytes, so this
// holds any of them whole.
const size_t kFieldScratch = 256;

// Copies the field text [begin, end) into `field`, cutting it at a character
// boundary when it does not fit.
void CopyField(FieldBuffer& field, const char* begin, const char* end) {
    size_t limit = field.capacity - 1;
    size_t used = 0;
    const char* p = begin;
    while (p < end) {
        size_t step = (IsShiftJisLeadByte(static_cast<unsigned char>(*p)) && p + 1 < end) ? 2 : 1;
        if (used + step > limit) {
            break;
        }
        used += step;
        p += step;
    }
    std::memcpy(field.text, begin, used);
    field.text[used] = '\0';
    field.cut = p < end;
}

}  // namespace

int SplitFields(const char* entry, FieldBuffer* fields, int count) {
    for (int j = 0; j < count; ++j) {
        fields[j].text[0] = '\0';
        fields[j].cut = false;
    }
    if (!entry || *entry == '\0') {
        return -1;
    }
    const char* p = entry;
    for (int j = 0; j < count; ++j) {
        const char* end = std::strchr(p, ',');
        if (!end) {
            end = p + std::strlen(p);
        }
        CopyField(fields[j], p, end);
        if (*end == '\0') {
            return j + 1;
        }
        p = end + 1;
        while (*p == ' ') {
            ++p;
        }
    }
    return count;
}

bool ParseFileEntry(const char* entry, FileEntry& out) {
    char mode[kFieldScratch] = {};
    FieldBuffer fields[] = {{out.path, sizeof(out.path), false}, {mode, sizeof(mode), false}};
    int found = SplitFields(entry, fields, 2);
    if (found < 1) {
        out.mode = 0;
        return false;
    }
    if (found == 1) {
        out.mode = 1;
        return true;
    }
    int32_t value = fields[1].cut ? 1 : ParseDecimal(mode);
    out.mode = (value == 0 || value == 2) ? value : 1;
    return true;
}

EntryStatus ParseShortcutEntry(const char* entry, ShortcutEntry& out) {
    FieldBuffer fields[] = {
        {out.name, sizeof(out.name), false},           {out.target, sizeof(out.target), false},
        {out.arguments, sizeof(out.arguments), false}, {out.iconFile, sizeof(out.iconFile), false},
        {out.iconIndex, sizeof(out.iconIndex), false},
    };
    int found = SplitFields(entry, fields, 5);
    if (found < 2) {
        return EntryStatus::TooFewFields;
    }
    for (const FieldBuffer& field : fields) {
        if (field.cut) {
            return EntryStatus::FieldTooLong;
        }
    }
    return EntryStatus::Ok;
}

bool ParseProgramEntry(const char* entry, ProgramEntry& out) {
    FieldBuffer fields[] = {{out.program, sizeof(out.program), false}, {out.parameters, sizeof(out.parameters), false}};
    return SplitFields(entry, fields, 2) >= 1;
}

bool ParseRmDirEntry(const char* entry, RmDirEntry& out) {
    char recurse[kFieldScratch] = {};
    FieldBuffer fields[] = {{out.path, sizeof(out.path), false}, {recurse, sizeof(recurse), false}};
    int found = SplitFields(entry, fields, 2);
    out.recurse = found == 2 && (fields[1].cut || ParseDecimal(recurse) != 0);
    return found >= 1;
}
