#include "ui/Messages.h"

#include <cstring>

namespace {
HINSTANCE g_messageModule = nullptr;
const char kErrorCaption[] = "Error !";
}  // namespace

void SetMessageModule(HINSTANCE module) {
    g_messageModule = module;
}

void ShowError(HWND owner, int id, int code) {
    char text[kMessageCapacity + 32] = {};
    LoadStringA(g_messageModule, id, text, kMessageCapacity);
    if (code != 0) {
        size_t used = std::strlen(text);
        wsprintfA(text + used, "\n  (ErrorCode : %d)", code);
    }
    MessageBoxA(owner, text, kErrorCaption, MB_ICONERROR);
}
