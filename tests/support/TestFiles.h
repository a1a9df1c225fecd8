// Files and folders for tests: the build's bin folder, scratch folders that
// vanish with the test, small file helpers.
#pragma once

#include <string>

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

bool RemoveTree(const std::wstring& path);
bool FileExists(const std::wstring& path);
bool DirExists(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
std::string ReadFileBytes(const std::wstring& path);
bool CopyTo(const std::wstring& from, const std::wstring& to);

// Text conversions for comparing what the ANSI installer shows or writes.
std::wstring FromAnsi(const std::string& text);
std::string ToAnsi(const std::wstring& text);
std::string ToUtf8(const std::wstring& text);

}  // namespace testfiles
