// Any bytes as an existing archive that a backup is added to. The reader never reads outside the bytes; what it
// accepts is consistent, and adding an entry to it gives an archive that it accepts again, with the old entries
// first and their central headers moved as the copied data moved.
#include "copies/zip_archive_writer.h"
#include "copies/zip_central_directory.h"
#include "copies/zip_format.h"
#include "core/errors.h"
#include "core/text_conversion.h"
#include "fuzz_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

constexpr const char* kNewEntry = "new-backup.fbk";

void checkDirectory(const ZipDirectory& directory, uint64_t archiveSize) {
    require(directory.dataStart <= directory.dataEnd && directory.dataEnd <= archiveSize,
            "the entries' bytes lie inside the archive");
    for (const ZipDirectoryEntry& entry : directory.entries) {
        require(entry.centralHeader.size() >= kCentralHeaderSize + entry.name.size(),
                "a central header holds its name");
        require(entry.centralHeader.compare(kCentralHeaderSize, entry.name.size(), entry.name) == 0,
                "the name is the one in the central header");
        require(entry.localHeaderOffset >= directory.dataStart && entry.localHeaderOffset < directory.dataEnd,
                "each local header lies among the entries' bytes");
        require(entry.offsetField + (entry.offsetField64 ? 8 : 4) <= entry.centralHeader.size(),
                "the offset field lies inside the central header");
        const std::string moved = movedCentralHeader(entry, entry.localHeaderOffset - directory.dataStart);
        const uint64_t offset =
            entry.offsetField64 ? getU64(moved, entry.offsetField) : getU32(moved, entry.offsetField);
        require(offset == entry.localHeaderOffset - directory.dataStart, "a moved header holds its new offset");
    }
}

bool nameTaken(const ZipDirectory& directory) {
    return std::any_of(directory.entries.begin(), directory.entries.end(),
                       [](const ZipDirectoryEntry& entry) { return sameText(entry.name, kNewEntry); });
}

// Adds a small file to the archive through the writer and reads the result back.
void checkAdding(std::string_view archive, const ZipDirectory& before) {
    static const std::string folder = [] {
        const std::string path = scratchPath("zip");
        std::filesystem::create_directories(path + "/source");
        writeScratchFile(path + "/source/" + kNewEntry, "a small backup file to add to the archive\n");
        return path;
    }();
    const std::string path = folder + "/archive.zip";
    writeScratchFile(path, archive);

    ZipArchiveWriter writer;
    writer.setArchiveFile(path);
    writer.fileSpec().push_back(folder + "/source/" + kNewEntry);
    int32_t count = 0;
    std::string failure;
    try {
        count = writer.compress();
    } catch (const Error& error) {
        failure = error.text();
    }
    if (nameTaken(before)) {
        require(count == 0 && readScratchFile(path) == archive, "a name that is taken leaves the archive alone");
        return;
    }
    require(count == 1, "an accepted archive takes a new entry", failure);

    const std::string after = readScratchFile(path);
    ZipDirectory directory;
    try {
        directory = readCentralDirectory(after);
    } catch (const Error& error) {
        propertyFailed("the archive with the new entry reads again", error.text());
    }
    checkDirectory(directory, after.size());
    require(directory.entries.size() == before.entries.size() + 1 && directory.entries.back().name == kNewEntry,
            "the new entry follows the old ones");
    for (size_t i = 0; i < before.entries.size(); ++i) {
        const ZipDirectoryEntry& old = before.entries[i];
        require(directory.entries[i].centralHeader == movedCentralHeader(old, old.localHeaderOffset - before.dataStart),
                "an old entry keeps its central header, moved with its data", old.name);
    }
    require(after.compare(0, before.dataEnd - before.dataStart, archive, before.dataStart,
                          before.dataEnd - before.dataStart) == 0,
            "the old entries' bytes are copied unchanged");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view archive = inputText(data, size);
    ZipDirectory directory;
    try {
        directory = readCentralDirectory(archive);
    } catch (const Error&) {
        return 0;
    }
    checkDirectory(directory, archive.size());
    checkAdding(archive, directory);
    return 0;
}
