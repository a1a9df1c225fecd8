#include "ui/Messages.h"

#include <climits>
#include <cstring>
#include <string>

#include "engine/AnsiText_win.h"
#include "engine/InstallRules.h"
#include "engine/MachineFacts_win.h"
#include "engine/Paths_win.h"
#include "engine/SetupInfo_win.h"
#include "resources/resource.h"

namespace {

HINSTANCE g_messageModule = nullptr;
const char kErrorCaption[] = "Error !";

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
    if (notice.detailMessageId != 0) {
        char closing[kMessageCapacity];
        LoadMessage(notice.detailMessageId, closing, sizeof(closing));
        AppendAnsiBounded(out, kNoticeCapacity, "\n");
        AppendAnsiBounded(out, kNoticeCapacity, closing);
    }
}

void RenderInUseQuestion(char* out, const char* file, const char* holder) {
    char format[kMessageCapacity];
    char line[kMessageCapacity];
    LoadMessage(MSG_FILE_IN_USE, format, sizeof(format));
    FormatErrorText(line, format, file, 0);
    CopyAnsiBounded(out, kNoticeCapacity, line);
    if (holder != nullptr && holder[0] != '\0') {
        LoadMessage(MSG_FILE_HELD_BY, format, sizeof(format));
        FormatErrorText(line, format, holder, 0);
        AppendAnsiBounded(out, kNoticeCapacity, "\n");
        AppendAnsiBounded(out, kNoticeCapacity, line);
    }
    LoadMessage(MSG_CLOSE_AND_RETRY, line, sizeof(line));
    AppendAnsiBounded(out, kNoticeCapacity, "\n\n");
    AppendAnsiBounded(out, kNoticeCapacity, line);
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
        case MessageKind::RetryQuestion:
            flags = MB_ICONEXCLAMATION | MB_RETRYCANCEL;
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
    const InstallDirFolders folders = CollectInstallDirFolders();
    InstallDirProblem problem = CheckInstallDirText(dir, folders, NextAnsiChar);
    // The same folder under another name: a short (8.3) name, an
    // administrative share of this machine.
    std::string longForm;
    if (problem == InstallDirProblem::None && LongFormOf(dir, longForm) &&
        CheckInstallDirText(longForm.c_str(), folders, NextAnsiChar) == InstallDirProblem::ProtectedFolder) {
        problem = InstallDirProblem::ProtectedFolder;
    }
    switch (problem) {
        case InstallDirProblem::None:
            break;
        case InstallDirProblem::Unspecified:
            return MSG_SPECIFY_INSTALL_DIR;
        case InstallDirProblem::ForbiddenSymbol:
            return MSG_BAD_DIR_CHARS;
        case InstallDirProblem::ProtectedFolder:
            return MSG_PROTECTED_INSTALL_DIR;
    }
    return 0;
}

bool ValidateInstallDir(HWND owner, const char* dir) {
    int problem = CheckInstallDir(dir);
    if (problem == MSG_PROTECTED_INSTALL_DIR) {
        ShowErrorText(owner, problem, 0, dir);
        return false;
    }
    if (problem != 0) {
        ShowError(owner, problem, 0);
        return false;
    }
    return true;
}
