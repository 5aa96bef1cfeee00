#pragma once

#include "core/monitor_log.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tervolen::test {

// The texts of the Monitor's lines from line from on.
inline std::vector<std::string> monitorTexts(const MonitorLog& monitor, std::size_t from = 0) {
    std::vector<std::string> lines;
    for (std::size_t i = from; i < monitor.size(); ++i)
        lines.push_back(monitor.paragraph(i).text);
    return lines;
}

} // namespace tervolen::test
