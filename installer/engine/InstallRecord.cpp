#include "engine/InstallRecord.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "engine/DeletionRules.h"

namespace {

const char kVersion[] = "1";
// One path, as every path of the installer: 255 bytes and the zero.
const size_t kMaxPathBytes = 255;

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool KeyEquals(const std::string& key, const char* name) {
    if (key.size() != std::strlen(name)) {
        return false;
    }
    for (size_t i = 0; i < key.size(); ++i) {
        if (LowerAscii(key[i]) != LowerAscii(name[i])) {
            return false;
        }
    }
    return true;
}

// "File7" with `prefix` "File": 7; 0 for anything but 1..99 written plainly.
int NumberedKey(const std::string& key, const char* prefix) {
    size_t length = std::strlen(prefix);
    if (key.size() <= length || key.size() > length + 2 || !KeyEquals(key.substr(0, length), prefix)) {
        return 0;
    }
    int number = 0;
    for (size_t i = length; i < key.size(); ++i) {
        if (key[i] < '0' || key[i] > '9') {
            return 0;
        }
        number = number * 10 + (key[i] - '0');
    }
    bool leadingZero = key[length] == '0';
    return leadingZero || number < 1 || number > kMaxRecordEntries ? 0 : number;
}

bool IsAbsoluteSpelling(const std::string& path) {
    return (path.size() >= 2 && path[1] == ':') || path[0] == '\\' || path[0] == '/';
}

// A relative record path: components without "." or "..", no drive, no
// stream. The bytes tested here never occur as trail bytes, but the
// separators do, so components are found by whole characters.
bool IsSafeRelative(const std::string& path, CharStep next) {
    const char* p = path.c_str();
    std::string component;
    for (;;) {
        const char* after = next(p);
        bool end = *p == '\0';
        bool separator = !end && after == p + 1 && (*p == '\\' || *p == '/');
        if (end || separator) {
            if (component.empty() || component == "." || component == "..") {
                return false;
            }
            if (end) {
                return true;
            }
            component.clear();
        } else {
            if (after == p + 1 && *p == ':') {
                return false;
            }
            component.append(p, static_cast<size_t>(after - p));
        }
        p = after;
    }
}

// Whether `value` can stand in a record at all.
bool IsUsableValue(const std::string& value, CharStep next) {
    if (value.empty() || value.size() > kMaxPathBytes) {
        return false;
    }
    for (char c : value) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '*' || c == '?' || c == '"' || c == '<' || c == '>' ||
            c == '|') {
            return false;
        }
    }
    if (IsAbsoluteSpelling(value)) {
        std::string canonical;
        return CanonicalTargetPath(value.c_str(), next, canonical);
    }
    return IsSafeRelative(value, next);
}

bool Contains(const std::vector<std::string>& list,
              const std::string& canonical,
              const char* installDir,
              CharStep next) {
    for (const std::string& entry : list) {
        std::string full;
        if (RecordedFullPath(entry, installDir, next, full) && full == canonical) {
            return true;
        }
    }
    return false;
}

// Adds one line "key=value" and its zero, unless the section (with its
// closing zero) would outgrow its capacity.
bool AddLine(std::string& out, const std::string& key, const std::string& value) {
    size_t line = key.size() + 1 + value.size() + 1;
    if (out.size() + line + 1 > kRecordSectionCapacity) {
        return false;
    }
    out += key;
    out += '=';
    out += value;
    out += '\0';
    return true;
}

size_t AddList(std::string& out, const char* prefix, const std::vector<std::string>& list) {
    size_t left = 0;
    int number = 0;
    for (const std::string& entry : list) {
        if (number == kMaxRecordEntries || !AddLine(out, prefix + std::to_string(number + 1), entry)) {
            ++left;
            continue;
        }
        ++number;
    }
    return left;
}

void Place(std::vector<std::string>& slots, int number, const std::string& value) {
    slots[static_cast<size_t>(number - 1)] = value;
}

void Compact(const std::vector<std::string>& slots, std::vector<std::string>& out) {
    for (const std::string& slot : slots) {
        if (!slot.empty()) {
            out.push_back(slot);
        }
    }
}

size_t Depth(const std::string& canonical) {
    return static_cast<size_t>(std::count(canonical.begin(), canonical.end(), '\\'));
}

}  // namespace

void AddRecordPath(std::vector<std::string>& list, const char* path, const char* installDir, CharStep next) {
    if (path == nullptr || list.size() >= static_cast<size_t>(kMaxRecordEntries)) {
        return;
    }
    std::string text = path;
    size_t dirLength = std::strlen(installDir);
    if (dirLength > 0 && text.size() > dirLength + 1 && text.compare(0, dirLength, installDir) == 0 &&
        text[dirLength] == '\\') {
        text.erase(0, dirLength + 1);
    }
    std::string canonical;
    if (!IsUsableValue(text, next) || !RecordedFullPath(text, installDir, next, canonical) ||
        Contains(list, canonical, installDir, next)) {
        return;
    }
    list.push_back(text);
}

