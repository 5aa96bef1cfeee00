#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tervolen {

// One-shot message digests for the one-time-password generator (RFC 1320, RFC 1321, FIPS 180-1).
// The results are the digests' standard byte strings.
std::array<std::uint8_t, 16> md4Digest(std::string_view data);
std::array<std::uint8_t, 16> md5Digest(std::string_view data);
std::array<std::uint8_t, 20> sha1Digest(std::string_view data);

} // namespace tervolen
