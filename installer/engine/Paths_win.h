// Path entries of the setup information file and the small file-system
// operations the install and uninstall flows build on. All paths are ANSI
// text of at most 255 bytes; a path that would come out longer is treated
// like one that cannot be resolved.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "engine/InstallerState_win.h"

class Reporter;

// Special folders of the shell the installer uses (CSIDL values).
constexpr int kFolderDesktop = 0;          // CSIDL_DESKTOP
constexpr int kFolderPrograms = 2;         // CSIDL_PROGRAMS
constexpr int kFolderPersonal = 5;         // CSIDL_PERSONAL, "%MYDOCUMENTS"
constexpr int kFolderStartup = 7;          // CSIDL_STARTUP
constexpr int kFolderTemplates = 21;       // CSIDL_TEMPLATES, "%TEMPLATES"
constexpr int kFolderCommonPrograms = 23;  // CSIDL_COMMON_PROGRAMS
constexpr int kFolderCommonStartup = 24;   // CSIDL_COMMON_STARTUP
constexpr int kFolderCommonDesktop = 25;   // CSIDL_COMMON_DESKTOPDIRECTORY

// CharNextA as a plain function, for the scans of engine/PathScan.h.
const char* NextAnsiChar(const char* p);

// The key an "Install" "InstallDirReg" value names: the root before its first
// backslash, "HKEY_CURRENT_USER" or "HKEY_LOCAL_MACHINE" exactly spelt, and
// the subkey path after it. False for a value without a backslash or with
// any other root.
bool SplitInstallDirReg(const char* value, HKEY& root, const char*& subKey);

// Turns a path entry into a full path: "%MACRO%rest" (a built-in folder macro,
// matched case-sensitively, or else an environment variable), a drive path
// ("D:\a.exe", unchanged), or a path relative to the install directory as it
// is at the moment of the call. False, with `output` empty, when the entry is
// empty, has no closing "%", names no folder or variable, or resolves to more
// than 255 bytes. Reports nothing.
bool ResolvePath(char (&output)[kPathCapacity], const char* entry);

// The file-system path of shell folder `csidl`; false when the shell has none
// (or only one longer than 255 bytes).
bool GetSpecialFolderPath(int csidl, char (&output)[kPathCapacity]);

// True when `path` names an existing file or directory; `lastWrite`, when
// given, receives its last-write time.
bool FileExists(const char* path, FILETIME* lastWrite = nullptr);

// Computes the install directory from the setup file's "InstallDir" value (not
// empty) and "InstallDirReg" (may be empty): a directory remembered in the
// registry wins; a value beginning with a backslash lies on the Windows
// directory's drive; anything else below the Program Files directory. Sets
// `InstallDir` and returns true, or reports error 2 or 9 and returns false.
bool ResolveInstallDir(Reporter& reporter, const char* installDirValue, const char* installDirReg);

// Creates every missing level of the drive path `path`. Failures (levels that
// exist already among them) are ignored. `created`, when given, receives each
// level this call made.
void CreateDirectoryTree(const char* path, std::vector<std::string>* created = nullptr);

// The source file of a "Files" path field: the own directory followed by the
// field's last component. Sources are always taken flat from beside the setup
// program. False, with `output` empty, when that would exceed 255 bytes.
bool SourcePathFor(char (&output)[kPathCapacity], const char* ownDir, const char* field);

// Copies `source` over `destination`; when that fails, creates the
// destination's directory and tries once more. False when the copy failed or
// the destination lies directly in a drive root, GetLastError() then telling
// why; a copy cancelled by `progress` (CopyFileEx's routine, given `context`)
// or refused because a file is in use is not tried again. `created`, when
// given, receives each directory made for it.
bool CopyFileCreatingDirs(const char* source,
                          const char* destination,
                          std::vector<std::string>* created = nullptr,
                          LPPROGRESS_ROUTINE progress = nullptr,
                          void* context = nullptr);
