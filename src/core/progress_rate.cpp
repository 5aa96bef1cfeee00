#include "core/progress_rate.h"

#include <cstdio>

namespace tervolen {

std::string ProgressRate::update(std::uint64_t done, std::uint64_t total) {
    auto now = std::chrono::steady_clock::now();
    if (finished_ || done == 0) {
        start_ = now;
        finished_ = false;
    }
    percent_ = total == 0 ? 100 : static_cast<int>(done * 100 / total);
    finished_ = done >= total;
    double seconds = std::chrono::duration<double>(now - start_).count();
    double rate = seconds > 0 ? static_cast<double>(done) / seconds / 1e6 : 0;
    char text[48];
    std::snprintf(text, sizeof text, "%d %% %.1f MB/s", percent_, rate);
    return text;
}

} // namespace tervolen
