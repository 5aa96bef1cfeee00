#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tervolen {

// One-time passwords of RFC 2289, answered to an "otp-<algorithm> <sequence> <seed>" challenge.

enum class OtpAlgorithm { Md4, Md5, Sha1 };

struct OtpChallenge {
    OtpAlgorithm algorithm = OtpAlgorithm::Md5;
    std::uint64_t sequence = 0;
    std::string seed;
};

// Hash steps a challenge may ask for; more would keep the caller busy for minutes.
inline constexpr std::uint64_t kMaxOtpSequence = 99999;

// The first challenge in text ("otp-" and the algorithm in any letter case, blanks, the sequence
// number, blanks, an alphanumeric seed), or nothing.
std::optional<OtpChallenge> findOtpChallenge(std::string_view text);

// The 64-bit key: the folded hash of the lower-cased seed followed by the pass phrase, folded-hashed
// again sequence times.
std::array<std::uint8_t, 8> otpKey(OtpAlgorithm algorithm, std::string_view passPhrase, std::string_view seed,
                                   std::uint64_t sequence);

// The six dictionary words for key and its 2-bit checksum, upper case, separated by single blanks.
std::string otpSixWords(const std::array<std::uint8_t, 8>& key);

// The six-word answer to challenge. Throws Error when the sequence number is above kMaxOtpSequence.
std::string oneTimePassword(const OtpChallenge& challenge, std::string_view passPhrase);

// The standard 2048-word dictionary: 571 words of one to three letters, then words of four.
const std::array<std::string_view, 2048>& otpDictionary();

} // namespace tervolen
