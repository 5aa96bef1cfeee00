#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace tervolen::test {

// Bytes that do not compress, the same for the same seed.
std::string randomBytes(std::size_t size, std::uint32_t seed);

// Text lines with numbers and short binary runs, compressible like a database backup; the same for the same seed.
std::string backupLikeBytes(std::size_t size, std::uint32_t seed);

// Byte i is (i * step + i / period) mod 256: every value, in a sequence that repeats only after a long way.
std::string patternBytes(std::size_t size, std::size_t step, std::size_t period);

} // namespace tervolen::test
