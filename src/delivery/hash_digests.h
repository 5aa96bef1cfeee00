#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tervolen {

// One-shot message digests for the one-time-password generator (RFC 1320, RFC 1321, FIPS 180-1).
// The results are the digests' standard byte strings.
std::array<std::uint8_t, 16> Md4Digest(std::string_view data);
std::array<std::uint8_t, 16> Md5Digest(std::string_view data);
std::array<std::uint8_t, 20> Sha1Digest(std::string_view data);

} // namespace tervolen
