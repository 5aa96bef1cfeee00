#include "core/run_journal.h"

#include "core/atomic_file.h"
#include "core/paths.h"
#include "core/posix_file.h"

#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <sys/stat.h>

namespace tervolen {

namespace {

constexpr std::size_t kMaxRecordLine = 1 << 20;

void appendQuoted(std::string& out, std::string_view text) {
    static constexpr char kHex[] = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c == 0x7f) {
            out += "\\u00";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

class RecordWriter {
public:
    void text(const char* key, std::string_view value) {
        name(key);
        appendQuoted(out_, value);
    }
    void number(const char* key, std::uint64_t value) {
        name(key);
        out_ += std::to_string(value);
    }
    void flag(const char* key, bool value) {
        name(key);
        out_ += value ? "true" : "false";
    }
    void list(const char* key, const std::vector<std::string>& values) {
        name(key);
        out_ += '[';
        for (std::size_t i = 0; i < values.size(); ++i) {
            if (i > 0)
                out_ += ',';
            appendQuoted(out_, values[i]);
        }
        out_ += ']';
    }
    std::string finish() { return out_ + '}'; }

private:
    void name(const char* key) {
        out_ += out_.size() == 1 ? "\"" : ",\"";
        out_ += key;
        out_ += "\":";
    }
    std::string out_ = "{";
};

void appendUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xc0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xe0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (code & 0x3f));
    }
}

// Reads the flat objects the writer makes: string, unsigned number and string-list values. Any departure
// from that shape makes the whole line no record.
class RecordReader {
public:
    explicit RecordReader(std::string_view line) : text_(line) {}

    std::optional<RunRecord> read() {
        RunRecord record;
        skipSpace();
        if (!take('{'))
            return std::nullopt;
        skipSpace();
        if (!take('}')) {
            do {
                skipSpace();
                std::optional<std::string> key = quoted();
                skipSpace();
                if (!key || !take(':') || !value(*key, record))
                    return std::nullopt;
                skipSpace();
            } while (take(','));
            if (!take('}'))
                return std::nullopt;
        }
        skipSpace();
        if (at_ != text_.size())
            return std::nullopt;
        return record;
    }

private:
    bool value(const std::string& key, RunRecord& record) {
        skipSpace();
        if (key == "mirrors")
            return list(record.mirrors);
        if (key == "backupSize")
            return number(record.backupSize);
        if (key == "archiveSize")
            return number(record.archiveSize);
        if (key == "verifySeconds")
            return number(record.verifySeconds);
        if (key == "verified") {
            bool verified = false;
            if (!literal(verified))
                return false;
            record.verified = verified;
            return true;
        }
        std::string* field = textField(key, record);
        if (field == nullptr)
            return skipValue();
        std::optional<std::string> text = quoted();
        if (!text)
            return false;
        *field = std::move(*text);
        return true;
    }

    static std::string* textField(const std::string& key, RunRecord& record) {
        std::pair<const char*, std::string*> fields[] = {
            {"stamp", &record.stamp},   {"started", &record.started}, {"ended", &record.ended},
            {"origin", &record.origin}, {"result", &record.result},   {"error", &record.error},
            {"backup", &record.backup}, {"archive", &record.archive}, {"ftp", &record.ftp}};
        for (auto& [name, field] : fields)
            if (key == name)
                return field;
        return nullptr;
    }

    bool skipValue() {
        if (peek() == '"')
            return quoted().has_value();
        if (peek() == '[') {
            std::vector<std::string> ignored;
            return list(ignored);
        }
        bool ignoredFlag = false;
        if (peek() == 't' || peek() == 'f')
            return literal(ignoredFlag);
        std::uint64_t ignored = 0;
        return number(ignored);
    }

    bool literal(bool& value) {
        for (const std::string_view word : {std::string_view("true"), std::string_view("false")}) {
            if (text_.substr(at_, word.size()) == word) {
                at_ += word.size();
                value = word == "true";
                return true;
            }
        }
        return false;
    }

    bool list(std::vector<std::string>& values) {
        if (!take('['))
            return false;
        skipSpace();
        if (take(']'))
            return true;
        do {
            skipSpace();
            std::optional<std::string> text = quoted();
            if (!text)
                return false;
            values.push_back(std::move(*text));
            skipSpace();
        } while (take(','));
        return take(']');
    }

    bool number(std::uint64_t& value) {
        const char* begin = text_.data() + at_;
        const char* end = text_.data() + text_.size();
        const auto [next, error] = std::from_chars(begin, end, value);
        if (error != std::errc() || next == begin)
            return false;
        at_ += static_cast<std::size_t>(next - begin);
        return true;
    }

    std::optional<std::string> quoted() {
        if (!take('"'))
            return std::nullopt;
        std::string out;
        while (at_ < text_.size()) {
            const char c = text_[at_++];
            if (c == '"')
                return out;
            if (static_cast<unsigned char>(c) < 0x20)
                return std::nullopt;
            if (c != '\\') {
                out += c;
                continue;
            }
            if (at_ >= text_.size())
                return std::nullopt;
            const char escaped = text_[at_++];
            if (escaped == 'u') {
                const std::optional<unsigned> code = codePoint();
                if (!code)
                    return std::nullopt;
                appendUtf8(out, *code);
                continue;
            }
            static constexpr std::string_view kFrom = "\"\\/bfnrt";
            static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
            const std::size_t which = kFrom.find(escaped);
            if (which == std::string_view::npos)
                return std::nullopt;
            out += kTo[which];
        }
        return std::nullopt;
    }

