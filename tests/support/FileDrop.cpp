#include "support/FileDrop.h"

#include <shlobj.h>

#include <cstring>

#include "win/ScopedHandle.h"

namespace gui {

bool DropFiles(HWND window, const std::vector<std::wstring>& files, POINT at) {
    if (!(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES)) {
        return false;
    }
    // DROPFILES, then the wide paths, each terminated, and one more terminator.
    std::vector<wchar_t> names;
    for (const std::wstring& file : files) {
        names.insert(names.end(), file.begin(), file.end());
        names.push_back(L'\0');
    }
    names.push_back(L'\0');
    std::vector<char> block(sizeof(DROPFILES) + names.size() * sizeof(wchar_t));
    DROPFILES header = {};
    header.pFiles = sizeof(DROPFILES);
    header.pt = at;
    header.fNC = FALSE;
    header.fWide = TRUE;
    std::memcpy(block.data(), &header, sizeof(header));
    std::memcpy(block.data() + sizeof(header), names.data(), names.size() * sizeof(wchar_t));

    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    KernelHandle process(OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_QUERY_INFORMATION, FALSE, pid));
    if (!process.Get()) {
        return false;
    }
    // The receiver reads the drop through GlobalLock, which takes a fixed
    // memory block as it is. The block stays behind in the receiver (its
    // DragFinish cannot free what its heap did not make); tests drop little.
    void* remote = VirtualAllocEx(process.Get(), nullptr, block.size(), MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    if (!remote) {
        return false;
    }
    SIZE_T written = 0;
    if (!WriteProcessMemory(process.Get(), remote, block.data(), block.size(), &written) || written != block.size()) {
        VirtualFreeEx(process.Get(), remote, 0, MEM_RELEASE);
        return false;
    }
    return PostMessageW(window, WM_DROPFILES, reinterpret_cast<WPARAM>(remote), 0) != 0;
}

}  // namespace gui
