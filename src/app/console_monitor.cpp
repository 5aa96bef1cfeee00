#include "app/console_monitor.h"

namespace tervolen {

namespace {

const char* Escape(Color color) {
    switch (color) {
    case kRed:
        return "\033[31m";
    case kGreen:
        return "\033[32m";
    case kNavy:
        return "\033[34m";
    case kFuchsia:
        return "\033[35m";
    default:
        return "";
    }
}

} // namespace

ConsoleMonitorPrinter::ConsoleMonitorPrinter(const MonitorLog& log, std::FILE* out, bool colours,
                                             std::function<std::string()> stamp)
    : log_(log), out_(out), colours_(colours), stamp_(std::move(stamp)) {}

void ConsoleMonitorPrinter::paragraphsAppended(std::size_t count) {
    for (std::size_t i = log_.size() - count; i < log_.size(); ++i) {
        if (log_.paragraph(i).color == kRed)
            errorSeen_ = true;
        print(log_.paragraph(i));
    }
}

void ConsoleMonitorPrinter::paragraphsInserted(std::size_t count) {
    errorSeen_ = true;
    for (std::size_t i = 0; i < count && i < log_.size(); ++i)
        print(log_.paragraph(i));
}

void ConsoleMonitorPrinter::print(const MonitorParagraph& paragraph) {
    std::string prefix = stamp_ ? stamp_() + " " : "";
    const char* escape = colours_ ? Escape(paragraph.color) : "";
    std::fprintf(out_, "%s%s%s%s\n", prefix.c_str(), escape, paragraph.text.c_str(), *escape ? "\033[0m" : "");
    std::fflush(out_);
}

} // namespace tervolen
