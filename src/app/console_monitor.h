#pragma once

#include "core/monitor_log.h"

#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace tervolen {

// text with every control character that could steer a terminal (ESC and the other C0 bytes, DEL, the C1
// controls of UTF-8) written as "\xHH" text. Line feeds and tabs stay; a CR ends a line as a line feed does.
std::string terminalSafeText(std::string_view text);

// Prints every Monitor paragraph to a stream as it is added: terminal-safe text, coloured with terminal escapes
// when asked, optionally after a time stamp. Remembers whether an error line appeared.
class ConsoleMonitorPrinter : public MonitorListener {
public:
    ConsoleMonitorPrinter(const MonitorLog& log, std::FILE* out, bool colours, std::function<std::string()> stamp);

    void paragraphsAppended(std::size_t count) override;
    void paragraphsInserted(std::size_t count) override;

    // A red line was added, or a line was put at the top (only the e-mail step's error does that).
    bool errorSeen() const { return errorSeen_; }
    void resetErrors() { errorSeen_ = false; }

private:
    void print(const MonitorParagraph& paragraph);

    const MonitorLog& log_;
    std::FILE* out_;
    bool colours_;
    std::function<std::string()> stamp_;
    bool errorSeen_ = false;
};

} // namespace tervolen
