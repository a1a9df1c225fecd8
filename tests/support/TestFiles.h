// Files and folders for tests: the build's bin folder, scratch folders that
// vanish with the test, small file helpers, directory links and shortcuts.
#pragma once

#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

namespace testfiles {

// The folder holding the test program, with a trailing backslash; the
// programs under test are built beside it.
std::wstring BinDir();

// A new empty folder under the temporary directory (no trailing backslash),
// removed with everything in it when the object goes.
class ScratchDir {
public:
    explicit ScratchDir(const wchar_t* prefix = L"t");
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    const std::wstring& Path() const { return path_; }
    std::wstring operator/(const std::wstring& name) const { return path_ + L"\\" + name; }

private:
    std::wstring path_;
};

// Removes a tree, read-only files included; a directory link in it is
// removed without entering it, so what it points to stays.
bool RemoveTree(const std::wstring& path);
// The same, waiting up to `timeoutMs` for a program started from the tree to
// end. True when the tree is gone.
bool RemoveTreeWaiting(const std::wstring& path, DWORD timeoutMs = 10000);
// Deletes a file, clearing a read-only attribute first; absent is fine.
void DeleteFileForce(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
bool PathExists(const std::wstring& path);  // a file or a directory
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool CopyTo(const std::wstring& from, const std::wstring& to);
// The names of the files (not folders) in `dir` that match `pattern`.
std::vector<std::wstring> FilesIn(const std::wstring& dir, const wchar_t* pattern = L"*");
// Creates the folders above `path` that are missing.
void MakeParentDirs(const std::wstring& path);

// Sets a file's last-write time to `secondsFromNow` seconds from now.
bool SetFileAge(const std::wstring& path, int secondsFromNow);
// Gives `to` exactly the last-write time of `from`.
bool CopyFileAge(const std::wstring& from, const std::wstring& to);

// Makes `link` a directory link to `target`: a junction where Windows supports
// one; under Wine, which has none, a Unix symbolic link, which Wine reports as
// a reparse point just the same. True when `link` exists afterwards.
bool MakeDirectoryLink(const std::wstring& link, const std::wstring& target);
// Removes the link `link` without touching what it points to.
void RemoveDirectoryLink(const std::wstring& link);

// A shortcut file as the shell's link object reads it back.
struct Shortcut {
    bool loaded = false;
    std::wstring target, arguments, workingDirectory, description, iconPath;
    int iconIndex = 0;
};
Shortcut ReadShortcut(const std::wstring& path);
bool operator==(const Shortcut& a, const Shortcut& b);
std::ostream& operator<<(std::ostream& out, const Shortcut& shortcut);

// Text conversions for comparing what the ANSI installer shows or writes.
std::wstring FromAnsi(const std::string& text);
std::wstring FromUtf8(const std::string& text);
std::string ToAnsi(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);

}  // namespace testfiles
