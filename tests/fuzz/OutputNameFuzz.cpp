// Output names from the opened file's path and the suffix of the settings
// file: split and composed within fixed buffers or refused whole; the suffix
// the settings dialog takes over, cut only between whole characters.
#include <cwchar>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "app/OutputName.h"
#include "app/PendingSettings.h"
#include "engine/Format.h"

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::unique_ptr<wchar_t[]> Buffer(size_t capacity) {
    return std::unique_ptr<wchar_t[]>(new wchar_t[capacity ? capacity : 1]);
}

void CheckSplit(const std::wstring& suffix, const std::wstring& input, size_t capacity) {
    auto path = Buffer(capacity), dir = Buffer(capacity), name = Buffer(capacity);
    if (!SplitOutputName(suffix.c_str(), input.c_str(), path.get(), dir.get(), name.get(), capacity)) {
        if (capacity > 0) {
            FUZZ_CHECK(path[0] == L'\0' && dir[0] == L'\0' && name[0] == L'\0');
        }
        return;
    }
    const std::wstring d(dir.get()), n(name.get()), p(path.get());
    FUZZ_CHECK(d.size() < capacity && n.size() < capacity && p.size() < capacity);
    FUZZ_CHECK(d.empty() || IsSeparator(d.back()));
    FUZZ_CHECK(n.size() >= suffix.size() && n.compare(n.size() - suffix.size(), suffix.size(), suffix) == 0);
    const std::wstring stem = n.substr(0, n.size() - suffix.size());
    FUZZ_CHECK(input.compare(0, d.size() + stem.size(), d + stem) == 0);
    const std::wstring extension = input.substr(d.size() + stem.size());
    FUZZ_CHECK(extension.empty() || extension[0] == L'.');
    FUZZ_CHECK(extension.find_first_of(L"\\/") == std::wstring::npos);
    FUZZ_CHECK(stem.find_first_of(L"\\/") == std::wstring::npos);
    FUZZ_CHECK(p == d + n + extension);
}

void CheckCompose(const std::wstring& dir, const std::wstring& name, int code, size_t capacity) {
    auto ext = Buffer(capacity), path = Buffer(capacity);
    if (!ComposeOutputPath(dir.c_str(), name.c_str(), code, ext.get(), path.get(), capacity)) {
        if (capacity > 0) {
            FUZZ_CHECK(ext[0] == L'\0' && path[0] == L'\0');
        }
        return;
    }
    FUZZ_CHECK(!name.empty());
    FUZZ_CHECK(ext.get() == L"." + std::wstring(FormatName(code)));
    FUZZ_CHECK(path.get() == dir + name + ext.get());
    FUZZ_CHECK(std::wcslen(path.get()) < capacity);
}

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

void CheckPendingSuffix(const std::wstring& text) {
    PendingSettings pending;
    SetPendingOutputFileBase(pending, text.c_str());
    const std::wstring kept(pending.pendingOutputFileBase);
    const size_t longest = kPendingTextCapacity - 1;
    FUZZ_CHECK(text.compare(0, kept.size(), kept) == 0);
    size_t k = kept.size();
    if (k < text.size()) {
        FUZZ_CHECK(k == longest || (k == longest - 1 && IsHighSurrogate(text[k])));
        FUZZ_CHECK(k == 0 || !(IsHighSurrogate(text[k - 1]) && IsLowSurrogate(text[k])));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    size_t capacity = data.ConsumeBool() ? kShellTextCapacity : data.ConsumeIntegralInRange<size_t>(0, 200);
    int code = data.ConsumeIntegralInRange(-1, 6);
    const std::wstring suffix = WideText(data, 300);
    const std::wstring input = WideText(data, 1200);

    int format = FormatOfPath(input.c_str());
    FUZZ_CHECK(format >= FormatNone && format <= FormatGif);
    FUZZ_CHECK(FormatName(code) != nullptr);
    CheckSplit(suffix, input, capacity);
    CheckCompose(input, suffix, code, capacity);
    CheckPendingSuffix(input);
    return 0;
}