    std::optional<unsigned> hex4() {
        if (text_.size() - at_ < 4)
            return std::nullopt;
        unsigned value = 0;
        const auto [next, error] = std::from_chars(text_.data() + at_, text_.data() + at_ + 4, value, 16);
        if (error != std::errc() || next != text_.data() + at_ + 4)
            return std::nullopt;
        at_ += 4;
        return value;
    }

    // After "\u": one code unit, or a surrogate pair written as two escapes.
    std::optional<unsigned> codePoint() {
        const std::optional<unsigned> first = hex4();
        if (!first || (*first >= 0xdc00 && *first <= 0xdfff))
            return std::nullopt;
        if (*first < 0xd800 || *first > 0xdbff)
            return first;
        if (!take('\\') || !take('u'))
            return std::nullopt;
        const std::optional<unsigned> second = hex4();
        if (!second || *second < 0xdc00 || *second > 0xdfff)
            return std::nullopt;
        return 0x10000 + ((*first - 0xd800) << 10) + (*second - 0xdc00);
    }

    char peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool take(char c) {
        if (peek() != c || at_ >= text_.size())
            return false;
        ++at_;
        return true;
    }
    void skipSpace() {
        while (at_ < text_.size() && (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r'))
            ++at_;
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool endsWithLineBreak(int fd, const std::string& path) {
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        throwFileError("Cannot write file", path, errno);
    if (info.st_size == 0)
        return true;
    char last = '\n';
    if (::pread(fd, &last, 1, info.st_size - 1) != 1)
        throwFileError("Cannot write file", path, errno);
    return last == '\n';
}

} // namespace

std::string runJournalPath(const std::string& settingsFile) {
    return folderOf(settingsFile) + kPathDelim + "tervolen.journal";
}

std::string formatRunRecord(const RunRecord& record) {
    RecordWriter writer;
    writer.text("stamp", record.stamp);
    writer.text("started", record.started);
    writer.text("ended", record.ended);
    writer.text("origin", record.origin);
    writer.text("result", record.result);
    writer.text("error", record.error);
    writer.text("backup", record.backup);
    writer.text("archive", record.archive);
    writer.list("mirrors", record.mirrors);
    writer.text("ftp", record.ftp);
    writer.number("backupSize", record.backupSize);
    writer.number("archiveSize", record.archiveSize);
    // Written only by runs that made a test restore, so that the other records keep their form.
    if (record.verified)
        writer.flag("verified", *record.verified);
    if (record.verified || record.verifySeconds != 0)
        writer.number("verifySeconds", record.verifySeconds);
    return writer.finish();
}

std::optional<RunRecord> parseRunRecord(std::string_view line) {
    return RecordReader(line).read();
}

void appendRunRecord(const std::string& path, const RunRecord& record) {
    FileDescriptor fd(::open(path.c_str(), O_RDWR | O_APPEND | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (!fd.valid())
        throwFileError("Cannot write file", path, errno);
    const bool created = [&] {
        struct stat info {};
        return ::fstat(fd.get(), &info) == 0 && info.st_size == 0;
    }();
    // A line torn by a power cut would swallow the start of this record.
    std::string line = endsWithLineBreak(fd.get(), path) ? "" : "\n";
    line += formatRunRecord(record) + "\n";
    const ssize_t written = ::write(fd.get(), line.data(), line.size());
    if (written < 0)
        throwFileError("Cannot write file", path, errno);
    if (static_cast<std::size_t>(written) != line.size())
        throwFileError("Cannot write file", path, ENOSPC);
    if (::fsync(fd.get()) != 0)
        throwFileError("Cannot write file", path, errno);
    if (created)
        syncFolder(folderOf(path));
}

std::vector<RunRecord> readRunJournal(const std::string& path) {
    std::vector<RunRecord> records;
    std::optional<FileDescriptor> fd = openToRead(path, path, true);
    if (!fd)
        return records;
    std::string pending;
    // A line longer than any record is damage: it is dropped up to its end, never held whole.
    bool overlong = false;
    auto takeLine = [&](std::string_view line) {
        if (std::optional<RunRecord> record = overlong ? std::nullopt : parseRunRecord(line))
            records.push_back(std::move(*record));
        overlong = false;
    };
    readToEnd(fd->get(), path, [&](std::string_view chunk) {
        pending += chunk;
        std::size_t start = 0;
        for (std::size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n', start)) {
            takeLine(std::string_view(pending).substr(start, end - start));
            start = end + 1;
        }
        pending.erase(0, start);
        if (pending.size() > kMaxRecordLine) {
            pending.clear();
            overlong = true;
        }
    });
    takeLine(pending);
    return records;
}

void rewriteRunJournal(const std::string& path, const std::vector<RunRecord>& records) {
    std::string text;
    for (const RunRecord& record : records)
        text += formatRunRecord(record) + "\n";
    writeFileAtomically(path, text, 0600, false, LinkAtPath::Replace);
}

} // namespace tervolen
