#include "core/memory_status.h"

#include <gtest/gtest.h>
#include <sstream>

namespace tervolen {
namespace {

TEST(MemoryStatusTest, MeminfoFieldsAreReadInBytes) {
    std::string meminfo = "MemTotal:       32768000 kB\n"
                          "MemFree:         1024000 kB\n"
                          "MemAvailableX:         1 kB\n"
                          "MemAvailable:   20000000 kB\n"
                          "HugePages_Total:       7\n"
                          "Broken:            12 MB\n"
                          "Huge:     99999999999999999 kB\n";
    auto field = [&](const char* name) {
        std::istringstream in(meminfo);
        return meminfoField(in, name);
    };
    EXPECT_EQ(field("MemAvailable"), std::optional<std::uint64_t>(20000000ull * 1024)) << "beyond 32 bits";
    EXPECT_EQ(field("MemTotal"), std::optional<std::uint64_t>(32768000ull * 1024));
    EXPECT_EQ(field("HugePages_Total"), std::optional<std::uint64_t>(7));
    EXPECT_EQ(field("Broken"), std::nullopt);
    EXPECT_EQ(field("Huge"), std::nullopt) << "overflows 64 bits in bytes";
    EXPECT_EQ(field("SwapTotal"), std::nullopt);
}

TEST(MemoryStatusTest, TheSystemTellsBothFigures) {
    MemoryStatus status = readMemoryStatus();
    EXPECT_GT(status.totalPhysical, 0u);
    EXPECT_GT(status.freePhysical, 0u);
    EXPECT_LE(status.freePhysical, status.totalPhysical);
}

} // namespace
} // namespace tervolen
