#include "engine/Preload_win.h"

#include <windows.h>

#include <process.h>

#include <string>

#include "imaging/Image_win.h"
#include "win/ScopedHandle.h"

namespace {

// Written by the loading thread until it ends; read by the main thread only
// after waiting for that.
struct Preload {
    std::wstring path;
    KernelHandle thread;
    ImgHandle picture = nullptr;
    std::vector<uint8_t> shootingData;
    uint32_t error = 0;
};

Preload preload;

unsigned __stdcall LoadAhead(void*) {
    preload.picture = ImgLoadW(preload.path.c_str(), &preload.shootingData);
    preload.error = ImgLastError();
    return 0;
}

// Waits for the loading thread, repainting this thread's windows meanwhile:
// the main window is already up, and a large picture may take seconds. Only
// paints and messages sent from elsewhere are handled, no input: nothing the
// user does can start while the picture is being opened.
void WaitForPreload() {
    HANDLE thread = preload.thread.Get();
    for (;;) {
        DWORD result = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_PAINT | QS_SENDMESSAGE);
        if (result != WAIT_OBJECT_0 + 1) {
            break;
        }
        // Bounded: a window that never validates itself would otherwise
        // keep this loop from seeing the thread end.
        MSG message;
        for (int i = 0; i < 64 && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE | PM_QS_PAINT); ++i) {
            DispatchMessageW(&message);
        }
    }
    preload.thread.Reset();
}

}  // namespace

void StartPreload(const wchar_t* path) {
    if (!path || !*path || preload.thread) {
        return;
    }
    preload.path = path;
    preload.thread.Reset(reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, LoadAhead, nullptr, 0, nullptr)));
}

bool TakePreload(const wchar_t* path, ImgHandle* picture, std::vector<uint8_t>* shootingData, uint32_t* error) {
    if (!preload.thread || !path || preload.path != path) {
        return false;
    }
    WaitForPreload();
    *picture = preload.picture;
    *shootingData = std::move(preload.shootingData);
    *error = preload.error;
    preload = Preload();
    return true;
}

void DiscardPreload() {
    if (!preload.thread) {
        return;
    }
    WaitForPreload();
    ImgFree(preload.picture);
    preload = Preload();
}
