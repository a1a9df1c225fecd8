#include "engine/InstallRecord.h"

#include <algorithm>
#include <cstring>
#include <set>

#include "engine/DeletionRules.h"

const char kInstallRecordSection[] = "InstallRecord";

namespace {

// One path, as every path of the installer: 255 bytes and the zero.
const size_t kMaxValueBytes = 255;

bool ListsPath(const std::vector<std::string>& list, const char* path, CharStep next) {
    std::string wanted;
    if (!CanonicalTargetPath(path, next, wanted)) {
        return false;
    }
    for (const std::string& listed : list) {
        std::string canonical;
        if (CanonicalTargetPath(listed.c_str(), next, canonical) && canonical == wanted) {
            return true;
        }
    }
    return false;
}

// A "RegKey" item as the registry compares it: the root as written, then the
// key's components without empty ones, single-byte letters in upper case.
std::string KeyForm(const char* item, CharStep next) {
    std::string form;
    bool pendingSeparator = false;
    for (const char* p = item; *p != '\0';) {
        const char* after = next(p);
        if (after == p + 1 && *p == '\\') {
            pendingSeparator = !form.empty();
        } else {
            if (pendingSeparator) {
                form += '\\';
                pendingSeparator = false;
            }
            if (after == p + 1 && *p >= 'a' && *p <= 'z') {
                form += static_cast<char>(*p - 'a' + 'A');
            } else {
                form.append(p, static_cast<size_t>(after - p));
            }
        }
        p = after;
    }
    return form;
}

// Whether `value` can stand in a record at all. The bytes refused here never
// occur as trail bytes of a double-byte character.
bool IsUsableValue(const char* value) {
    size_t length = std::strlen(value);
    if (length == 0 || length > kMaxValueBytes) {
        return false;
    }
    for (const char* p = value; *p != '\0'; ++p) {
        if (static_cast<unsigned char>(*p) < 0x20 || *p == '*' || *p == '?') {
            return false;
        }
    }
    return true;
}

void AddPathOnce(std::vector<std::string>& list, const char* path, CharStep next) {
    std::string canonical;
    if (list.size() < kMaxRecordEntries && IsUsableValue(path) && CanonicalTargetPath(path, next, canonical) &&
        !ListsPath(list, path, next)) {
        list.emplace_back(path);
    }
}

// Adds the lines of one list while they fit, the section's closing zero
// counted.
void AppendLines(std::string& out, const char* key, const std::vector<std::string>& values) {
    size_t number = 0;
    for (const std::string& value : values) {
        std::string line = key + std::to_string(number + 1) + "=" + value;
        if (number == kMaxRecordEntries || out.size() + line.size() + 2 > kRecordSectionCapacity) {
            continue;
        }
        out += line;
        out += '\0';
        ++number;
    }
}

// "File12" is key "File" numbered 12: 1 to 99, written plainly; 0 for
// another name or number.
size_t NumberedKey(const std::string& name, const char* key) {
    const size_t length = std::strlen(key);
    if (name.size() <= length || name.size() > length + 2 || name.compare(0, length, key) != 0 || name[length] == '0' ||
        name.find_first_not_of("0123456789", length) != std::string::npos) {
        return 0;
    }
    return static_cast<size_t>(std::stoi(name.substr(length)));
}

void Place(std::vector<std::string>& slots, size_t number, const std::string& value) {
    if (number != 0 && IsUsableValue(value.c_str())) {
        slots[number - 1] = value;
    }
}

std::vector<std::string> Compact(const std::vector<std::string>& slots) {
    std::vector<std::string> out;
    for (const std::string& slot : slots) {
        if (!slot.empty()) {
            out.push_back(slot);
        }
    }
    return out;
}

size_t Depth(const std::string& canonical) {
    return static_cast<size_t>(std::count(canonical.begin(), canonical.end(), '\\'));
}

}  // namespace

void RecordFile(InstallRecord& record, const char* path, CharStep next) {
    AddPathOnce(record.files, path, next);
}

void RecordFiles(InstallRecord& record, const std::vector<std::string>& paths, CharStep next) {
    std::set<std::string> listed;
    for (const std::string& file : record.files) {
        std::string form;
        if (CanonicalTargetPath(file.c_str(), next, form)) {
            listed.insert(form);
        }
    }
    for (const std::string& path : paths) {
        std::string form;
        if (record.files.size() < kMaxRecordEntries && IsUsableValue(path.c_str()) &&
            CanonicalTargetPath(path.c_str(), next, form) && listed.insert(form).second) {
            record.files.push_back(path);
        }
    }
}

void RecordDirectory(InstallRecord& record, const char* path, CharStep next) {
    AddPathOnce(record.dirs, path, next);
}

