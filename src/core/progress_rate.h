#pragma once

#include <chrono>
#include <cstdint>
#include <string>

namespace tervolen {

// Progress of a long step (the compression of a backup) as "42 % 35.1 MB/s", measured from the first
// report of each run.
class ProgressRate {
public:
    // Takes a report; returns the text to show. A report of 0 bytes starts a new run.
    std::string update(std::uint64_t done, std::uint64_t total);
    int percent() const { return percent_; }
    bool finished() const { return finished_; }

private:
    std::chrono::steady_clock::time_point start_{};
    int percent_ = 0;
    bool finished_ = true;
};

} // namespace tervolen
