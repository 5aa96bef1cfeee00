#include "test_bytes.h"

#include <random>

namespace tervolen::test {

std::string randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random());
    return bytes;
}

std::string backupLikeBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    std::string bytes;
    while (bytes.size() < size) {
        bytes += "CUSTOMER " + std::to_string(random() % 100000) + " Rua das Flores " + std::to_string(random() % 999);
        for (int i = 0; i < 8; ++i)
            bytes += static_cast<char>(random() % 4);
        bytes += '\n';
    }
    bytes.resize(size);
    return bytes;
}

std::string patternBytes(std::size_t size, std::size_t step, std::size_t period) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * step + i / period) & 0xFF);
    return bytes;
}

} // namespace tervolen::test
