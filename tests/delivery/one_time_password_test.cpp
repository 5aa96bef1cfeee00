#include "delivery/hash_digests.h"
#include "delivery/one_time_password.h"

#include "core/errors.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace tervolen {
namespace {

template <std::size_t N> std::string hex(const std::array<std::uint8_t, N>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 15];
    }
    return text;
}

TEST(HashDigests, MatchPublishedVectors) {
    EXPECT_EQ(hex(md4Digest("")), "31d6cfe0d16ae931b73c59d7e0c089c0");
    EXPECT_EQ(hex(md4Digest("message digest")), "d9130a8164549fe818874806e1c7014b");
    EXPECT_EQ(hex(md4Digest("12345678901234567890123456789012345678901234567890123456789012345678901234567890")),
              "e33b4ddc9c38f2199c3e7b164fcc0536");
    EXPECT_EQ(hex(md5Digest("")), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(hex(md5Digest("abc")), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(hex(md5Digest("12345678901234567890123456789012345678901234567890123456789012345678901234567890")),
              "57edf4a22be3c955ac49da2e2107b67a");
    EXPECT_EQ(hex(sha1Digest("abc")), "a9993e364706816aba3e25717850c26c9cd0d89d");
    EXPECT_EQ(hex(sha1Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
              "84983e441c3bd26ebaae4aa1f95129e5e54670f1");
    EXPECT_EQ(hex(sha1Digest(std::string(1000000, 'a'))), "34aa973cd4c4daa4f61eeb2bdbad27316534016f");
}

struct OtpVector {
    OtpAlgorithm algorithm;
    const char* passPhrase;
    const char* seed;
    int sequence;
    const char* hex;
    const char* words;
};

// The test vectors of RFC 2289, appendix C.
constexpr OtpVector kVectors[] = {
    {OtpAlgorithm::Md4, "This is a test.", "TeSt", 0, "d1854218ebbb0b51", "ROME MUG FRED SCAN LIVE LACE"},
    {OtpAlgorithm::Md4, "This is a test.", "TeSt", 1, "63473ef01cd0b444", "CARD SAD MINI RYE COL KIN"},
    {OtpAlgorithm::Md4, "This is a test.", "TeSt", 99, "c5e612776e6c237a", "NOTE OUT IBIS SINK NAVE MODE"},
    {OtpAlgorithm::Md4, "AbCdEfGhIjK", "alpha1", 0, "50076f47eb1ade4e", "AWAY SEN ROOK SALT LICE MAP"},
    {OtpAlgorithm::Md4, "AbCdEfGhIjK", "alpha1", 1, "65d20d1949b5f7ab", "CHEW GRIM WU HANG BUCK SAID"},
    {OtpAlgorithm::Md4, "AbCdEfGhIjK", "alpha1", 99, "d150c82cce6f62d1", "ROIL FREE COG HUNK WAIT COCA"},
    {OtpAlgorithm::Md4, "OTP's are good", "correct", 0, "849c79d4f6f55388", "FOOL STEM DONE TOOL BECK NILE"},
    {OtpAlgorithm::Md4, "OTP's are good", "correct", 1, "8c0992fb250847b1", "GIST AMOS MOOT AIDS FOOD SEEM"},
    {OtpAlgorithm::Md4, "OTP's are good", "correct", 99, "3f3bf4b4145fd74b", "TAG SLOW NOV MIN WOOL KENO"},
    {OtpAlgorithm::Md5, "This is a test.", "TeSt", 0, "9e876134d90499dd", "INCH SEA ANNE LONG AHEM TOUR"},
    {OtpAlgorithm::Md5, "This is a test.", "TeSt", 1, "7965e05436f5029f", "EASE OIL FUM CURE AWRY AVIS"},
    {OtpAlgorithm::Md5, "This is a test.", "TeSt", 99, "50fe1962c4965880", "BAIL TUFT BITS GANG CHEF THY"},
    {OtpAlgorithm::Md5, "AbCdEfGhIjK", "alpha1", 0, "87066dd9644bf206", "FULL PEW DOWN ONCE MORT ARC"},
    {OtpAlgorithm::Md5, "AbCdEfGhIjK", "alpha1", 1, "7cd34c1040add14b", "FACT HOOF AT FIST SITE KENT"},
    {OtpAlgorithm::Md5, "AbCdEfGhIjK", "alpha1", 99, "5aa37a81f212146c", "BODE HOP JAKE STOW JUT RAP"},
    {OtpAlgorithm::Md5, "OTP's are good", "correct", 0, "f205753943de4cf9", "ULAN NEW ARMY FUSE SUIT EYED"},
    {OtpAlgorithm::Md5, "OTP's are good", "correct", 1, "ddcdac956f234937", "SKIM CULT LOB SLAM POE HOWL"},
    {OtpAlgorithm::Md5, "OTP's are good", "correct", 99, "b203e28fa525be47", "LONG IVY JULY AJAR BOND LEE"},
    {OtpAlgorithm::Sha1, "This is a test.", "TeSt", 0, "bb9e6ae1979d8ff4", "MILT VARY MAST OK SEES WENT"},
    {OtpAlgorithm::Sha1, "This is a test.", "TeSt", 1, "63d936639734385b", "CART OTTO HIVE ODE VAT NUT"},
    {OtpAlgorithm::Sha1, "This is a test.", "TeSt", 99, "87fec7768b73ccf9", "GAFF WAIT SKID GIG SKY EYED"},
    {OtpAlgorithm::Sha1, "AbCdEfGhIjK", "alpha1", 0, "ad85f658ebe383c9", "LEST OR HEEL SCOT ROB SUIT"},
    {OtpAlgorithm::Sha1, "AbCdEfGhIjK", "alpha1", 1, "d07ce229b5cf119b", "RITE TAKE GELD COST TUNE RECK"},
    {OtpAlgorithm::Sha1, "AbCdEfGhIjK", "alpha1", 99, "27bc71035aaf3dc6", "MAY STAR TIN LYON VEDA STAN"},
    {OtpAlgorithm::Sha1, "OTP's are good", "correct", 0, "d51f3e99bf8e6f0b", "RUST WELT KICK FELL TAIL FRAU"},
    {OtpAlgorithm::Sha1, "OTP's are good", "correct", 1, "82aeb52d943774e4", "FLIT DOSE ALSO MEW DRUM DEFY"},
    {OtpAlgorithm::Sha1, "OTP's are good", "correct", 99, "4f296a74fe1567ec", "AURA ALOE HURL WING BERG WAIT"},
};

class OtpVectors : public testing::TestWithParam<OtpVector> {};

TEST_P(OtpVectors, KeyAndSixWordsMatchTheRfc) {
    const OtpVector& v = GetParam();
    const auto key = otpKey(v.algorithm, v.passPhrase, v.seed, v.sequence);
    EXPECT_EQ(hex(key), v.hex);
    EXPECT_EQ(otpSixWords(key), v.words);
    EXPECT_EQ(oneTimePassword(OtpChallenge{v.algorithm, static_cast<std::uint64_t>(v.sequence), v.seed}, v.passPhrase),
              v.words);
}

INSTANTIATE_TEST_SUITE_P(Rfc2289, OtpVectors, testing::ValuesIn(kVectors));

TEST(OtpDictionary, HoldsShortWordsThenFourLetterWordsEachGroupSortedAndUnique) {
    const auto& words = otpDictionary();
    const auto firstLong = std::find_if(words.begin(), words.end(), [](auto w) { return w.size() == 4; });
    EXPECT_EQ(firstLong - words.begin(), 571);
    EXPECT_EQ(words.front(), "A");
    EXPECT_EQ(words[570], "YOU");
    EXPECT_EQ(words[571], "ABED");
    EXPECT_EQ(words.back(), "YOKE");
    EXPECT_TRUE(std::all_of(words.begin(), firstLong, [](auto w) { return !w.empty() && w.size() <= 3; }));
    EXPECT_TRUE(std::all_of(firstLong, words.end(), [](auto w) { return w.size() == 4; }));
    EXPECT_TRUE(std::is_sorted(words.begin(), firstLong));
    EXPECT_TRUE(std::is_sorted(firstLong, words.end()));
    EXPECT_EQ(std::set<std::string_view>(words.begin(), words.end()).size(), 2048u);
}

TEST(OtpSixWords, EncodesTheExtremeKeysWithTheirChecksum) {
    EXPECT_EQ(otpSixWords({0, 0, 0, 0, 0, 0, 0, 0}), "A A A A A A");
    // All ones: the checksum is 32 * 3 = 96, whose low bits are 00.
    EXPECT_EQ(otpSixWords({255, 255, 255, 255, 255, 255, 255, 255}), "YOKE YOKE YOKE YOKE YOKE YEAR");
}

TEST(FindOtpChallenge, ReadsAlgorithmSequenceAndSeedFromReplyTexts) {
    struct Case {
        const char* text;
        OtpAlgorithm algorithm;
        std::uint64_t sequence;
        const char* seed;
    };
    const Case cases[] = {
        {"otp-md5 499 ke1234", OtpAlgorithm::Md5, 499, "ke1234"},
        {"Response to otp-md4 12 Alpha1 required for skey.", OtpAlgorithm::Md4, 12, "Alpha1"},
        {"OTP-SHA1  0\tTeSt ext", OtpAlgorithm::Sha1, 0, "TeSt"},
        {"otp-foo 1 x, then otp-md5 7 seed", OtpAlgorithm::Md5, 7, "seed"},
    };
    for (const Case& c : cases) {
        const auto challenge = findOtpChallenge(c.text);
        ASSERT_TRUE(challenge.has_value()) << c.text;
        EXPECT_EQ(challenge->algorithm, c.algorithm) << c.text;
        EXPECT_EQ(challenge->sequence, c.sequence) << c.text;
        EXPECT_EQ(challenge->seed, c.seed) << c.text;
    }
    for (const char* text : {"Password required for anonymous.", "otp-md5", "otp-md5 499", "otp-md5 x ke1234",
                             "otp-md5 499 !", "otp-md2 499 ke1234", "otp-md5499 ke1234", "otp-"}) {
        EXPECT_FALSE(findOtpChallenge(text).has_value()) << text;
    }
}

TEST(OneTimePassword, RefusesAChallengeThatAsksForTooManySteps) {
    const auto challenge = findOtpChallenge("otp-md5 99999999999999999999999 seed");
    ASSERT_TRUE(challenge.has_value());
    EXPECT_THROW(oneTimePassword(*challenge, "pass phrase"), Error);
    EXPECT_NO_THROW(oneTimePassword(OtpChallenge{OtpAlgorithm::Md5, kMaxOtpSequence, "seed"}, "pass phrase"));
}

} // namespace
} // namespace tervolen
