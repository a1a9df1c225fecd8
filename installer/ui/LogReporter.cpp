#include "ui/LogReporter.h"

#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include "engine/AnsiText_win.h"
#include "engine/PathScan.h"
#include "resources/resource.h"
#include "ui/Messages.h"

namespace {

// A new log starts with the byte order mark, so that editors that would take
// a file without one for the system's code page read the Japanese correctly.
const char kUtf8Mark[] = "\xEF\xBB\xBF";

// `text` (installer code page) as UTF-8, with line breaks turned into " / "
// so that one report stays one line of the log.
std::string ToUtf8Line(const char* text) {
    std::string flat;
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') {
            continue;
        }
        flat += *p == '\n' ? std::string(" / ") : std::string(1, *p);
    }
    int wideLength = MultiByteToWideChar(CP_ACP, 0, flat.c_str(), -1, nullptr, 0);
    if (wideLength <= 0) {
        return flat;
    }
    std::vector<wchar_t> wide(static_cast<size_t>(wideLength));
    MultiByteToWideChar(CP_ACP, 0, flat.c_str(), -1, wide.data(), wideLength);
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, nullptr, 0, nullptr, nullptr);
    if (length <= 0) {
        return flat;
    }
    std::vector<char> utf8(static_cast<size_t>(length));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), -1, utf8.data(), length, nullptr, nullptr);
    return std::string(utf8.data());
}

const char* SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return "ERROR";
        case Severity::Warning:
            return "WARNING";
        case Severity::Information:
            break;
    }
    return "INFO";
}

const char* StepName(Step step) {
    switch (step) {
        case Step::FileSkipped:
            return "SKIP";
        case Step::ShortcutMade:
            return "SHORTCUT";
        case Step::RegistryValue:
            return "REGISTRY";
        case Step::Removed:
            return "REMOVED";
        case Step::NotRemoved:
            return "KEPT";
        case Step::Started:
            break;
    }
    return "START";
}

}  // namespace

bool LogReporter::Open(const char* path) {
    // Shared for writing: the "/r" run keeps its log open while its "/k"
    // copy appends to the same file.
    KernelHandle file(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        return false;
    }
    file_ = std::move(file);
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file_.Get(), &size) && size.QuadPart == 0) {
        pending_.insert(0, kUtf8Mark);
    }
    DWORD written = 0;
    if (!pending_.empty()) {
        WriteFile(file_.Get(), pending_.data(), static_cast<DWORD>(pending_.size()), &written, nullptr);
        pending_.clear();
    }
    return true;
}

void LogReporter::Notify(const Notice& notice) {
    // The code goes on the line's head, not under the text as a box shows it.
    Notice plain = notice;
    plain.siteCode = 0;
    char text[kNoticeCapacity];
    RenderNotice(text, plain);
    char line[kNoticeCapacity + 64];
    std::snprintf(line, sizeof line, "%s message %d code %d: %s", SeverityName(notice.severity), notice.messageId,
                  notice.siteCode, text);
    Write(line);
}

bool LogReporter::Ask(const Question& question) {
    char text[kMessageCapacity];
    LoadMessage(question.messageId, text, sizeof text);
    char line[kMessageCapacity + 64];
    std::snprintf(line, sizeof line, "QUESTION message %d: %s -> No", question.messageId, text);
    Write(line);
    return false;
}

bool LogReporter::AskRetryInUse(const char* file, const char* holder) {
    char text[kNoticeCapacity];
    RenderInUseQuestion(text, file, holder);
    char line[kNoticeCapacity + 64];
    std::snprintf(line, sizeof line, "QUESTION message %d: %s -> Cancel", MSG_FILE_IN_USE, text);
    Write(line);
    return false;
}

void LogReporter::Copying(const char* source, const char* destination) {
    char line[2 * kPathCapacity + 16];
    std::snprintf(line, sizeof line, "COPY %s -> %s", source, destination);
    Write(line);
}

void LogReporter::Record(Step step, const char* subject, const char* detail) {
    char line[3 * kPathCapacity];
    std::snprintf(line, sizeof line, "%s %s%s%s", StepName(step), subject ? subject : "",
                  detail ? (step == Step::RegistryValue ? " = " : ": ") : "", detail ? detail : "");
    Write(line);
}

void LogReporter::Note(const char* text) {
    Write(text);
}

void LogReporter::Write(const char* text) {
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    char stamp[64];
    std::snprintf(stamp, sizeof stamp, "%04u-%02u-%02u %02u:%02u:%02u [%lu] ", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, static_cast<unsigned long>(GetCurrentProcessId()));
    std::string line = stamp + ToUtf8Line(text) + "\r\n";
    if (!file_) {
        pending_ += line;
        return;
    }
    // One write per line: with FILE_APPEND_DATA it lands whole at the end,
    // whichever process writes.
    DWORD written = 0;
    WriteFile(file_.Get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
}

bool DefaultLogPath(char (&out)[kPathCapacity], const char* key) {
    char temp[MAX_PATH + 1] = {};
    DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp) {
        out[0] = '\0';
        return false;
    }
    if (key == nullptr || key[0] == '\0') {
        return JoinPath(out, kPathCapacity, {temp, "Mivo.log"});
    }
    return JoinPath(out, kPathCapacity, {temp, "Mivo-", key, ".log"});
}
