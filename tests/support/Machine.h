// The machine beyond a test's own files, as installs change it: system and
// shell folders, registry keys, running processes, the file operations the
// system keeps for its next start.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace machine {

// Folders, without a trailing backslash; empty when there is none.
std::wstring WindowsDir();
std::wstring SpecialFolder(int csidl);
std::wstring ProgramFilesDir();

// A REG_SZ value, or "<absent>".
std::wstring RegText(HKEY root, const std::wstring& key, const wchar_t* name);
bool KeyExists(HKEY root, const std::wstring& key);
// Creates `key` (with its parents) holding one REG_SZ value.
bool MakeKey(HKEY root, const std::wstring& key, const wchar_t* name = L"Setting", const wchar_t* value = L"on");
// Deletes the key with everything below it; absent is fine.
void DeleteKeyTree(HKEY root, const std::wstring& key);

// The ids of the running processes whose executable is named `image`.
std::vector<DWORD> ProcessesNamed(const wchar_t* image);
// Waits until a process named `image` has appeared (up to `appearMs`) and
// every such process has ended (up to `endMs`). False on a time-out.
bool WaitForProcessNamedToEnd(const wchar_t* image, DWORD appearMs, DWORD endMs);

// The system's delayed file operations: source and target in the registry's
// "\??\C:\..." form; an empty target means deletion.
std::vector<std::pair<std::wstring, std::wstring>> PendingFileOperations();
// True when a delayed deletion names `path` (compared without regard to case).
bool DeletionPendingFor(const std::wstring& path);
// Takes every delayed operation on `path` off the list again: a test prefix
// never restarts, and other tests look for their own entries.
void ForgetPendingOperations(const std::wstring& path);

}  // namespace machine
