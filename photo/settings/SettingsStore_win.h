// "TDR.ini" in the Windows directory, section "SETTINGS", read and written
// through the private-profile functions. The main window calls LoadSaveFlag and
// LoadSettings once while it initialises and SaveSettings once when it closes.
//
// `windowsDir` is the directory start-up recorded; null means the system's
// Windows directory. Tests pass a scratch folder.
#pragma once

#include <cstddef>

#include "settings/Settings.h"

extern const wchar_t kSettingsFileName[];  // "TDR.ini"
extern const wchar_t kSettingsSection[];   // "SETTINGS"

// windowsDir + "\" + "TDR.ini" into `path`; false when it does not fit.
bool SettingsFilePath(const wchar_t* windowsDir, wchar_t* path, size_t capacity);

// Reads SAVE_SETTINGS; when absent it becomes 1 and is written (the first key
// of a new file).
void LoadSaveFlag(Settings& settings, const wchar_t* windowsDir = nullptr);

// Reads every other key; with `reset` every key takes its default and the
// default is written over the stored value.
void LoadSettings(Settings& settings, bool reset, const wchar_t* windowsDir = nullptr);

// One integer key of the file at `path`. A missing key, or one that reads as
// -1, takes `defaultValue`, which is written back, as it is with `reset`.
void LoadIntSetting(const wchar_t* path, const wchar_t* key, int defaultValue, int& out, bool reset);

// Writes SAVE_SETTINGS and, when saving is on, every other key. Write failures
// (read-only file or folder) are not reported: the run goes on as it is.
void SaveSettings(const Settings& settings, const wchar_t* windowsDir = nullptr);
