#include "app/OutputName.h"

#include <cwchar>

namespace {

const wchar_t* const kFormatNames[] = {L"jpg", L"bmp", L"png", L"gif"};

bool IsSeparator(wchar_t c) {
    // Windows takes "/" as well as "\" in a path; a name like "C:/a.b/photo"
    // must not take ".b/photo" for its extension.
    return c == L'\\' || c == L'/';
}

// Appends `count` characters of `text` at `*length`; false when the result and
// its terminator would not fit into `capacity`.
bool Append(wchar_t* buffer, size_t capacity, size_t* length, const wchar_t* text, size_t count) {
    if (count >= capacity - *length) {
        return false;
    }
    std::wmemcpy(buffer + *length, text, count);
    *length += count;
    buffer[*length] = L'\0';
    return true;
}

void Clear(wchar_t* buffer, size_t capacity) {
    if (buffer && capacity > 0) {
        buffer[0] = L'\0';
    }
}

}  // namespace

const wchar_t* FormatName(int code) {
    if (code >= 1 && code <= 4) {
        return kFormatNames[code - 1];
    }
    return L"unknown";
}

bool SplitOutputName(const wchar_t* suffix,
                     const wchar_t* inputPath,
                     wchar_t* outputPath,
                     wchar_t* outputDir,
                     wchar_t* outputName,
                     size_t capacity) {
    Clear(outputPath, capacity);
    Clear(outputDir, capacity);
    Clear(outputName, capacity);
    if (!inputPath || !outputPath || !outputDir || !outputName || capacity == 0) {
        return false;
    }
    if (!suffix) {
        suffix = L"";
    }

    size_t length = std::wcslen(inputPath);
    size_t fileStart = length;
    while (fileStart > 0 && !IsSeparator(inputPath[fileStart - 1])) {
        --fileStart;
    }
    size_t extensionStart = length;
    for (size_t i = length; i > fileStart; --i) {
        if (inputPath[i - 1] == L'.') {
            extensionStart = i - 1;
            break;
        }
    }

    size_t dirLength = 0;
    size_t nameLength = 0;
    size_t pathLength = 0;
    bool fits = Append(outputDir, capacity, &dirLength, inputPath, fileStart) &&
                Append(outputName, capacity, &nameLength, inputPath + fileStart, extensionStart - fileStart) &&
                Append(outputName, capacity, &nameLength, suffix, std::wcslen(suffix)) &&
                Append(outputPath, capacity, &pathLength, outputDir, dirLength) &&
                Append(outputPath, capacity, &pathLength, outputName, nameLength) &&
                Append(outputPath, capacity, &pathLength, inputPath + extensionStart, length - extensionStart);
    if (!fits) {
        Clear(outputPath, capacity);
        Clear(outputDir, capacity);
        Clear(outputName, capacity);
    }
    return fits;
}

bool ComposeOutputPath(const wchar_t* outputDir,
                       const wchar_t* outputName,
                       int code,
                       wchar_t* outputExt,
                       wchar_t* outputPath,
                       size_t capacity) {
    Clear(outputExt, capacity);
    Clear(outputPath, capacity);
    if (!outputDir || !outputName || !outputExt || !outputPath || capacity == 0 || outputName[0] == L'\0') {
        return false;
    }
    const wchar_t* format = FormatName(code);
    size_t extLength = 0;
    size_t pathLength = 0;
    bool fits = Append(outputExt, capacity, &extLength, L".", 1) &&
                Append(outputExt, capacity, &extLength, format, std::wcslen(format)) &&
                Append(outputPath, capacity, &pathLength, outputDir, std::wcslen(outputDir)) &&
                Append(outputPath, capacity, &pathLength, outputName, std::wcslen(outputName)) &&
                Append(outputPath, capacity, &pathLength, outputExt, extLength);
    if (!fits) {
        Clear(outputExt, capacity);
        Clear(outputPath, capacity);
    }
    return fits;
}
