#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace tervolen {

// The INI document of one access to the settings file. Lookups trim the section name and the key and
// ignore ASCII letter case; where a name occurs more than once, the last occurrence is the one found.
class SettingsFile {
public:
    // Reads the file; a missing file gives an empty document. Throws Error with the path and the
    // system's reason when the file exists but cannot be read. Run as root, a file that another user could
    // have changed throws UntrustedFileError (CheckTrustedByRoot).
    static SettingsFile openSettings(const std::string& path);

    // The value of the entry, or defaultValue when the section or the key is missing.
    std::string readText(const std::string& section, const std::string& key, const std::string& defaultValue) const;
    // The value as an integer ("0x" hexadecimal or decimal), true when not 0; defaultValue when the
    // key is missing or its value is no integer.
    bool readFlag(const std::string& section, const std::string& key, bool defaultValue) const;
    // Whether the section holds the key, whatever its value.
    bool contains(const std::string& section, const std::string& key) const;

    // Stores the line key=value (both trimmed, key in the caller's letter case) in place of the last
    // entry with that key, else at the end of the last section of that name, else in a new section at
    // the end. Throws Error, changing nothing, when the line would not read back as that key and value
    // (a line break, a "=" in the key, a key beginning with ";").
    void writeText(const std::string& section, const std::string& key, const std::string& value);
    void writeFlag(const std::string& section, const std::string& key, bool value);

    // Puts the document's text in the file when the file is missing or holds other bytes: a temporary
    // file in the same folder, flushed to disk and renamed over the file, owner-only permissions. An
    // unchanged file is left as it is, apart from taking away rights of group and others. Throws Error
    // with the path and the system's reason; no temporary file is left behind.
    void writeBack();
    // WriteBack for an access whose work failed: the work's error is the one to report, so a failure
    // of the write itself is dropped.
    void writeBackAfterFailure() noexcept;

    // The file text that WriteBack writes: "[name]", the entry lines and an empty line per section,
    // every line ended by CR LF.
    std::string text() const;

private:
    struct Section {
        std::string name;
        std::vector<std::string> entries; // stored lines; a line without "=" has no key
    };

    explicit SettingsFile(std::string path) : path_(std::move(path)) {}

    // Takes one line of the file into the document.
    void addLine(std::string_view line);
    const Section* findSection(const std::string& name) const;
    std::optional<std::string> findValue(const std::string& section, const std::string& key) const;
    Section* findSection(const std::string& name);

    std::string path_;
    std::vector<Section> sections_;
};

// One access that may change settings: opens the file, runs work(SettingsFile&) and writes the document
// back, also when work throws (then work's error goes on to the caller). Returns what work returns.
template <class F> auto withSettings(const std::string& path, F&& work) {
    SettingsFile settings = SettingsFile::openSettings(path);
    if constexpr (std::is_void_v<std::invoke_result_t<F&, SettingsFile&>>) {
        try {
            work(settings);
        } catch (...) {
            settings.writeBackAfterFailure();
            throw;
        }
        settings.writeBack();
    } else {
        auto result = [&] {
            try {
                return work(settings);
            } catch (...) {
                settings.writeBackAfterFailure();
                throw;
            }
        }();
        settings.writeBack();
        return result;
    }
}

// One access that only reads: work gets the document as const and nothing is ever written back, so a
// long job cannot put an old copy of the file over a save made in the meantime.
template <class F> auto readSettings(const std::string& path, F&& work) {
    const SettingsFile settings = SettingsFile::openSettings(path);
    return work(settings);
}

} // namespace tervolen