void RecordExistingKey(InstallRecord& record, const char* item, CharStep next) {
    if (record.keysExisting.size() < kMaxRecordEntries && IsUsableValue(item) &&
        !RecordListsExistingKey(record, item, next)) {
        record.keysExisting.emplace_back(item);
    }
}

std::string FormatInstallRecord(const InstallRecord& record) {
    std::string out = record.dirHeldFiles ? "DirHeldFiles=1" : "DirHeldFiles=0";
    out += '\0';
    // Files first: a file left out stays behind, which matters more than a
    // directory or a key that does.
    AppendLines(out, "File", record.files);
    AppendLines(out, "Dir", record.dirs);
    AppendLines(out, "KeyExisted", record.keysExisting);
    out += '\0';
    return out;
}

InstallRecord ParseInstallRecord(const char* section, size_t capacity) {
    InstallRecord record;
    record.dirHeldFiles = true;
    std::vector<std::string> files(kMaxRecordEntries);
    std::vector<std::string> dirs(kMaxRecordEntries);
    std::vector<std::string> keys(kMaxRecordEntries);
    size_t position = 0;
    while (section != nullptr && position < capacity && section[position] != '\0') {
        const char* line = section + position;
        const void* end = std::memchr(line, '\0', capacity - position);
        if (end == nullptr) {
            break;  // cut off by the buffer: a cut path may name another file
        }
        const size_t length = static_cast<size_t>(static_cast<const char*>(end) - line);
        position += length + 1;
        record.present = true;
        // "=" is never a trail byte, so the first one found bytewise is it.
        const char* equals = static_cast<const char*>(std::memchr(line, '=', length));
        if (equals == nullptr) {
            continue;
        }
        const std::string name(line, static_cast<size_t>(equals - line));
        const std::string value(equals + 1, static_cast<size_t>(line + length - equals - 1));
        if (name == "DirHeldFiles") {
            record.dirHeldFiles = value != "0";
        } else if (name.compare(0, 10, "KeyExisted") == 0) {
            Place(keys, NumberedKey(name, "KeyExisted"), value);
        } else if (name.compare(0, 4, "File") == 0) {
            Place(files, NumberedKey(name, "File"), value);
        } else if (name.compare(0, 3, "Dir") == 0) {
            Place(dirs, NumberedKey(name, "Dir"), value);
        }
    }
    record.files = Compact(files);
    record.dirs = Compact(dirs);
    record.keysExisting = Compact(keys);
    return record;
}

bool RecordListsFile(const InstallRecord& record, const char* path, CharStep next) {
    return ListsPath(record.files, path, next);
}

bool RecordListsDirectory(const InstallRecord& record, const char* path, CharStep next) {
    return ListsPath(record.dirs, path, next);
}

bool RecordListsExistingKey(const InstallRecord& record, const char* item, CharStep next) {
    const std::string wanted = KeyForm(item, next);
    for (const std::string& listed : record.keysExisting) {
        if (KeyForm(listed.c_str(), next) == wanted) {
            return true;
        }
    }
    return false;
}

bool LiesInside(const char* path, const char* dir, CharStep next) {
    std::string inner;
    std::string outer;
    std::string root = dir;
    if (root.size() == 2 && root[1] == ':') {
        root += '\\';
    }
    return CanonicalTargetPath(path, next, inner) && CanonicalTargetPath(root.c_str(), next, outer) &&
           inner.size() > outer.size() + 1 && inner.compare(0, outer.size(), outer) == 0 && inner[outer.size()] == '\\';
}

bool InsideCreatedDirectory(const InstallRecord& record, const char* path, CharStep next) {
    if (RecordListsDirectory(record, path, next)) {
        return true;
    }
    for (const std::string& created : record.dirs) {
        if (LiesInside(path, created.c_str(), next)) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CreatedDirectoriesDeepestFirst(const InstallRecord& record, CharStep next) {
    std::vector<std::pair<size_t, std::string>> ordered;
    for (const std::string& dir : record.dirs) {
        std::string canonical;
        if (CanonicalTargetPath(dir.c_str(), next, canonical)) {
            ordered.emplace_back(Depth(canonical), dir);
        }
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const std::pair<size_t, std::string>& a, const std::pair<size_t, std::string>& b) {
                         return a.first > b.first;
                     });
    std::vector<std::string> result;
    for (auto& entry : ordered) {
        result.push_back(std::move(entry.second));
    }
    return result;
}

void MergeEarlierRecord(InstallRecord& record, const InstallRecord& earlier, CharStep next) {
    if (!earlier.present) {
        return;
    }
    record.dirHeldFiles = earlier.dirHeldFiles;
    for (const std::string& file : earlier.files) {
        RecordFile(record, file.c_str(), next);
    }
    for (const std::string& dir : earlier.dirs) {
        RecordDirectory(record, dir.c_str(), next);
    }
    for (const std::string& key : earlier.keysExisting) {
        RecordExistingKey(record, key.c_str(), next);
    }
}
