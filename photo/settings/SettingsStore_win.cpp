#include "settings/SettingsStore_win.h"

#include <windows.h>

#include <cwchar>
#include <string>
#include <utility>

#include "win/ScopedHandle.h"

const wchar_t kSettingsFileName[] = L"TDR.ini";
const wchar_t kSettingsSection[] = L"SETTINGS";

namespace {

constexpr size_t kPathCapacity = 1024;

// An existing file larger than this is not something we wrote; it is left as
// it is rather than read whole into memory.
constexpr DWORD kLargestConvertedFile = 4 * 1024 * 1024;

const unsigned char kUtf16Bom[] = {0xFF, 0xFE};
const unsigned char kUtf8Bom[] = {0xEF, 0xBB, 0xBF};

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

bool FormPath(const wchar_t* windowsDir, wchar_t (&path)[kPathCapacity]) {
    return SettingsFilePath(windowsDir, path, kPathCapacity);
}

// The profile functions keep a file in the encoding they find it in, and a
// file they create themselves is ANSI, where a watermark such as "★" or an
// emoji would come back as "?". So the file is created as UTF-16 (a byte-order
// mark alone is enough for them), and a file of an earlier release, ANSI or
// UTF-8, is converted once, read the way the profile functions read it.
void MakeUnicodeProfile(const wchar_t* path) {
    // Pending writes go to disk first; afterwards the functions must not hand
    // out what they cached from the old contents.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);

    KernelHandle created(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (created) {
        WriteAll(created.Get(), kUtf16Bom, sizeof(kUtf16Bom));
        return;
    }

    std::string bytes;
    {
        KernelHandle existing(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!existing) {
            return;
        }
        LARGE_INTEGER size = {};
        if (!GetFileSizeEx(existing.Get(), &size) || size.QuadPart > kLargestConvertedFile) {
            return;
        }
        bytes.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        if (!bytes.empty() && (!ReadFile(existing.Get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr) ||
                               read != bytes.size())) {
            return;
        }
    }
    // UTF-16 in either byte order is kept as it is.
    if (bytes.size() >= 2 &&
        ((static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) ||
         (static_cast<unsigned char>(bytes[0]) == 0xFE && static_cast<unsigned char>(bytes[1]) == 0xFF))) {
        return;
    }
    UINT codePage = CP_ACP;
    size_t skip = 0;
    if (bytes.size() >= 3 && bytes.compare(0, 3, reinterpret_cast<const char*>(kUtf8Bom), 3) == 0) {
        codePage = CP_UTF8;
        skip = 3;
    }
    std::wstring text;
    if (bytes.size() > skip) {
        int count =
            MultiByteToWideChar(codePage, 0, bytes.data() + skip, static_cast<int>(bytes.size() - skip), nullptr, 0);
        if (count <= 0) {
            return;
        }
        text.resize(static_cast<size_t>(count));
        MultiByteToWideChar(codePage, 0, bytes.data() + skip, static_cast<int>(bytes.size() - skip), &text[0], count);
    }

    // Written beside the file and moved over it, so a failure part-way never
    // leaves a half-written settings file.
    std::wstring temporary = std::wstring(path) + L".new";
    {
        KernelHandle out(
            CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!out) {
            return;
        }
        bool ok = WriteAll(out.Get(), kUtf16Bom, sizeof(kUtf16Bom)) &&
                  WriteAll(out.Get(), text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)));
        if (!ok) {
            out.Reset();
            DeleteFileW(temporary.c_str());
            return;
        }
    }
    if (!MoveFileExW(temporary.c_str(), path, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        DeleteFileW(temporary.c_str());
    }
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
}

void WriteInt(const wchar_t* path, const wchar_t* key, int value) {
    wchar_t text[16];
    swprintf(text, sizeof(text) / sizeof(text[0]), L"%d", value);
    WritePrivateProfileStringW(kSettingsSection, key, text, path);
}

void WriteText(const wchar_t* path, const wchar_t* key, const wchar_t* value) {
    WritePrivateProfileStringW(kSettingsSection, key, value, path);
}

// A stored text that is empty (or absent) cannot persist: it takes its default.
void LoadText(const wchar_t* path,
              const wchar_t* key,
              const wchar_t* defaultValue,
              wchar_t (&field)[kSettingsTextCapacity],
              bool reset) {
    field[0] = L'\0';
    GetPrivateProfileStringW(kSettingsSection, key, L"", field, kSettingsTextCapacity, path);
    field[kSettingsTextCapacity - 1] = L'\0';
    if (field[0] == L'\0' || reset) {
        std::wcsncpy(field, defaultValue, kSettingsTextCapacity - 1);
        field[kSettingsTextCapacity - 1] = L'\0';
        WriteText(path, key, field);
    }
}

}  // namespace

bool SettingsFilePath(const wchar_t* windowsDir, wchar_t* path, size_t capacity) {
    if (!path || capacity == 0) {
        return false;
    }
    path[0] = L'\0';
    wchar_t systemDir[kPathCapacity] = {};
    if (!windowsDir) {
        UINT length = GetWindowsDirectoryW(systemDir, kPathCapacity);
        if (length == 0 || length >= kPathCapacity) {
            return false;
        }
        windowsDir = systemDir;
    }
    int written = swprintf(path, capacity, L"%ls\\%ls", windowsDir, kSettingsFileName);
    if (written < 0 || static_cast<size_t>(written) >= capacity) {
        path[0] = L'\0';
        return false;
    }
    return true;
}

