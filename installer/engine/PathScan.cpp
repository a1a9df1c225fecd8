#include "engine/PathScan.h"

#include <cstring>

const char* FindFirstBackslash(const char* text, CharStep next) {
    for (const char* p = text; *p != '\0'; p = next(p)) {
        if (*p == '\\') {
            return p;
        }
    }
    return nullptr;
}

const char* FindLastBackslash(const char* text, CharStep next, size_t minOffset) {
    // Walking forward and remembering is what a backward walk has to do
    // anyway: a trail byte cannot be told from a lead byte looking backwards.
    const char* last = nullptr;
    for (const char* p = text; *p != '\0'; p = next(p)) {
        if (*p == '\\' && static_cast<size_t>(p - text) >= minOffset) {
            last = p;
        }
    }
    return last;
}

const char* FindMacroEnd(const char* entry, CharStep next) {
    if (entry[0] != '%') {
        return nullptr;
    }
    for (const char* p = next(entry); *p != '\0'; p = next(p)) {
        if (*p == '%') {
            return p;
        }
    }
    return nullptr;
}

bool JoinPath(char* out, size_t capacity, std::initializer_list<const char*> parts) {
    if (capacity == 0) {
        return false;
    }
    size_t total = 0;
    for (const char* part : parts) {
        total += std::strlen(part);
    }
    if (total >= capacity) {
        out[0] = '\0';
        return false;
    }
    size_t used = 0;
    for (const char* part : parts) {
        size_t length = std::strlen(part);
        std::memmove(out + used, part, length);
        used += length;
    }
    out[used] = '\0';
    return true;
}

bool CopyPrefix(char* out, size_t capacity, const char* text, size_t length) {
    if (capacity == 0) {
        return false;
    }
    if (length >= capacity) {
        out[0] = '\0';
        return false;
    }
    std::memmove(out, text, length);
    out[length] = '\0';
    return true;
}

bool BuildSourcePath(char* out, size_t capacity, const char* ownDir, const char* field, CharStep next) {
    const char* last = FindLastBackslash(field, next, 1);
    return JoinPath(out, capacity, {ownDir, last ? last + 1 : field});
}

std::vector<std::string> DirectoryTreeLevels(const char* path, CharStep next) {
    std::vector<std::string> levels;
    const size_t driveLength = 3;  // "C:\"
    for (const char* p = path; *p != '\0'; p = next(p)) {
        size_t offset = static_cast<size_t>(p - path);
        if (*p == '\\' && offset >= driveLength) {
            levels.emplace_back(path, offset);
        }
    }
    if (path[0] != '\0') {
        levels.emplace_back(path);
    }
    return levels;
}

bool CopyDestinationDirectory(char* out, size_t capacity, const char* destination, CharStep next) {
    const size_t rootSeparator = 2;  // the backslash of "C:\"
    const char* last = FindLastBackslash(destination, next);
    if (last == nullptr || static_cast<size_t>(last - destination) <= rootSeparator) {
        if (capacity > 0) {
            out[0] = '\0';
        }
        return false;
    }
    return CopyPrefix(out, capacity, destination, static_cast<size_t>(last - destination));
}

const char* FileNameOf(const char* path, CharStep next) {
    const char* last = FindLastBackslash(path, next);
    return last ? last + 1 : nullptr;
}

bool SplitRegistryPath(const char* path, CharStep next, char* root, size_t rootCapacity, const char** subKey) {
    const char* separator = FindFirstBackslash(path, next);
    if (separator == nullptr) {
        if (rootCapacity > 0) {
            root[0] = '\0';
        }
        return false;
    }
    if (!CopyPrefix(root, rootCapacity, path, static_cast<size_t>(separator - path))) {
        return false;
    }
    *subKey = separator + 1;
    return true;
}
