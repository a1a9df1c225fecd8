// How the output file is named: beside the input, under the input's name plus
// the suffix setting, with the extension of the chosen format. Pure text work,
// so it is tested without Windows.
#pragma once

#include <cstddef>

// Every path and name buffer of the main window holds this many characters,
// the terminator included.
constexpr size_t kShellTextCapacity = 1024;

// "jpg", "bmp", "png", "gif" for format codes 1 to 4, "unknown" for any other.
const wchar_t* FormatName(int code);

// Splits `inputPath` into the output directory (up to and including the last
// separator, empty without one), the output name (the file name without its
// extension, followed by `suffix`) and the output path (directory + name + the
// input's extension). A file name without "." keeps its whole name before the
// suffix. Each of the three buffers holds `capacity` characters.
//
// Returns false, leaving the three buffers empty, when any result would not
// fit: a cut name would silently save to a different file.
bool SplitOutputName(const wchar_t* suffix,
                     const wchar_t* inputPath,
                     wchar_t* outputPath,
                     wchar_t* outputDir,
                     wchar_t* outputName,
                     size_t capacity);

// The path a save writes: `outputDir` + `outputName` + "." + FormatName(code),
// with the extension (".png") into `outputExt` and the whole into
// `outputPath`, each of `capacity` characters. Returns false, leaving both
// empty, when the path would not fit or the name is empty.
bool ComposeOutputPath(const wchar_t* outputDir,
                       const wchar_t* outputName,
                       int code,
                       wchar_t* outputExt,
                       wchar_t* outputPath,
                       size_t capacity);
