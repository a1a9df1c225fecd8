// The install record as the uninstall reads it back from the installed setup
// file: any section text parses within its buffer, what it lists survives a
// write and a read, and whatever is recorded is found again by any spelling.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "ShiftJisText.h"
#include "engine/DeletionRules.h"
#include "engine/InstallRecord.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    FuzzedDataProvider data(bytes, size);
    const std::string path = data.ConsumeRandomLengthString(300);
    const std::string item = data.ConsumeRandomLengthString(300);
    // The section exactly as long as the buffer the profile function filled,
    // so that a read past it is a heap overflow.
    std::vector<char> section = data.ConsumeRemainingBytes<char>();
    std::unique_ptr<char[]> buffer(new char[section.size() ? section.size() : 1]);
    std::copy(section.begin(), section.end(), buffer.get());

    InstallRecord record = ParseInstallRecord(buffer.get(), section.size());
    // Present when the section holds one whole line.
    bool wholeLine =
        !section.empty() && section[0] != '\0' && std::find(section.begin(), section.end(), '\0') != section.end();
    FUZZ_CHECK(record.present == wholeLine);

    const std::string written = FormatInstallRecord(record);
    FUZZ_CHECK(written.size() >= 2 && written[written.size() - 1] == '\0' && written[written.size() - 2] == '\0');
    InstallRecord again = ParseInstallRecord(written.data(), written.size());
    FUZZ_CHECK(again.present && again.dirHeldFiles == record.dirHeldFiles);
    FUZZ_CHECK(again.files == record.files && again.dirs == record.dirs && again.keysExisting == record.keysExisting);

    // A value the record refuses (a control character, a wildcard, a full
    // list) is left out, so only what it took must be found again.
    const size_t files = record.files.size();
    const size_t dirs = record.dirs.size();
    const bool fileBefore = RecordListsFile(record, path.c_str(), NextShiftJis);
    const bool dirBefore = RecordListsDirectory(record, path.c_str(), NextShiftJis);
    RecordFile(record, path.c_str(), NextShiftJis);
    RecordDirectory(record, path.c_str(), NextShiftJis);
    const bool fileTaken = fileBefore || record.files.size() > files;
    const bool dirTaken = dirBefore || record.dirs.size() > dirs;
    size_t keys = record.keysExisting.size();
    RecordExistingKey(record, item.c_str(), NextShiftJis);
    std::string canonical;
    if (CanonicalTargetPath(path.c_str(), NextShiftJis, canonical) && fileTaken && dirTaken) {
        FUZZ_CHECK(RecordListsFile(record, path.c_str(), NextShiftJis));
        FUZZ_CHECK(RecordListsDirectory(record, path.c_str(), NextShiftJis));
        // The same file behind the "\\?\" prefix (nothing appended: a lone
        // lead byte at the end would take an appended byte as its trail).
        if (canonical[1] == ':') {
            std::string prefixed = "\\\\?\\" + canonical + (canonical.size() == 2 ? "\\" : "");
            FUZZ_CHECK(RecordListsFile(record, prefixed.c_str(), NextShiftJis));
        }
    }
    if (record.keysExisting.size() > keys) {
        FUZZ_CHECK(RecordListsExistingKey(record, item.c_str(), NextShiftJis));
    }
    return 0;
}
