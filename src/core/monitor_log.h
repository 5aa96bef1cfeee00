#pragma once

#include "core/color.h"

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// The colour of a line before any colour was chosen.
inline constexpr Color kWindowText = 0x000000;

// Attributes of the Monitor: every coloured line has size 10; before any line the area's own font applies.
inline constexpr int kMonitorLineSize = 10;
inline constexpr int kMonitorDefaultSize = 8;
inline constexpr const char* kMonitorFontName = "Verdana";

// Paragraphs kept at most; older ones are dropped from the top.
inline constexpr std::size_t kMaxMonitorParagraphs = 200000;

struct MonitorParagraph {
    std::string text;
    Color color = kWindowText;
    int size = kMonitorDefaultSize; // points
};

// Told about every change of a MonitorLog. Paragraph indices count from the top of the log.
class MonitorListener {
public:
    virtual ~MonitorListener() = default;
    virtual void paragraphsAppended(std::size_t /*count*/) {}
    virtual void paragraphsInserted(std::size_t /*count*/) {} // at the top
    virtual void paragraphsTrimmed(std::size_t /*count*/) {}  // dropped from the top
    virtual void monitorCleared() {}
    virtual void ledChanged(bool /*lit*/) {}
};

// The Monitor page's log: coloured paragraphs with a size each, and the lamp.
// A text holding line breaks (CR, LF or CR LF, each one break) becomes several paragraphs with the same
// attributes. A line without attributes of its own takes those of the paragraph it is put next to, or
// the defaults (window-text colour, size 8) when the log is empty. Beyond kMaxMonitorParagraphs the oldest
// paragraphs are dropped, before new ones go in.
class MonitorLog {
public:
    void addMonitorLine(std::string_view text, Color color, int size);
    // At the end, with the attributes of the last paragraph.
    void appendOutputLine(std::string_view text);
    // In front of every paragraph, with the attributes of the first one.
    void insertFirstLine(std::string_view text);
    void clearMonitor();
    // Writes the whole log as an RTF document, replacing an existing file. Throws Error
    // "Cannot create file \"%s\". %s" when the file cannot be created or written.
    void saveMonitor(const std::string& path) const;

    void setLed(bool lit);
    bool led() const { return led_; }

    std::size_t size() const { return paragraphs_.size(); }
    bool empty() const { return paragraphs_.empty(); }
    const MonitorParagraph& paragraph(std::size_t index) const { return paragraphs_[index]; }

    // Keeps a listener told until it is destroyed; the log may go first.
    class Subscription {
    public:
        Subscription() = default;
        Subscription(Subscription&& other) noexcept = default;
        Subscription& operator=(Subscription&& other) noexcept;
        ~Subscription();

    private:
        friend class MonitorLog;
        Subscription(std::weak_ptr<std::vector<MonitorListener*>> listeners, MonitorListener* listener)
            : listeners_(std::move(listeners)), listener_(listener) {}
        void end();

        std::weak_ptr<std::vector<MonitorListener*>> listeners_;
        MonitorListener* listener_ = nullptr;
    };

    MonitorLog() = default;
    MonitorLog(const MonitorLog&) = delete;
    MonitorLog& operator=(const MonitorLog&) = delete;

    // The listener is told of every change while the returned subscription lives.
    [[nodiscard]] Subscription addListener(MonitorListener& listener);

private:
    void append(std::string_view text, Color color, int size);
    void trimTop(std::size_t count);
    template <typename Event> void notify(Event event);

    std::deque<MonitorParagraph> paragraphs_;
    bool led_ = true;
    // Shared with the subscriptions, so that one outliving the log finds it gone.
    std::shared_ptr<std::vector<MonitorListener*>> listeners_ = std::make_shared<std::vector<MonitorListener*>>();
};

// The paragraphs as plain text, each ended by a line feed.
std::string monitorPlainText(const MonitorLog& monitor);

} // namespace tervolen
