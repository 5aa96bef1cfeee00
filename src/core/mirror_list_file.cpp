#include "core/mirror_list_file.h"

#include "core/atomic_file.h"
#include "core/errors.h"
#include "core/folder_safety.h"
#include "core/posix_file.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace tervolen {

namespace {

namespace fs = std::filesystem;

constexpr std::string_view kHeader = "LISTVIEW01";
constexpr unsigned char kCheckBoxesShown = 0x80;
constexpr unsigned char kEntryChecked = 0x01;
constexpr size_t kMaxTextLength = 0xFFFF;

std::string fullPath(const std::string& path) {
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    return ec ? path : full.string();
}

// Buffered reading of the list file. Running out of data is no error; a failing read is.
class ByteReader {
public:
    ByteReader(int fd, std::string path) : fd_(fd), path_(std::move(path)), buffer_(64 * 1024) {}

    bool atEnd() { return position_ == size_ && !fill(); }

    // The next byte, or -1 at the end of the file.
    int next() { return atEnd() ? -1 : static_cast<unsigned char>(buffer_[position_++]); }

    // False when the file ends before size bytes.
    bool read(char* data, size_t size) {
        while (size > 0) {
            if (atEnd())
                return false;
            const size_t n = std::min(size, size_ - position_);
            std::memcpy(data, buffer_.data() + position_, n);
            position_ += n;
            data += n;
            size -= n;
        }
        return true;
    }

    bool readByte(unsigned char& value) { return read(reinterpret_cast<char*>(&value), 1); }

    bool readUInt16(uint16_t& value) {
        unsigned char bytes[2];
        if (!read(reinterpret_cast<char*>(bytes), sizeof bytes))
            return false;
        value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
        return true;
    }

    bool readText(std::string& text, size_t size) {
        text.resize(size);
        return read(text.data(), size);
    }

    void rewind() {
        if (::lseek(fd_, 0, SEEK_SET) < 0)
            throwFileError("Cannot read file", path_, errno);
        position_ = size_ = 0;
    }

private:
    bool fill() {
        position_ = size_ = 0;
        size_ = readSome(fd_, path_, buffer_.data(), buffer_.size());
        return size_ > 0;
    }

    int fd_;
    std::string path_;
    std::vector<char> buffer_;
    size_t position_ = 0;
    size_t size_ = 0;
};

// One record of the "LISTVIEW01" form; nothing when the file ends inside it.
std::optional<MirrorListEntry> readRecord(ByteReader& in, bool checkBoxesShown) {
    uint16_t rawCount = 0;
    if (!in.readUInt16(rawCount))
        return std::nullopt;
    const int count = static_cast<int16_t>(rawCount);
    MirrorListEntry entry;
    if (count <= 0)
        return entry;
    unsigned char flags = 0;
    if (!in.readByte(flags))
        return std::nullopt;
    entry.checked = checkBoxesShown && (flags & kEntryChecked) != 0;
    for (int i = 0; i < count; ++i) {
        uint16_t length = 0;
        std::string text;
        if (!in.readUInt16(length) || !in.readText(text, length))
            return std::nullopt;
        if (i == 0)
            entry.caption = std::move(text);
        else
            entry.subItems.push_back(std::move(text));
    }
    return entry;
}

std::vector<MirrorListEntry> readListViewForm(ByteReader& in) {
    std::vector<MirrorListEntry> entries;
    unsigned char options = 0;
    if (!in.readByte(options))
        return entries;
    const bool checkBoxesShown = (options & kCheckBoxesShown) != 0;
    while (!in.atEnd()) {
        auto entry = readRecord(in, checkBoxesShown);
        if (!entry)
            break;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

// The first text is "T" (checked) or "F" followed by the caption; the others are sub-items.
MirrorListEntry entryFromTexts(std::vector<std::string>& texts) {
    MirrorListEntry entry;
    const std::string& first = texts.front();
    entry.checked = !first.empty() && first.front() == 'T';
    entry.caption = first.empty() ? std::string() : first.substr(1);
    entry.subItems.assign(std::make_move_iterator(texts.begin() + 1), std::make_move_iterator(texts.end()));
    texts.clear();
    return entry;
}

// Texts ended by byte 0 or 1, where 1 also ends the entry. The end of the file ends an unfinished
// text and entry.
std::vector<MirrorListEntry> readOlderForm(ByteReader& in) {
    std::vector<MirrorListEntry> entries;
    std::vector<std::string> texts;
    std::string text;
    for (int byte = in.next(); byte >= 0; byte = in.next()) {
        if (byte > 1) {
            text.push_back(static_cast<char>(byte));
            continue;
        }
        texts.push_back(std::move(text));
        text.clear();
        if (byte == 1)
            entries.push_back(entryFromTexts(texts));
    }
    if (!text.empty())
        texts.push_back(std::move(text));
    if (!texts.empty())
        entries.push_back(entryFromTexts(texts));
    return entries;
}

void appendUInt16(std::string& bytes, size_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8 & 0xFF));
}

std::string listViewBytes(const std::vector<std::string>& captions, const std::string& shownPath) {
    std::string bytes(kHeader);
    bytes.push_back('\0');
    for (const std::string& caption : captions) {
        if (caption.size() > kMaxTextLength)
            throw Error("A mirror folder path is longer than 65535 bytes and cannot be stored in \"" + shownPath +
                        "\".");
        appendUInt16(bytes, 1);
        bytes.push_back('\0');
        appendUInt16(bytes, caption.size());
        bytes += caption;
    }
    return bytes;
}

} // namespace

std::vector<MirrorListEntry> loadMirrorList(const std::string& path) {
    const std::optional<FileDescriptor> file = openToRead(path, fullPath(path), true);
    if (!file)
        return {};
    checkTrustedByRoot(file->get(), fullPath(path));

    ByteReader in(file->get(), fullPath(path));
    char header[kHeader.size()];
    if (in.read(header, sizeof header) && std::string_view(header, sizeof header) == kHeader)
        return readListViewForm(in);
    in.rewind();
    return readOlderForm(in);
}

void saveMirrorList(const std::string& path, const std::vector<std::string>& captions) {
    const std::string shownPath = fullPath(path);
    writeFileAtomically(shownPath, listViewBytes(captions, shownPath));
}

} // namespace tervolen
