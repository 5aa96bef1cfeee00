// Mirrors.lst in either form. Whatever loads must save (where the "LISTVIEW01" form can hold the captions) and
// load back as the same captions; a list that cannot be saved leaves the file as it was.
#include "core/errors.h"
#include "core/mirror_list_file.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

constexpr size_t kMaxCaptionLength = 0xFFFF;

std::vector<std::string> captionsOf(const std::vector<MirrorListEntry>& entries) {
    std::vector<std::string> captions;
    for (const MirrorListEntry& entry : entries)
        captions.push_back(entry.caption);
    return captions;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("Mirrors.lst");
    const std::string_view input = inputText(data, size);
    writeScratchFile(path, input);
    const std::vector<std::string> captions = captionsOf(loadMirrorList(path));

    const bool fits = std::all_of(captions.begin(), captions.end(),
                                  [](const std::string& caption) { return caption.size() <= kMaxCaptionLength; });
    try {
        saveMirrorList(path, captions);
    } catch (const Error&) {
        require(!fits, "a list whose captions fit is saved");
        require(readScratchFile(path) == input, "a list that cannot be saved leaves the file alone");
        return 0;
    }
    require(fits, "a caption longer than the form can hold is refused");
    const std::vector<MirrorListEntry> loaded = loadMirrorList(path);
    require(captionsOf(loaded) == captions, "saved captions load back in order");
    for (const MirrorListEntry& entry : loaded)
        require(!entry.checked && entry.subItems.empty(), "a saved entry is unchecked and has no sub-items");
    return 0;
}
