#include "core/monitor_log.h"

#include "core/posix_file.h"
#include "core/rtf_writer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <streambuf>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace tervolen {

namespace {

// CR, LF and CR LF each end a paragraph.
std::vector<std::string_view> splitParagraphs(std::string_view text) {
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            parts.push_back(text.substr(start));
            return parts;
        }
        parts.push_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

[[noreturn]] void failCreate(const std::string& path, int code) {
    throwFileError("Cannot create file", path, code);
}

// Buffered writes to a file descriptor; the first failure is kept in error().
class FileWriteBuffer : public std::streambuf {
public:
    explicit FileWriteBuffer(int fd) : fd_(fd) { setp(buffer_.data(), buffer_.data() + buffer_.size()); }
    int error() const { return error_; }

protected:
    int_type overflow(int_type c) override {
        if (sync() != 0)
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override {
        for (const char* next = pbase(); error_ == 0 && next < pptr();) {
            ssize_t written = ::write(fd_, next, static_cast<std::size_t>(pptr() - next));
            if (written >= 0)
                next += written;
            else if (errno != EINTR)
                error_ = errno;
        }
        setp(buffer_.data(), buffer_.data() + buffer_.size());
        return error_ == 0 ? 0 : -1;
    }

private:
    int fd_;
    int error_ = 0;
    std::array<char, 1 << 16> buffer_{};
};

} // namespace

void MonitorLog::addMonitorLine(std::string_view text, Color color, int size) {
    append(text, color, size);
}

void MonitorLog::appendOutputLine(std::string_view text) {
    if (paragraphs_.empty())
        append(text, kWindowText, kMonitorDefaultSize);
    else
        append(text, paragraphs_.back().color, paragraphs_.back().size);
}

void MonitorLog::insertFirstLine(std::string_view text) {
    std::vector<std::string_view> parts = splitParagraphs(text);
    if (parts.size() > kMaxMonitorParagraphs)
        parts.resize(kMaxMonitorParagraphs);
    // Room is made first, so the new lines are never the ones dropped.
    std::size_t room = kMaxMonitorParagraphs - parts.size();
    if (paragraphs_.size() > room)
        trimTop(paragraphs_.size() - room);
    Color color = paragraphs_.empty() ? kWindowText : paragraphs_.front().color;
    int size = paragraphs_.empty() ? kMonitorDefaultSize : paragraphs_.front().size;
    for (auto part = parts.rbegin(); part != parts.rend(); ++part)
        paragraphs_.push_front(MonitorParagraph{std::string(*part), color, size});
    notify([&](MonitorListener& listener) { listener.paragraphsInserted(parts.size()); });
}

void MonitorLog::clearMonitor() {
    paragraphs_.clear();
    notify([](MonitorListener& listener) { listener.monitorCleared(); });
}

void MonitorLog::saveMonitor(const std::string& path) const {
    std::vector<Color> colors;
    for (const MonitorParagraph& paragraph : paragraphs_)
        if (std::find(colors.begin(), colors.end(), paragraph.color) == colors.end())
            colors.push_back(paragraph.color);

    std::string temporaryPath;
    const std::size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    FileDescriptor fd = createHiddenTemporary(folder, path.substr(slash + 1), temporaryPath, path, 0600);
    TemporaryFile temporary(temporaryPath);
    FileWriteBuffer buffer(fd.get());
    std::ostream out(&buffer);
    RtfWriter writer(out, kMonitorFontName, std::move(colors));
    for (const MonitorParagraph& paragraph : paragraphs_)
        writer.paragraph(paragraph.text, paragraph.color, paragraph.size);
    writer.finish();
    out.flush();
    if (buffer.error() != 0)
        failCreate(path, buffer.error());
    // The descriptor stays open, and with it the temporary's lock, until the file has its final name.
    if (::fsync(fd.get()) != 0 || ::rename(temporary.path().c_str(), path.c_str()) != 0)
        failCreate(path, errno);
    temporary.keep();
    syncFolder(folder);
}

void MonitorLog::setLed(bool lit) {
    led_ = lit;
    notify([lit](MonitorListener& listener) { listener.ledChanged(lit); });
}

MonitorLog::Subscription MonitorLog::addListener(MonitorListener& listener) {
    listeners_->push_back(&listener);
    return Subscription(listeners_, &listener);
}

MonitorLog::Subscription& MonitorLog::Subscription::operator=(Subscription&& other) noexcept {
    if (this != &other) {
        end();
        listeners_ = std::move(other.listeners_);
        listener_ = std::exchange(other.listener_, nullptr);
    }
    return *this;
}

MonitorLog::Subscription::~Subscription() {
    end();
}

void MonitorLog::Subscription::end() {
    if (auto listeners = listeners_.lock()) {
        auto found = std::find(listeners->begin(), listeners->end(), listener_);
        if (found != listeners->end())
            listeners->erase(found);
    }
    listeners_.reset();
}

void MonitorLog::append(std::string_view text, Color color, int size) {
    std::vector<std::string_view> parts = splitParagraphs(text);
    if (parts.size() > kMaxMonitorParagraphs)
        parts.erase(parts.begin(), parts.end() - static_cast<std::ptrdiff_t>(kMaxMonitorParagraphs));
    std::size_t room = kMaxMonitorParagraphs - parts.size();
    if (paragraphs_.size() > room)
        trimTop(paragraphs_.size() - room);
    for (std::string_view part : parts)
        paragraphs_.push_back(MonitorParagraph{std::string(part), color, size});
    notify([&](MonitorListener& listener) { listener.paragraphsAppended(parts.size()); });
}

void MonitorLog::trimTop(std::size_t count) {
    paragraphs_.erase(paragraphs_.begin(), paragraphs_.begin() + static_cast<std::ptrdiff_t>(count));
    notify([count](MonitorListener& listener) { listener.paragraphsTrimmed(count); });
}

template <typename Event> void MonitorLog::notify(Event event) {
    for (MonitorListener* listener : *listeners_)
        event(*listener);
}

std::string monitorPlainText(const MonitorLog& monitor) {
    std::string text;
    for (std::size_t i = 0; i < monitor.size(); ++i)
        text += monitor.paragraph(i).text + "\n";
    return text;
}

} // namespace tervolen
