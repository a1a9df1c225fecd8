#include "ui/Messages.h"

#include <climits>
#include <cstring>

#include "engine/AnsiText_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"

namespace {

HINSTANCE g_messageModule = nullptr;
const char kErrorCaption[] = "Error !";

// Characters a directory name may not hold after its drive part. The
// backslash is the separator and therefore allowed.
const char kForbiddenDirChars[] = "/:,;\"<>|";

}  // namespace

void SetMessageModule(HINSTANCE module) {
    g_messageModule = module;
}

void LoadMessage(int id, char* buffer, size_t capacity) {
    buffer[0] = '\0';
    HINSTANCE module = g_messageModule ? g_messageModule : GetModuleHandleA(nullptr);
    int limit = capacity > INT_MAX ? INT_MAX : static_cast<int>(capacity);
    if (LoadStringA(module, static_cast<UINT>(id), buffer, limit) <= 0) {
        buffer[0] = '\0';
    }
}

void FormatErrorText(char* out, const char* format, const char* argument, int code) {
    char codeLine[40] = "";
    if (code != 0) {
        wsprintfA(codeLine, "\n  (ErrorCode : %d)", code);
    }
    // What the message itself may use so that the code line still fits.
    const size_t budget = kMessageCapacity - 1 - std::strlen(codeLine);
    const char* slot = argument ? std::strstr(format, "%s") : nullptr;
    if (slot) {
        size_t fixed = std::strlen(format) - 2;
        size_t room = fixed < budget ? budget - fixed : 0;
        char cutArgument[kMessageCapacity];
        CopyAnsiBounded(cutArgument, room + 1 < sizeof(cutArgument) ? room + 1 : sizeof(cutArgument), argument);
        if (fixed <= budget) {
            // Bounded by construction: at most `budget` bytes come out.
            wsprintfA(out, format, cutArgument);
        } else {
            out[0] = '\0';
            AppendAnsiBounded(out, budget + 1, format);
        }
    } else {
        out[0] = '\0';
        AppendAnsiBounded(out, budget + 1, format);
    }
    std::strcat(out, codeLine);
}

void RenderNotice(char* out, const Notice& notice) {
    if (notice.text != nullptr) {
        CopyAnsiBounded(out, kNoticeCapacity, notice.text);
    } else {
        char format[kMessageCapacity];
        LoadMessage(notice.messageId, format, sizeof(format));
        FormatErrorText(out, format, notice.argument, notice.siteCode);
    }
    if (notice.detail != nullptr) {
        AppendAnsiBounded(out, kNoticeCapacity, "\n");
        AppendAnsiBounded(out, kNoticeCapacity, notice.detail);
    }
}

MessageKind BoxKindOf(Severity severity) {
    switch (severity) {
        case Severity::Error:
            return MessageKind::Error;
        case Severity::Warning:
            return MessageKind::Warning;
        case Severity::Information:
            break;
    }
    return MessageKind::Information;
}

MessageKind BoxKindOf(QuestionStyle style) {
    return style == QuestionStyle::Restart ? MessageKind::RestartQuestion : MessageKind::Question;
}

const char* CaptionOf(MessageKind kind) {
    return kind == MessageKind::Error ? kErrorCaption : g_setupInfo.title;
}

int ShowMessageText(HWND owner, MessageKind kind, const char* text) {
    UINT flags = MB_OK;
    switch (kind) {
        case MessageKind::Error:
            flags = MB_ICONERROR;
            break;
        case MessageKind::Information:
            flags = MB_ICONINFORMATION;
            break;
        case MessageKind::Warning:
            flags = MB_ICONEXCLAMATION;
            break;
        case MessageKind::Question:
            flags = MB_ICONQUESTION | MB_YESNO;
            break;
        case MessageKind::RestartQuestion:
            flags = MB_ICONINFORMATION | MB_YESNO;
            break;
    }
    return MessageBoxA(owner, text, CaptionOf(kind), flags);
}

int ShowMessage(HWND owner, MessageKind kind, int id) {
    char text[kMessageCapacity];
    LoadMessage(id, text, sizeof(text));
    return ShowMessageText(owner, kind, text);
}

void ShowError(HWND owner, int id, int code) {
    char message[kMessageCapacity];
    LoadMessage(id, message, sizeof(message));
    char text[kMessageCapacity];
    FormatErrorText(text, message, nullptr, code);
    ShowMessageText(owner, MessageKind::Error, text);
}

void ShowErrorText(HWND owner, int id, int code, const char* argument) {
    char format[kMessageCapacity];
    LoadMessage(id, format, sizeof(format));
    char text[kMessageCapacity];
    FormatErrorText(text, format, argument ? argument : "", code);
    ShowMessageText(owner, MessageKind::Error, text);
}

bool ConfirmCancelInstall(HWND owner) {
    return ShowMessage(owner, MessageKind::Question, MSG_CONFIRM_CANCEL_INSTALL) == IDYES;
}

int CheckInstallDir(const char* dir) {
    if (!dir || dir[0] == '\0') {
        return MSG_SPECIFY_INSTALL_DIR;
    }
    const char* end = dir + std::strlen(dir);
    // Stepping back by whole characters: a trail byte equal to a backslash
    // does not end the name.
    if (*CharPrevA(dir, end) == '\\') {
        return MSG_SPECIFY_INSTALL_DIR;
    }
    const char* p = dir;
    for (int skipped = 0; skipped < 3 && *p; ++skipped) {
        p = CharNextA(p);
    }
    for (; *p; p = CharNextA(p)) {
        bool singleByte = CharNextA(p) == p + 1;
        if (singleByte && std::strchr(kForbiddenDirChars, *p)) {
            return MSG_BAD_DIR_CHARS;
        }
    }
    return 0;
}

bool ValidateInstallDir(HWND owner, const char* dir) {
    int problem = CheckInstallDir(dir);
    if (problem != 0) {
        ShowError(owner, problem, 0);
        return false;
    }
    return true;
}