size_t FormatInstallRecord(const InstallRecord& record, std::string& out) {
    out.clear();
    AddLine(out, "Version", kVersion);
    AddLine(out, "HeldFiles", record.heldFiles ? "1" : "0");
    // Files first: a file left out stays behind, which matters more than a
    // directory that does.
    size_t left = AddList(out, "File", record.files);
    left += AddList(out, "Dir", record.dirs);
    out += '\0';
    return left;
}

InstallRecord ParseInstallRecord(const char* section, size_t size, CharStep next) {
    InstallRecord record;
    if (section == nullptr) {
        return record;
    }
    std::string version;
    bool heldFilesSeen = false;
    bool heldFiles = true;
    std::vector<std::string> files(kMaxRecordEntries);
    std::vector<std::string> dirs(kMaxRecordEntries);
    size_t at = 0;
    while (at < size && section[at] != '\0') {
        const void* zero = std::memchr(section + at, '\0', size - at);
        size_t end = zero ? static_cast<size_t>(static_cast<const char*>(zero) - section) : size;
        std::string line(section + at, end - at);
        at = end + 1;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            continue;
        }
        std::string key = line.substr(0, equals);
        std::string value = line.substr(equals + 1);
        if (KeyEquals(key, "Version")) {
            version = value;
        } else if (KeyEquals(key, "HeldFiles")) {
            heldFilesSeen = true;
            heldFiles = value != "0";
        } else if (int file = NumberedKey(key, "File")) {
            if (IsUsableValue(value, next)) {
                Place(files, file, value);
            }
        } else if (int dir = NumberedKey(key, "Dir")) {
            if (IsUsableValue(value, next)) {
                Place(dirs, dir, value);
            }
        }
    }
    if (version.empty()) {
        return record;  // no record: an install of an earlier Mivo
    }
    record.present = true;
    if (version != kVersion) {
        return record;  // lists nothing; the directory counts as the user's
    }
    record.heldFiles = !heldFilesSeen || heldFiles;
    Compact(files, record.files);
    Compact(dirs, record.dirs);
    return record;
}

bool RecordedFullPath(const std::string& entry, const char* installDir, CharStep next, std::string& out) {
    if (entry.empty()) {
        return false;
    }
    if (IsAbsoluteSpelling(entry)) {
        return CanonicalTargetPath(entry.c_str(), next, out);
    }
    std::string full = std::string(installDir) + "\\" + entry;
    return CanonicalTargetPath(full.c_str(), next, out);
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

bool RecordListsFile(const InstallRecord& record, const char* path, const char* installDir, CharStep next) {
    std::string canonical;
    return CanonicalTargetPath(path, next, canonical) && Contains(record.files, canonical, installDir, next);
}

bool InsideCreatedDirectory(const InstallRecord& record, const char* path, const char* installDir, CharStep next) {
    std::string canonical;
    if (!CanonicalTargetPath(path, next, canonical)) {
        return false;
    }
    for (const std::string& entry : record.dirs) {
        std::string created;
        if (!RecordedFullPath(entry, installDir, next, created)) {
            continue;
        }
        if (canonical == created ||
            (canonical.size() > created.size() && canonical.compare(0, created.size(), created) == 0 &&
             canonical[created.size()] == '\\')) {
            return true;
        }
    }
    return false;
}

std::vector<std::string> CreatedDirectoriesDeepestFirst(const InstallRecord& record,
                                                        const char* installDir,
                                                        CharStep next) {
    std::vector<std::pair<size_t, std::string>> ordered;
    for (const std::string& entry : record.dirs) {
        std::string canonical;
        if (RecordedFullPath(entry, installDir, next, canonical)) {
            std::string full = IsAbsoluteSpelling(entry) ? entry : std::string(installDir) + "\\" + entry;
            ordered.emplace_back(Depth(canonical), full);
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

void MergeEarlierRecord(InstallRecord& record, const InstallRecord& earlier, const char* installDir, CharStep next) {
    if (!earlier.present) {
        return;
    }
    record.heldFiles = earlier.heldFiles;
    for (const std::string& file : earlier.files) {
        std::string full;
        if (RecordedFullPath(file, installDir, next, full) && !Contains(record.files, full, installDir, next) &&
            record.files.size() < static_cast<size_t>(kMaxRecordEntries)) {
            record.files.push_back(file);
        }
    }
    for (const std::string& dir : earlier.dirs) {
        std::string full;
        if (RecordedFullPath(dir, installDir, next, full) && !Contains(record.dirs, full, installDir, next) &&
            record.dirs.size() < static_cast<size_t>(kMaxRecordEntries)) {
            record.dirs.push_back(dir);
        }
    }
}
