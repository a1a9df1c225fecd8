#include "engine/InstallRecord.h"

#include <cstring>

#include "engine/DeletionRules.h"

const char kInstallRecordSection[] = "InstallRecord";

namespace {

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

void AddPathOnce(std::vector<std::string>& list, const char* path, CharStep next) {
    std::string canonical;
    if (CanonicalTargetPath(path, next, canonical) && !ListsPath(list, path, next)) {
        list.emplace_back(path);
    }
}

void AppendLines(std::string& out, const char* key, const std::vector<std::string>& values) {
    for (size_t i = 0; i < values.size(); ++i) {
        out += key;
        out += std::to_string(i + 1);
        out += '=';
        out += values[i];
        out += '\0';
    }
}

// "File12" is key "File" numbered 12; false for another name or no number.
bool IsNumberedKey(const std::string& name, const char* key) {
    const size_t length = std::strlen(key);
    if (name.size() <= length || name.compare(0, length, key) != 0) {
        return false;
    }
    return name.find_first_not_of("0123456789", length) == std::string::npos;
}

}  // namespace

void RecordFile(InstallRecord& record, const char* path, CharStep next) {
    AddPathOnce(record.files, path, next);
}

void RecordDirectory(InstallRecord& record, const char* path, CharStep next) {
    AddPathOnce(record.dirs, path, next);
}

void RecordExistingKey(InstallRecord& record, const char* item, CharStep next) {
    if (item[0] != '\0' && !RecordListsExistingKey(record, item, next)) {
        record.keysExisting.emplace_back(item);
    }
}

std::string FormatInstallRecord(const InstallRecord& record) {
    std::string out = record.dirHeldFiles ? "DirHeldFiles=1" : "DirHeldFiles=0";
    out += '\0';
    AppendLines(out, "File", record.files);
    AppendLines(out, "Dir", record.dirs);
    AppendLines(out, "KeyExisted", record.keysExisting);
    out += '\0';
    return out;
}

InstallRecord ParseInstallRecord(const char* section, size_t capacity) {
    InstallRecord record;
    size_t position = 0;
    while (position < capacity && section[position] != '\0') {
        const char* line = section + position;
        const void* end = std::memchr(line, '\0', capacity - position);
        if (end == nullptr) {
            break;  // cut off by the buffer: not a whole line
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
            record.dirHeldFiles = value == "1";
        } else if (IsNumberedKey(name, "File")) {
            record.files.push_back(value);
        } else if (IsNumberedKey(name, "Dir")) {
            record.dirs.push_back(value);
        } else if (IsNumberedKey(name, "KeyExisted")) {
            record.keysExisting.push_back(value);
        }
    }
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
