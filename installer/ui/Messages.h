// The installer's message table and its message boxes. Every text the
// installer shows, apart from the dialog templates, is a message id from
// resources/resource.h (MSG_*).
#pragma once

#include <windows.h>

#include <cstddef>

#include "engine/InstallerState_win.h"
#include "engine/Reporter.h"

// Capacity of a loaded or formatted message, including the terminating zero.
constexpr size_t kMessageCapacity = 256;

// The module whose string table holds the messages (the entry sets it).
void SetMessageModule(HINSTANCE module);

// Loads message `id` into `buffer` (cut to `capacity`); empty when missing.
void LoadMessage(int id, char* buffer, size_t capacity);

// Builds the text of an error box into `out` (kMessageCapacity bytes):
// `format` with its one "%s" replaced by `argument` (format used as it is
// when `argument` is null), then "\n  (ErrorCode : code)" when `code` is not
// 0. A long argument is cut at a character boundary so that the rest of the
// message and the code line always fit.
void FormatErrorText(char* out, const char* format, const char* argument, int code);

// Error box: caption "Error !", error icon, OK.
void ShowError(HWND owner, int id, int code);
// The same with message `id` used as a format for `argument`.
void ShowErrorText(HWND owner, int id, int code, const char* argument);

// The other box kinds, captioned with the setup title.
enum class MessageKind {
    Error,            // MB_ICONERROR, caption "Error !"
    Information,      // MB_ICONINFORMATION
    Warning,          // MB_ICONEXCLAMATION
    Question,         // MB_ICONQUESTION | MB_YESNO
    RestartQuestion,  // MB_ICONINFORMATION | MB_YESNO
    RetryQuestion,    // MB_ICONEXCLAMATION | MB_RETRYCANCEL
};

// Capacity of a notice's whole text: a message, a refused path under it and
// a closing message.
constexpr size_t kNoticeCapacity = 2 * kMessageCapacity + kPathCapacity + 2;

// The text of `notice` as its box shows it, into `out` (kNoticeCapacity
// bytes): the setup file's own text, or the message with its argument and
// code line (FormatErrorText), then the detail and the detail message each on
// a line of its own.
void RenderNotice(char* out, const Notice& notice);

// The question about a destination in use, into `out` (kNoticeCapacity
// bytes): message 33 naming `file`, message 34 naming `holder` when known,
// and what the two buttons do.
void RenderInUseQuestion(char* out, const char* file, const char* holder);

// The box kind that shows a notice of `severity` or a question of `style`.
MessageKind BoxKindOf(Severity severity);
MessageKind BoxKindOf(QuestionStyle style);

// The caption of a box of `kind`: "Error !" for errors, else the setup title.
const char* CaptionOf(MessageKind kind);

// Shows `text` in a box of `kind`; returns MessageBoxA's answer.
int ShowMessageText(HWND owner, MessageKind kind, const char* text);
// Shows message `id` in a box of `kind`; returns MessageBoxA's answer.
int ShowMessage(HWND owner, MessageKind kind, int id);

// Question 3, owned by `owner`: true when the user answers Yes.
bool ConfirmCancelInstall(HWND owner);

// Which message a typed install directory earns (CheckInstallDirText with
// this machine's folders, also under the long form of the text): 0 when
// acceptable, 21 when empty, ending in a backslash, not a full path or a
// root, 24 for a forbidden symbol, 31 for a folder of the system or a
// profile root.
int CheckInstallDir(const char* dir);

// CheckInstallDir with the error box shown (message 31 naming `dir`): true
// when acceptable.
bool ValidateInstallDir(HWND owner, const char* dir);
