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

std::vector<std::string> Captions(const std::vector<MirrorListEntry>& entries) {
    std::vector<std::string> captions;
    for (const MirrorListEntry& entry : entries)
        captions.push_back(entry.caption);
    return captions;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = ScratchPath("Mirrors.lst");
    const std::string_view input = InputText(data, size);
    WriteScratchFile(path, input);
    const std::vector<std::string> captions = Captions(LoadMirrorList(path));

    const bool fits = std::all_of(captions.begin(), captions.end(),
                                  [](const std::string& caption) { return caption.size() <= kMaxCaptionLength; });
    try {
        SaveMirrorList(path, captions);
    } catch (const Error&) {
        Require(!fits, "a list whose captions fit is saved");
        Require(ReadScratchFile(path) == input, "a list that cannot be saved leaves the file alone");
        return 0;
    }
    Require(fits, "a caption longer than the form can hold is refused");
    const std::vector<MirrorListEntry> loaded = LoadMirrorList(path);
    Require(Captions(loaded) == captions, "saved captions load back in order");
    for (const MirrorListEntry& entry : loaded)
        Require(!entry.checked && entry.subItems.empty(), "a saved entry is unchecked and has no sub-items");
    return 0;
}
