#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <string_view>

namespace tervolen {

// The machine's physical memory in bytes, as 64-bit counts.
struct MemoryStatus {
    std::uint64_t freePhysical = 0; // available to programs without swapping
    std::uint64_t totalPhysical = 0;
};

// Asks the system. The free figure is the kernel's estimate of available memory (MemAvailable of
// /proc/meminfo), or the unused memory where the kernel gives no estimate. Throws Error with the system's
// reason when the system tells nothing.
MemoryStatus readMemoryStatus();

// A field of /proc/meminfo ("MemAvailable"), in bytes; nullopt when the field is missing or malformed.
std::optional<std::uint64_t> meminfoField(std::istream& meminfo, std::string_view field);

} // namespace tervolen
