// What the installer's tests share: a distribution folder with Mivo.exe as
// its Setup.exe, the installer's message texts, and the support helpers with
// paths and texts in the installer's code page, as the ANSI installer names
// and writes them; and the clean-up of what an install left.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "support/GuiDriver.h"
#include "support/TestFiles.h"

namespace installkit {

// A distribution folder: Setup.exe (a copy of Mivo.exe) beside whatever a
// test puts there, in a scratch folder that goes with the object.
class Distribution {
public:
    // The folder is `name` inside the scratch folder (blanks and Japanese
    // are welcome), or the scratch folder itself when `name` is empty.
    explicit Distribution(const std::wstring& name = L"");

    // False when Setup.exe could not be made.
    bool Ready() const { return ready_; }
    const std::wstring& Dir() const { return dir_; }
    std::string AnsiDir() const { return testfiles::ToAnsi(dir_); }
    std::wstring operator/(const std::wstring& name) const { return dir_ + L"\\" + name; }
    std::wstring Setup() const { return dir_ + L"\\Setup.exe"; }
    // Writes `bytes` as the file `name` (relative to the folder).
    bool Put(const std::wstring& name, const std::string& bytes) const;
    // Copies the program `built` beside the tests into the folder as `name`.
    bool PutProgram(const wchar_t* built, const std::wstring& name) const;
    // Starts Setup.exe with `arguments`, in the distribution folder.
    gui::Process Start(const std::wstring& arguments = L"") const;
    // The scratch folder around it, for what belongs outside the distribution.
    const testfiles::ScratchDir& Scratch() const { return scratch_; }

private:
    testfiles::ScratchDir scratch_{L"dist"};
    std::wstring dir_;
    bool ready_ = false;
};

// A message of the installer's table as it shows it.
std::wstring MessageText(int id);

// The shortcut a test expects, from texts in the installer's code page.
testfiles::Shortcut LinkTo(const std::string& target,
                           const std::string& arguments,
                           const std::string& workingDirectory,
                           const std::string& description,
                           const std::string& iconPath = "",
                           int iconIndex = 0);
testfiles::Shortcut ReadLink(const std::string& path);

// The values of `root`\`subKey` in enumeration order (which under Wine is the
// order of writing), each with its REG_SZ text or, for a REG_DWORD,
// "dword:" and the number; empty when the key is absent.
using RegValues = std::vector<std::pair<std::string, std::string>>;
RegValues ReadRegValues(HKEY root, const std::string& subKey);
bool RegKeyExists(HKEY root, const std::string& subKey);

// A profile string; `fallback` when the key is absent.
std::string ReadIni(const std::string& path, const char* section, const char* key, const char* fallback = "?");

// Folders without a trailing backslash, but for the temporary directory.
std::string SpecialFolder(int csidl);
std::string WindowsDir();
std::string ProgramFilesDir();
std::string TempDir();
// "YYYYMMDD" of today, as an uninstall entry's "InstallDate".
std::string Today();

bool Exists(const std::string& path);
std::string ReadText(const std::string& path);
// Writes `text` as the file `path`, making the folders above it.
bool WriteText(const std::string& path, const std::string& text);

// Everything below `dir`: each file's bytes and each directory as "<dir>",
// by path relative to it ("\\sub\\a.txt"), and the attributes of a file
// that has more than the archive bit ("\\a.txt attributes").
std::map<std::string, std::string> Tree(const std::string& dir);

// Everything an install may leave, removed when the object goes, so a failed
// test does not spoil the next one.
class InstallLeftovers {
public:
    InstallLeftovers() = default;
    ~InstallLeftovers();
    InstallLeftovers(const InstallLeftovers&) = delete;
    InstallLeftovers& operator=(const InstallLeftovers&) = delete;

    void Directory(const std::string& path) { directories_.push_back(path); }
    void File(const std::string& path) { files_.push_back(path); }
    void Key(HKEY root, const std::string& subKey) { keys_.emplace_back(root, subKey); }

private:
    std::vector<std::string> directories_;
    std::vector<std::string> files_;
    std::vector<std::pair<HKEY, std::string>> keys_;
};

// A file held open without sharing by another process (mivo_file_holder.exe
// beside the tests), as a running program holds its files, until Release()
// or the end of the object.
class HeldFile {
public:
    explicit HeldFile(const std::string& path);
    ~HeldFile() { Release(); }
    HeldFile(const HeldFile&) = delete;
    HeldFile& operator=(const HeldFile&) = delete;

    // Whether the other process holds the file now.
    bool Held() const { return held_; }
    // Lets go of the file and waits until the process has ended.
    void Release();

    static constexpr const wchar_t* kProgram = L"mivo_file_holder.exe";

private:
    KernelHandle heldEvent_;
    KernelHandle releaseEvent_;
    gui::Process process_;
    bool held_ = false;
};

}  // namespace installkit
