#include "core/language_file.h"

#include "core/posix_file.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <numeric>
#include <sys/stat.h>

namespace tervolen {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

char32_t foldCodePoint(char32_t c) {
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7) || (c >= 0x391 && c <= 0x3AB && c != 0x3A2) || (c >= 0x410 && c <= 0x42F))
        return c + 0x20;
    if (c >= 0x400 && c <= 0x40F)
        return c + 0x50;
    if (c == 0x178)
        return 0xFF;
    bool evenCapital = (c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177) || (c >= 0x460 && c <= 0x481) ||
                       (c >= 0x48A && c <= 0x4BF);
    bool oddCapital = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
    if ((evenCapital && c % 2 == 0) || (oddCapital && c % 2 == 1))
        return c + 1;
    return c;
}

bool isContinuation(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

} // namespace

std::string foldCase(std::string_view text) {
    std::string folded;
    folded.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 'A' && byte <= 'Z') {
            folded += static_cast<char>(byte + ('a' - 'A'));
        } else if (byte >= 0xC2 && byte <= 0xDF && i + 1 < text.size() &&
                   isContinuation(static_cast<unsigned char>(text[i + 1]))) {
            // Every capital folded here and its small letter are two-byte sequences.
            char32_t c = ((byte & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
            c = foldCodePoint(c);
            folded += static_cast<char>(0xC0 | (c >> 6));
            folded += static_cast<char>(0x80 | (c & 0x3F));
            ++i;
        } else {
            folded += static_cast<char>(byte);
        }
    }
    return folded;
}

// Collects the lines of a file that arrives in pieces.
class LanguageFile::Builder {
public:
    void feed(std::string_view text) {
        std::size_t end = 0;
        while ((end = text.find_first_of("\r\n")) != std::string_view::npos) {
            line_.append(text.substr(0, end));
            endLine();
            text.remove_prefix(end + 1);
        }
        line_.append(text);
    }

    LanguageFile finish() {
        endLine();
        LanguageFile file;
        std::vector<std::string> folded;
        folded.reserve(lines_.size());
        for (const std::string& line : lines_)
            folded.push_back(foldCase(line));
        std::vector<std::size_t> order(lines_.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        // Lines equal without regard to letter case keep their order in the file.
        std::stable_sort(order.begin(), order.end(),
                         [&folded](std::size_t a, std::size_t b) { return folded[a] < folded[b]; });
        file.lines_.reserve(lines_.size());
        for (std::size_t index : order) {
            const std::string& line = lines_[index];
            std::size_t equals = line.find('=');
            if (equals != std::string::npos)
                file.firstLine_.try_emplace(foldCase(std::string_view(line).substr(0, equals)), file.lines_.size());
            file.lines_.push_back(line);
        }
        return file;
    }

private:
    void endLine() {
        if (first_ && line_.starts_with(kByteOrderMark))
            line_.erase(0, kByteOrderMark.size());
        first_ = false;
        if (!line_.empty())
            lines_.push_back(std::move(line_));
        line_.clear();
    }

    std::vector<std::string> lines_;
    std::string line_;
    bool first_ = true;
};

LanguageFile LanguageFile::parse(std::string_view text) {
    Builder builder;
    builder.feed(text);
    return builder.finish();
}

LanguageFile LanguageFile::load(const std::string& path) {
    const std::optional<FileDescriptor> file = openToRead(path, path, false);
    Builder builder;
    readToEnd(file->get(), path, [&builder](std::string_view chunk) { builder.feed(chunk); });
    return builder.finish();
}

std::string LanguageFile::lookup(std::string_view text) const {
    if (text.empty())
        return {};
    auto found = firstLine_.find(foldCase(text));
    if (found == firstLine_.end())
        return std::string(text);
    const std::string& line = lines_[found->second];
    return line.substr(line.find('=') + 1);
}

} // namespace tervolen
