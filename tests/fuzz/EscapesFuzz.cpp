// The markers in the watermark and copyright texts the user types: expanded
// in place, the text never grows, and what has no "#" stays as it is.
#include <algorithm>
#include <cwchar>
#include <memory>
#include <string>

#include "FuzzSupport.h"
#include "engine/Escapes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    const std::wstring text = WideText(std::string(reinterpret_cast<const char*>(bytes), size));
    // Exactly as long as the text, so reading or writing past its end is a
    // heap overflow the sanitizer stops at.
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[text.size() + 1]);
    std::wmemcpy(buffer.get(), text.c_str(), text.size() + 1);
    ExpandEscapes(buffer.get());
    const std::wstring expanded(buffer.get());
    FUZZ_CHECK(expanded.size() <= text.size());
    if (text.find(L'#') == std::wstring::npos) {
        FUZZ_CHECK(expanded == text);
    }
    for (wchar_t unit : expanded) {
        FUZZ_CHECK(static_cast<uint32_t>(unit) <= 0xFFFFu);
    }
    // Every "#" of the result came from one that was written.
    FUZZ_CHECK(std::count(expanded.begin(), expanded.end(), L'#') <= std::count(text.begin(), text.end(), L'#'));
    return 0;
}
