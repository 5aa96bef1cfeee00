// The settings file: any bytes as the file, then the settings writes that follow kWritesMarker in the input
// (section, key and value, each ended by a 0 byte). What the program writes back must read back as the same
// document and, written again, give the same bytes; a value that WriteText accepts reads back as stored.
#include "core/errors.h"
#include "core/settings_file.h"
#include "core/text_conversion.h"
#include "fuzz_support.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tervolen;
using namespace tervolen::fuzz;

namespace {

constexpr std::string_view kWritesMarker = "\n#writes\n";
// Stands for "no such setting": no entry can hold it, as every line break ends an entry.
const std::string kMissing = "\n";

struct Setting {
    std::string section;
    std::string key;
};

// The section and key of every entry with a key in a text that text() gave.
std::vector<Setting> settingsOf(const std::string& text) {
    std::vector<Setting> settings;
    std::string section;
    size_t start = 0;
    for (size_t end = text.find("\r\n"); end != std::string::npos; end = text.find("\r\n", start)) {
        std::string_view line(text.data() + start, end - start);
        start = end + 2;
        if (line.starts_with('[') && line.ends_with(']'))
            section = line.substr(1, line.size() - 2);
        else if (const size_t equals = line.find('='); equals != std::string_view::npos)
            settings.push_back({section, std::string(line.substr(0, equals))});
    }
    require(start == text.size(), "text() ends every line with CR LF", text);
    return settings;
}

SettingsFile reread(const std::string& path, const std::string& text) {
    writeScratchFile(path, text);
    return SettingsFile::openSettings(path);
}

// The document written back and read again holds every setting with the same value, and gives the same text.
void checkWriteBack(const SettingsFile& settings, const std::string& path) {
    const std::string text = settings.text();
    const SettingsFile again = reread(path, text);
    require(again.text() == text, "written-back text reads back as the same text (fixed point)", text);
    for (const Setting& setting : settingsOf(text)) {
        // A later section or entry of the same name may hide this one: then both documents hide it.
        const std::string value = settings.readText(setting.section, setting.key, kMissing);
        require(again.readText(setting.section, setting.key, kMissing) == value,
                "every setting reads back with its value", setting.section + "/" + setting.key + "=" + value);
    }
}

std::vector<std::string> writeFields(std::string_view writes) {
    std::vector<std::string> fields;
    for (size_t end = writes.find('\0'); end != std::string_view::npos; end = writes.find('\0')) {
        fields.emplace_back(writes.substr(0, end));
        writes.remove_prefix(end + 1);
    }
    return fields;
}

void applyWrite(SettingsFile& settings, const std::string& section, const std::string& key, const std::string& value) {
    const std::string before = settings.text();
    try {
        settings.writeText(section, key, value);
    } catch (const Error&) {
        require(settings.text() == before, "a refused write changes nothing", section + "/" + key + "=" + value);
        return;
    }
    require(settings.readText(section, key, kMissing) == trim(value), "an accepted value reads back trimmed",
            section + "/" + key + "=" + value);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = scratchPath("settings.ini");
    std::string_view input = inputText(data, size);
    const size_t marker = input.find(kWritesMarker);
    const std::string_view file = input.substr(0, marker);

    writeScratchFile(path, file);
    SettingsFile settings = SettingsFile::openSettings(path);
    checkWriteBack(settings, path);
    if (marker == std::string_view::npos)
        return 0;

    const std::vector<std::string> fields = writeFields(input.substr(marker + kWritesMarker.size()));
    for (size_t i = 0; i + 2 < fields.size(); i += 3)
        applyWrite(settings, fields[i], fields[i + 1], fields[i + 2]);
    checkWriteBack(settings, path);
    return 0;
}
