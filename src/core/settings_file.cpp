#include "core/settings_file.h"

#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/posix_file.h"
#include "core/text_conversion.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervolen {

namespace {

namespace fs = std::filesystem;

struct Line {
    enum Kind { kSkip, kHeader, kEntry } kind;
    std::string text; // section name or stored entry line
};

Line classifyLine(std::string_view raw) {
    const std::string line = trim(raw);
    if (line.empty() || line.front() == ';')
        return {Line::kSkip, {}};
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']')
        return {Line::kHeader, trim(std::string_view(line).substr(1, line.size() - 2))};
    const size_t equals = line.find('=');
    if (equals == std::string::npos)
        return {Line::kEntry, line};
    return {Line::kEntry, trim(line.substr(0, equals)) + "=" + trim(line.substr(equals + 1))};
}

std::optional<std::string_view> keyOf(const std::string& entry) {
    const size_t equals = entry.find('=');
    if (equals == std::string::npos)
        return std::nullopt;
    return std::string_view(entry).substr(0, equals);
}

// Calls onLine for every line of the file. Every CR and every LF ends a line: the empty line between
// the two of a CR LF is skipped like any other empty line.
template <class F> void forEachLine(int fd, const std::string& path, F&& onLine) {
    std::string line;
    readToEnd(fd, path, [&](std::string_view rest) {
        size_t end = 0;
        while ((end = rest.find_first_of("\r\n")) != std::string_view::npos) {
            line.append(rest.substr(0, end));
            onLine(std::string_view(line));
            line.clear();
            rest.remove_prefix(end + 1);
        }
        line.append(rest);
    });
    onLine(std::string_view(line));
}

std::optional<int> flagInteger(std::string_view value) {
    if (value.size() > 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        const std::string_view digits = value.substr(2);
        const char* last = digits.data() + digits.size();
        uint32_t number = 0;
        const auto [end, ec] = std::from_chars(digits.data(), last, number, 16);
        if (ec != std::errc() || end != last)
            return std::nullopt;
        return static_cast<int32_t>(number);
    }
    return tryStrToInt(value);
}

bool hasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

// True when the open file holds exactly text.
bool fileHolds(int fd, const std::string& path, std::string_view text) {
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || static_cast<uintmax_t>(info.st_size) != text.size())
        return false;
    bool same = true;
    try {
        readToEnd(fd, path, [&](std::string_view chunk) {
            same = same && text.substr(0, chunk.size()) == chunk;
            text.remove_prefix(std::min(chunk.size(), text.size()));
        });
    } catch (const Error&) {
        return false; // unreadable counts as different: the file is written anew
    }
    return same && text.empty();
}

// The file holds passwords: group and others lose their rights. This is best effort, as the file may
// sit on a medium that cannot change, and its content is right already.
void restrictToOwner(int fd) {
    struct stat info {};
    if (::fstat(fd, &info) == 0 && (info.st_mode & 077) != 0)
        ::fchmod(fd, 0600);
}

} // namespace

SettingsFile SettingsFile::openSettings(const std::string& path) {
    SettingsFile settings(path);
    std::optional<FileDescriptor> file = openToRead(path, path, true);
    if (!file)
        return settings;
    checkTrustedByRoot(file->get(), path);
    forEachLine(file->get(), path, [&settings](std::string_view line) { settings.addLine(line); });
    return settings;
}

void SettingsFile::addLine(std::string_view line) {
    Line parsed = classifyLine(line);
    if (parsed.kind == Line::kHeader)
        sections_.push_back({std::move(parsed.text), {}});
    else if (parsed.kind == Line::kEntry && !sections_.empty())
        sections_.back().entries.push_back(std::move(parsed.text));
}

const SettingsFile::Section* SettingsFile::findSection(const std::string& name) const {
    const std::string wanted = trim(name);
    for (auto it = sections_.rbegin(); it != sections_.rend(); ++it)
        if (sameText(it->name, wanted))
            return &*it;
    return nullptr;
}

SettingsFile::Section* SettingsFile::findSection(const std::string& name) {
    return const_cast<Section*>(std::as_const(*this).findSection(name));
}

std::optional<std::string> SettingsFile::findValue(const std::string& section, const std::string& key) const {
    const Section* found = findSection(section);
    if (found == nullptr)
        return std::nullopt;
    const std::string wanted = trim(key);
    for (auto it = found->entries.rbegin(); it != found->entries.rend(); ++it) {
        const auto entryKey = keyOf(*it);
        if (entryKey && sameText(*entryKey, wanted))
            return it->substr(entryKey->size() + 1);
    }
    return std::nullopt;
}

std::string SettingsFile::readText(const std::string& section, const std::string& key,
                                   const std::string& defaultValue) const {
    return findValue(section, key).value_or(defaultValue);
}

bool SettingsFile::contains(const std::string& section, const std::string& key) const {
    return findValue(section, key).has_value();
}

bool SettingsFile::readFlag(const std::string& section, const std::string& key, bool defaultValue) const {
    const auto number = flagInteger(readText(section, key, ""));
    return number ? *number != 0 : defaultValue;
}

void SettingsFile::writeText(const std::string& section, const std::string& key, const std::string& value) {
    const std::string name = trim(section);
    const std::string trimmedKey = trim(key);
    const std::string line = trimmedKey + "=" + trim(value);
    const Line parsed = classifyLine(line);
    if (hasLineBreak(name) || hasLineBreak(line) || trimmedKey.find('=') != std::string::npos ||
        parsed.kind != Line::kEntry || parsed.text != line)
        throw Error("Cannot store the setting \"" + key + "\" of section \"" + section + "\" in the settings file.");

    Section* found = findSection(name);
    if (found == nullptr) {
        sections_.push_back({name, {line}});
        return;
    }
    for (auto it = found->entries.rbegin(); it != found->entries.rend(); ++it) {
        const auto entryKey = keyOf(*it);
        if (entryKey && sameText(*entryKey, trimmedKey)) {
            *it = line;
            return;
        }
    }
    found->entries.push_back(line);
}

void SettingsFile::writeFlag(const std::string& section, const std::string& key, bool value) {
    writeText(section, key, value ? "1" : "0");
}

std::string SettingsFile::text() const {
    std::string text;
    for (const Section& section : sections_) {
        text += "[" + section.name + "]\r\n";
        for (const std::string& entry : section.entries)
            text += entry + "\r\n";
        text += "\r\n";
    }
    return text;
}

void SettingsFile::writeBack() {
    const std::string text = this->text();
    {
        FileDescriptor current(::open(path_.c_str(), O_RDONLY | O_CLOEXEC));
        if (current.valid() && fileHolds(current.get(), path_, text)) {
            restrictToOwner(current.get());
            const std::size_t slash = path_.rfind('/');
            removeStaleTemporaries(slash == std::string::npos ? std::string() : path_.substr(0, slash),
                                   path_.substr(slash + 1));
            return;
        }
    }
    writeFileAtomically(path_, text, 0600);
}

void SettingsFile::writeBackAfterFailure() noexcept {
    try {
        writeBack();
    } catch (...) {
        // The work's own error is the one the caller reports.
    }
}

} // namespace tervolen
