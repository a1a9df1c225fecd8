#include "engine/CommandLine.h"

#include <cstring>

namespace {

// A word of the command line, its quotes taken out. Quotes and blanks are
// single bytes that code page 932 never uses as trail bytes, so the bytes can
// be walked one by one.
struct Word {
    char text[kSwitchValueCapacity + 8];
    bool tooLong;
};

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

// Reads the word at `*cursor` and moves past it; false at the end of the
// text or for an unclosed quote (which ends the text).
bool NextWord(const char** cursor, Word& word, bool& unclosed) {
    const char* p = *cursor;
    while (IsBlank(*p)) {
        ++p;
    }
    if (*p == '\0') {
        *cursor = p;
        return false;
    }
    size_t length = 0;
    word.tooLong = false;
    bool quoted = false;
    for (; *p != '\0' && (quoted || !IsBlank(*p)); ++p) {
        if (*p == '"') {
            quoted = !quoted;
            continue;
        }
        if (length + 1 < sizeof word.text) {
            word.text[length++] = *p;
        } else {
            word.tooLong = true;
        }
    }
    word.text[length] = '\0';
    unclosed = unclosed || quoted;
    *cursor = p;
    return true;
}

char Fold(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// True when `text` starts with `prefix` (upper-case ASCII) in any case.
bool StartsWithFolded(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        if (Fold(*text) != *prefix) {
            return false;
        }
    }
    return true;
}

bool EqualsFolded(const char* text, const char* word) {
    return StartsWithFolded(text, word) && text[std::strlen(word)] == '\0';
}

// Stores the value of a "/NAME=value" switch; false when it is repeated,
// empty for a log, or too long.
bool TakeValue(const Word& word, size_t nameLength, bool& has, char (&value)[kSwitchValueCapacity], bool mayBeEmpty) {
    const char* text = word.text + nameLength;
    if (has || word.tooLong || std::strlen(text) >= sizeof value || (!mayBeEmpty && text[0] == '\0')) {
        return false;
    }
    std::strcpy(value, text);
    has = true;
    return true;
}

bool TakeRole(const char* text, bool& roleSeen, InstallerRole& role) {
    struct Spelling {
        const char* word;
        bool exact;
        InstallerRole role;
    };
    static const Spelling kRoles[] = {
        {"/d", true, InstallerRole::CleanUp},
        {"/k", true, InstallerRole::Continue},
        {"/R", false, InstallerRole::Uninstall},
        {"/U", false, InstallerRole::PerUserRemove},
    };
    for (const Spelling& spelling : kRoles) {
        bool match = spelling.exact ? std::strcmp(text, spelling.word) == 0 : EqualsFolded(text, spelling.word);
        if (match) {
            if (roleSeen) {
                return false;
            }
            roleSeen = true;
            role = spelling.role;
            return true;
        }
    }
    return false;
}

}  // namespace

bool ParseCommandLine(const char* arguments, CommandLine& out) {
    out = CommandLine();
    if (arguments == nullptr) {
        return true;
    }
    bool valid = true;
    bool roleSeen = false;
    bool unclosed = false;
    bool silentSeen = false;
    const char* cursor = arguments;
    Word word;
    while (NextWord(&cursor, word, unclosed)) {
        const char* text = word.text;
        if (EqualsFolded(text, "/S") || EqualsFolded(text, "/SILENT")) {
            valid = valid && !silentSeen;
            silentSeen = true;
            out.silent = true;
        } else if (StartsWithFolded(text, "/DIR=")) {
            valid = TakeValue(word, 5, out.hasDir, out.dir, true) && valid;
        } else if (StartsWithFolded(text, "/LOG=")) {
            valid = TakeValue(word, 5, out.hasLog, out.log, false) && valid;
        } else if (roleSeen && out.role == InstallerRole::CleanUp && out.token[0] == '\0' && text[0] != '/' &&
                   text[0] != '\0') {
            bool hasToken = false;
            valid = TakeValue(word, 0, hasToken, out.token, false) && valid;
        } else {
            valid = TakeRole(text, roleSeen, out.role) && valid;
        }
    }
    return valid && !unclosed;
}
