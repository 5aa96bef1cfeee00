#include "delivery/hash_digests.h"

#include <cstddef>
#include <vector>

namespace tervolen {

namespace {

using Word = std::uint32_t;

Word rotateLeft(Word value, int bits) {
    return (value << bits) | (value >> (32 - bits));
}

// The message with the Merkle-Damgard padding: a 1 bit, zeros, and the bit length in the given byte order.
std::vector<std::uint8_t> padded(std::string_view data, bool bigEndianLength) {
    std::vector<std::uint8_t> bytes(data.begin(), data.end());
    const std::uint64_t bitLength = static_cast<std::uint64_t>(data.size()) * 8;
    bytes.push_back(0x80);
    while (bytes.size() % 64 != 56)
        bytes.push_back(0);
    for (int i = 0; i < 8; ++i) {
        const int shift = bigEndianLength ? 56 - 8 * i : 8 * i;
        bytes.push_back(static_cast<std::uint8_t>(bitLength >> shift));
    }
    return bytes;
}

Word littleEndianWord(const std::uint8_t* p) {
    return Word(p[0]) | (Word(p[1]) << 8) | (Word(p[2]) << 16) | (Word(p[3]) << 24);
}

Word bigEndianWord(const std::uint8_t* p) {
    return (Word(p[0]) << 24) | (Word(p[1]) << 16) | (Word(p[2]) << 8) | Word(p[3]);
}

template <std::size_t N> std::array<std::uint8_t, N * 4> littleEndianBytes(const std::array<Word, N>& words) {
    std::array<std::uint8_t, N * 4> bytes{};
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < 4; ++j)
            bytes[i * 4 + j] = static_cast<std::uint8_t>(words[i] >> (8 * j));
    return bytes;
}

template <std::size_t N> std::array<std::uint8_t, N * 4> bigEndianBytes(const std::array<Word, N>& words) {
    std::array<std::uint8_t, N * 4> bytes{};
    for (std::size_t i = 0; i < N; ++i)
        for (std::size_t j = 0; j < 4; ++j)
            bytes[i * 4 + j] = static_cast<std::uint8_t>(words[i] >> (24 - 8 * j));
    return bytes;
}

void md4Block(std::array<Word, 4>& state, const std::uint8_t* block) {
    Word x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = littleEndianWord(block + 4 * i);
    Word a = state[0], b = state[1], c = state[2], d = state[3];
    auto f = [](Word x1, Word y, Word z) { return (x1 & y) | (~x1 & z); };
    auto g = [](Word x1, Word y, Word z) { return (x1 & y) | (x1 & z) | (y & z); };
    auto h = [](Word x1, Word y, Word z) { return x1 ^ y ^ z; };
    static constexpr int kShifts1[4] = {3, 7, 11, 19};
    static constexpr int kShifts2[4] = {3, 5, 9, 13};
    static constexpr int kShifts3[4] = {3, 9, 11, 15};
    static constexpr int kOrder3[16] = {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15};
    Word* regs[4] = {&a, &b, &c, &d};
    for (int i = 0; i < 16; ++i) {
        Word& r = *regs[(4 - i % 4) % 4];
        Word& s = *regs[(5 - i % 4) % 4];
        Word& t = *regs[(6 - i % 4) % 4];
        Word& u = *regs[(7 - i % 4) % 4];
        r = rotateLeft(r + f(s, t, u) + x[i], kShifts1[i % 4]);
    }
    for (int i = 0; i < 16; ++i) {
        Word& r = *regs[(4 - i % 4) % 4];
        Word& s = *regs[(5 - i % 4) % 4];
        Word& t = *regs[(6 - i % 4) % 4];
        Word& u = *regs[(7 - i % 4) % 4];
        const int k = (i % 4) * 4 + i / 4;
        r = rotateLeft(r + g(s, t, u) + x[k] + 0x5a827999u, kShifts2[i % 4]);
    }
    for (int i = 0; i < 16; ++i) {
        Word& r = *regs[(4 - i % 4) % 4];
        Word& s = *regs[(5 - i % 4) % 4];
        Word& t = *regs[(6 - i % 4) % 4];
        Word& u = *regs[(7 - i % 4) % 4];
        r = rotateLeft(r + h(s, t, u) + x[kOrder3[i]] + 0x6ed9eba1u, kShifts3[i % 4]);
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void md5Block(std::array<Word, 4>& state, const std::uint8_t* block) {
    static constexpr Word kSines[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static constexpr int kShifts[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};
    Word x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = littleEndianWord(block + 4 * i);
    Word a = state[0], b = state[1], c = state[2], d = state[3];
    for (int i = 0; i < 64; ++i) {
        const int round = i / 16;
        Word mix;
        int k;
        if (round == 0) {
            mix = (b & c) | (~b & d);
            k = i;
        } else if (round == 1) {
            mix = (d & b) | (~d & c);
            k = (5 * i + 1) % 16;
        } else if (round == 2) {
            mix = b ^ c ^ d;
            k = (3 * i + 5) % 16;
        } else {
            mix = c ^ (b | ~d);
            k = (7 * i) % 16;
        }
        const Word rotated = rotateLeft(a + mix + kSines[i] + x[k], kShifts[round][i % 4]);
        a = d;
        d = c;
        c = b;
        b += rotated;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
}

void sha1Block(std::array<Word, 5>& state, const std::uint8_t* block) {
    Word w[80];
    for (int i = 0; i < 16; ++i)
        w[i] = bigEndianWord(block + 4 * i);
    for (int i = 16; i < 80; ++i)
        w[i] = rotateLeft(w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16], 1);
    Word a = state[0], b = state[1], c = state[2], d = state[3], e = state[4];
    for (int i = 0; i < 80; ++i) {
        Word f;
        Word k;
        if (i < 20) {
            f = (b & c) | (~b & d);
            k = 0x5a827999;
        } else if (i < 40) {
            f = b ^ c ^ d;
            k = 0x6ed9eba1;
        } else if (i < 60) {
            f = (b & c) | (b & d) | (c & d);
            k = 0x8f1bbcdc;
        } else {
            f = b ^ c ^ d;
            k = 0xca62c1d6;
        }
        const Word next = rotateLeft(a, 5) + f + e + k + w[i];
        e = d;
        d = c;
        c = rotateLeft(b, 30);
        b = a;
        a = next;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
}

constexpr std::array<Word, 4> kMd4Md5Start = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476};

} // namespace

std::array<std::uint8_t, 16> md4Digest(std::string_view data) {
    auto state = kMd4Md5Start;
    const auto bytes = padded(data, false);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 64)
        md4Block(state, bytes.data() + offset);
    return littleEndianBytes(state);
}

std::array<std::uint8_t, 16> md5Digest(std::string_view data) {
    auto state = kMd4Md5Start;
    const auto bytes = padded(data, false);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 64)
        md5Block(state, bytes.data() + offset);
    return littleEndianBytes(state);
}

std::array<std::uint8_t, 20> sha1Digest(std::string_view data) {
    std::array<Word, 5> state = {0x67452301, 0xefcdab89, 0x98badcfe, 0x10325476, 0xc3d2e1f0};
    const auto bytes = padded(data, true);
    for (std::size_t offset = 0; offset < bytes.size(); offset += 64)
        sha1Block(state, bytes.data() + offset);
    return bigEndianBytes(state);
}

} // namespace tervolen
