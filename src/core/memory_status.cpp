#include "core/memory_status.h"

#include "core/errors.h"

#include <cerrno>
#include <charconv>
#include <cstring>
#include <fstream>
#include <limits>
#include <string>
#include <sys/sysinfo.h>

namespace tervolen {

std::optional<std::uint64_t> meminfoField(std::istream& meminfo, std::string_view field) {
    constexpr std::uint64_t kKiB = 1024;
    std::string line;
    while (std::getline(meminfo, line)) {
        std::string_view rest(line);
        if (!rest.starts_with(field) || rest.substr(field.size()).find(':') != 0)
            continue;
        rest.remove_prefix(field.size() + 1);
        while (!rest.empty() && rest.front() == ' ')
            rest.remove_prefix(1);
        std::uint64_t value = 0;
        auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), value);
        if (ec != std::errc() || end == rest.data())
            return std::nullopt;
        std::string_view unit(end, static_cast<std::size_t>(rest.data() + rest.size() - end));
        if (unit == " kB") {
            if (value > std::numeric_limits<std::uint64_t>::max() / kKiB)
                return std::nullopt;
            return value * kKiB;
        }
        return unit.empty() ? std::optional(value) : std::nullopt;
    }
    return std::nullopt;
}

MemoryStatus readMemoryStatus() {
    struct sysinfo info {};
    if (::sysinfo(&info) != 0)
        throw Error(std::strerror(errno));
    const std::uint64_t unit = info.mem_unit != 0 ? info.mem_unit : 1;
    MemoryStatus status{static_cast<std::uint64_t>(info.freeram) * unit,
                        static_cast<std::uint64_t>(info.totalram) * unit};
    std::ifstream meminfo("/proc/meminfo");
    if (auto available = meminfoField(meminfo, "MemAvailable"))
        status.freePhysical = *available;
    return status;
}

} // namespace tervolen
