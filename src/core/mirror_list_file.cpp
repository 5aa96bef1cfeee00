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

std::string FullPath(const std::string& path) {
    std::error_code ec;
    const fs::path full = fs::absolute(path, ec);
    return ec ? path : full.string();
}

// Buffered reading of the list file. Running out of data is no error; a failing read is.
class ByteReader {
public:
    ByteReader(int fd, std::string path) : fd_(fd), path_(std::move(path)), buffer_(64 * 1024) {}

    bool AtEnd() { return position_ == size_ && !Fill(); }

    // The next byte, or -1 at the end of the file.
    int Next() { return AtEnd() ? -1 : static_cast<unsigned char>(buffer_[position_++]); }

    // False when the file ends before size bytes.
    bool Read(char* data, size_t size) {
        while (size > 0) {
            if (AtEnd())
                return false;
            const size_t n = std::min(size, size_ - position_);
            std::memcpy(data, buffer_.data() + position_, n);
            position_ += n;
            data += n;
            size -= n;
        }
        return true;
    }

    bool ReadByte(unsigned char& value) { return Read(reinterpret_cast<char*>(&value), 1); }

    bool ReadUInt16(uint16_t& value) {
        unsigned char bytes[2];
        if (!Read(reinterpret_cast<char*>(bytes), sizeof bytes))
            return false;
        value = static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
        return true;
    }

    bool readText(std::string& text, size_t size) {
        text.resize(size);
        return Read(text.data(), size);
    }

    void Rewind() {
        if (::lseek(fd_, 0, SEEK_SET) < 0)
            ThrowFileError("Cannot read file", path_, errno);
        position_ = size_ = 0;
    }

private:
    bool Fill() {
        position_ = size_ = 0;
        size_ = ReadSome(fd_, path_, buffer_.data(), buffer_.size());
        return size_ > 0;
    }

    int fd_;
    std::string path_;
    std::vector<char> buffer_;
    size_t position_ = 0;
    size_t size_ = 0;
};

// One record of the "LISTVIEW01" form; nothing when the file ends inside it.
std::optional<MirrorListEntry> ReadRecord(ByteReader& in, bool checkBoxesShown) {
    uint16_t rawCount = 0;
    if (!in.ReadUInt16(rawCount))
        return std::nullopt;
    const int count = static_cast<int16_t>(rawCount);
    MirrorListEntry entry;
    if (count <= 0)
        return entry;
    unsigned char flags = 0;
    if (!in.ReadByte(flags))
        return std::nullopt;
    entry.checked = checkBoxesShown && (flags & kEntryChecked) != 0;
    for (int i = 0; i < count; ++i) {
        uint16_t length = 0;
        std::string text;
        if (!in.ReadUInt16(length) || !in.readText(text, length))
            return std::nullopt;
        if (i == 0)
            entry.caption = std::move(text);
        else
            entry.subItems.push_back(std::move(text));
    }
    return entry;
}

std::vector<MirrorListEntry> ReadListViewForm(ByteReader& in) {
    std::vector<MirrorListEntry> entries;
    unsigned char options = 0;
    if (!in.ReadByte(options))
        return entries;
    const bool checkBoxesShown = (options & kCheckBoxesShown) != 0;
    while (!in.AtEnd()) {
        auto entry = ReadRecord(in, checkBoxesShown);
        if (!entry)
            break;
        entries.push_back(std::move(*entry));
    }
    return entries;
}

// The first text is "T" (checked) or "F" followed by the caption; the others are sub-items.
MirrorListEntry EntryFromTexts(std::vector<std::string>& texts) {
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
std::vector<MirrorListEntry> ReadOlderForm(ByteReader& in) {
    std::vector<MirrorListEntry> entries;
    std::vector<std::string> texts;
    std::string text;
    for (int byte = in.Next(); byte >= 0; byte = in.Next()) {
        if (byte > 1) {
            text.push_back(static_cast<char>(byte));
            continue;
        }
        texts.push_back(std::move(text));
        text.clear();
        if (byte == 1)
            entries.push_back(EntryFromTexts(texts));
    }
    if (!text.empty())
        texts.push_back(std::move(text));
    if (!texts.empty())
        entries.push_back(EntryFromTexts(texts));
    return entries;
}

void AppendUInt16(std::string& bytes, size_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8 & 0xFF));
}

std::string ListViewBytes(const std::vector<std::string>& captions, const std::string& shownPath) {
    std::string bytes(kHeader);
    bytes.push_back('\0');
    for (const std::string& caption : captions) {
        if (caption.size() > kMaxTextLength)
            throw Error("A mirror folder path is longer than 65535 bytes and cannot be stored in \"" + shownPath +
                        "\".");
        AppendUInt16(bytes, 1);
        bytes.push_back('\0');
        AppendUInt16(bytes, caption.size());
        bytes += caption;
    }
    return bytes;
}

} // namespace

std::vector<MirrorListEntry> LoadMirrorList(const std::string& path) {
    const std::optional<FileDescriptor> file = OpenToRead(path, FullPath(path), true);
    if (!file)
        return {};
    CheckTrustedByRoot(file->get(), FullPath(path));

    ByteReader in(file->get(), FullPath(path));
    char header[kHeader.size()];
    if (in.Read(header, sizeof header) && std::string_view(header, sizeof header) == kHeader)
        return ReadListViewForm(in);
    in.Rewind();
    return ReadOlderForm(in);
}

void SaveMirrorList(const std::string& path, const std::vector<std::string>& captions) {
    const std::string shownPath = FullPath(path);
    WriteFileAtomically(shownPath, ListViewBytes(captions, shownPath));
}

} // namespace tervolen