void LoadIntSetting(const wchar_t* path, const wchar_t* key, int defaultValue, int& out, bool reset) {
    int stored = static_cast<int>(GetPrivateProfileIntW(kSettingsSection, key, -1, path));
    if (stored == -1 || reset) {
        out = defaultValue;
        WriteInt(path, key, defaultValue);
    } else {
        out = stored;
    }
}

void LoadSaveFlag(Settings& settings, const wchar_t* windowsDir) {
    wchar_t path[kPathCapacity];
    if (!FormPath(windowsDir, path)) {
        settings.saveSettings = 1;
        return;
    }
    MakeUnicodeProfile(path);
    int stored = static_cast<int>(GetPrivateProfileIntW(kSettingsSection, L"SAVE_SETTINGS", -1, path));
    if (stored == -1) {
        settings.saveSettings = 1;
        WriteInt(path, L"SAVE_SETTINGS", 1);
    } else {
        settings.saveSettings = stored;
    }
}

void LoadSettings(Settings& settings, bool reset, const wchar_t* windowsDir) {
    wchar_t path[kPathCapacity];
    if (!FormPath(windowsDir, path)) {
        int saveSettings = settings.saveSettings;
        settings = DefaultSettings();
        settings.saveSettings = saveSettings;
        return;
    }
    LoadText(path, L"OUTPUT_FILE_BASE", kDefaultOutputFileBase, settings.outputFileBase, reset);
    LoadText(path, L"CALLSCREEN_STRING", kDefaultWatermarkText, settings.callScreenString, reset);
    LoadText(path, L"CUNDERRIGHT_STRING", kDefaultCopyrightText, settings.cUnderRightString, reset);
    LoadIntSetting(path, L"ZOOM", 0, settings.zoom, reset);
    LoadIntSetting(path, L"CALLSCREEN", 0, settings.callScreen, reset);
    LoadIntSetting(path, L"CUNDERRIGHT", 1, settings.cUnderRight, reset);
    LoadIntSetting(path, L"FALLSCREEN", 30, settings.fAllScreen, reset);
    LoadIntSetting(path, L"FUNDERRIGHT", 15, settings.fUnderRight, reset);
    LoadIntSetting(path, L"ROTATION", 0, settings.rotationChoice, reset);
    LoadIntSetting(path, L"EFFECTSIZE", 10, settings.effectSize, reset);
    LoadIntSetting(path, L"ZOOMSIZENON", 0, settings.zoomSizeNon, reset);
    LoadIntSetting(path, L"ZOOMSIZESMALL", 160, settings.zoomSizeSmall, reset);
    LoadIntSetting(path, L"ZOOMSIZEMIDDLE", 320, settings.zoomSizeMiddle, reset);
    LoadIntSetting(path, L"ZOOMSIZELARGE", 500, settings.zoomSizeLarge, reset);
    LoadIntSetting(path, L"TRIMSAVESIZE", 0, settings.trimSaveSize, reset);
    LoadIntSetting(path, L"JPEG_QUALITY", kDefaultJpegQuality, settings.jpegQuality, reset);
    LoadIntSetting(path, L"KEEP_SHOOTING_DATA", 0, settings.keepShootingData, reset);
    DefaultOutOfRange(settings);
}

void SaveSettings(const Settings& settings, const wchar_t* windowsDir) {
    wchar_t path[kPathCapacity];
    if (!FormPath(windowsDir, path)) {
        return;
    }
    MakeUnicodeProfile(path);
    WriteInt(path, L"SAVE_SETTINGS", settings.saveSettings);
    if (settings.saveSettings == 0) {
        return;
    }
    WriteText(path, L"OUTPUT_FILE_BASE", settings.outputFileBase);
    WriteInt(path, L"ZOOM", settings.zoom);
    WriteInt(path, L"CALLSCREEN", settings.callScreen);
    WriteInt(path, L"CUNDERRIGHT", settings.cUnderRight);
    WriteText(path, L"CALLSCREEN_STRING", settings.callScreenString);
    WriteText(path, L"CUNDERRIGHT_STRING", settings.cUnderRightString);
    WriteInt(path, L"FALLSCREEN", settings.fAllScreen);
    WriteInt(path, L"FUNDERRIGHT", settings.fUnderRight);
    WriteInt(path, L"ROTATION", settings.rotationChoice);
    WriteInt(path, L"EFFECTSIZE", settings.effectSize);
    WriteInt(path, L"ZOOMSIZENON", settings.zoomSizeNon);
    WriteInt(path, L"ZOOMSIZESMALL", settings.zoomSizeSmall);
    WriteInt(path, L"ZOOMSIZEMIDDLE", settings.zoomSizeMiddle);
    WriteInt(path, L"ZOOMSIZELARGE", settings.zoomSizeLarge);
    WriteInt(path, L"TRIMSAVESIZE", settings.trimSaveSize);
    WriteInt(path, L"JPEG_QUALITY", settings.jpegQuality);
    WriteInt(path, L"KEEP_SHOOTING_DATA", settings.keepShootingData);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
}
