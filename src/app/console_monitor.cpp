#include "app/console_monitor.h"

namespace tervolen {

namespace {

const char* colourEscape(Color color) {
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

std::string hexEscape(unsigned char byte) {
    static constexpr char kDigits[] = "0123456789abcdef";
    return std::string("\\x") + kDigits[byte >> 4] + kDigits[byte & 0xF];
}

} // namespace

std::string terminalSafeText(std::string_view text) {
    std::string safe;
    safe.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80;
        if (byte == '\r') {
            if (i + 1 >= text.size() || text[i + 1] != '\n')
                safe += '\n';
        } else if (c1) {
            safe += hexEscape(byte) + hexEscape(static_cast<unsigned char>(text[++i]));
        } else if ((byte < 0x20 && byte != '\n' && byte != '\t') || byte == 0x7F) {
            safe += hexEscape(byte);
        } else {
            safe += static_cast<char>(byte);
        }
    }
    return safe;
}

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
    const char* escape = colours_ ? colourEscape(paragraph.color) : "";
    std::fprintf(out_, "%s%s%s%s\n", prefix.c_str(), escape, terminalSafeText(paragraph.text).c_str(),
                 *escape ? "\033[0m" : "");
    std::fflush(out_);
}

} // namespace tervolen
