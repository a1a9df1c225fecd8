// Owners of what Win32 calls hand out, shared by both programs and the tests:
// each releases exactly what it got, once, and can be moved but never copied.
// A traits type names the handle type, the value that stands for none and how
// to release one.
#pragma once

#include <windows.h>

#include <objbase.h>
#include <shtypes.h>

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() = default;
    explicit ScopedHandle(Handle handle) : handle_(handle) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = Traits::None(); }
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) {
            Reset(other.handle_);
            other.handle_ = Traits::None();
        }
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return Traits::Valid(handle_); }
    // Releases the one held and takes `handle`.
    void Reset(Handle handle = Traits::None()) {
        if (Traits::Valid(handle_)) {
            Traits::Release(handle_);
        }
        handle_ = handle;
    }
    // For the calls that hand a new one out through a pointer.
    Handle* Receive() {
        Reset();
        return &handle_;
    }

private:
    Handle handle_ = Traits::None();
};

// Handles for which null, and only null, stands for none.
template <typename H>
struct NullIsNone {
    using Handle = H;
    static Handle None() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr; }
};

// Processes, threads, tokens and files. Some calls report failure with null,
// file calls with INVALID_HANDLE_VALUE: neither is released.
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle None() { return nullptr; }
    static bool Valid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Release(Handle handle) { CloseHandle(handle); }
};
using KernelHandle = ScopedHandle<KernelHandleTraits>;

// A search of FindFirstFileA or FindFirstFileW, closed with FindClose.
struct FileSearchTraits {
    using Handle = HANDLE;
    static Handle None() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Release(Handle handle) { FindClose(handle); }
};
using FileSearch = ScopedHandle<FileSearchTraits>;

// A block from GlobalAlloc.
struct GlobalMemoryTraits : NullIsNone<HGLOBAL> {
    static void Release(Handle handle) { GlobalFree(handle); }
};
using GlobalMemory = ScopedHandle<GlobalMemoryTraits>;

// A menu from CreatePopupMenu or CreateMenu that no window holds.
struct MenuTraits : NullIsNone<HMENU> {
    static void Release(Handle handle) { DestroyMenu(handle); }
};
using Menu = ScopedHandle<MenuTraits>;

// A block from LocalAlloc, or one a call hands out to be freed with LocalFree
// (CommandLineToArgvW, FormatMessage with FORMAT_MESSAGE_ALLOCATE_BUFFER).
template <typename Pointer>
struct LocalMemoryTraits : NullIsNone<Pointer> {
    static void Release(Pointer block) { LocalFree(reinterpret_cast<HLOCAL>(block)); }
};
template <typename Pointer>
using LocalMemory = ScopedHandle<LocalMemoryTraits<Pointer>>;

// An item identifier list the shell allocated with the task allocator.
struct ItemIdListTraits : NullIsNone<LPITEMIDLIST> {
    static void Release(Handle handle) { CoTaskMemFree(handle); }
};
using ItemIdList = ScopedHandle<ItemIdListTraits>;

// A SID from AllocateAndInitializeSid.
struct AllocatedSidTraits : NullIsNone<PSID> {
    static void Release(Handle handle) { FreeSid(handle); }
};
using AllocatedSid = ScopedHandle<AllocatedSidTraits>;

// A window this code created and alone destroys (a modeless dialog).
struct OwnedWindowTraits : NullIsNone<HWND> {
    static void Release(Handle handle) { DestroyWindow(handle); }
};
using OwnedWindow = ScopedHandle<OwnedWindowTraits>;

// A module from LoadLibrary.
struct ModuleTraits : NullIsNone<HMODULE> {
    static void Release(Handle handle) { FreeLibrary(handle); }
};
using LoadedModule = ScopedHandle<ModuleTraits>;
