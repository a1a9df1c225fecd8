// The installer's message table and its message boxes.
#pragma once

#include <windows.h>

// The module whose string table holds the messages.
void SetMessageModule(HINSTANCE module);

// Error box (caption "Error !") with message `id`; a non-zero `code` adds the
// "ErrorCode" line.
void ShowError(HWND owner, int id, int code);
