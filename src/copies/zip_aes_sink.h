#pragma once

#include "copies/zip_sink.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>

namespace tervolen {

// WinZip AES (AE-2) with 256-bit keys: compression method 99, the real method in the 0x9901 extra field.
inline constexpr uint16_t kMethodAes = 99;
inline constexpr uint16_t kAesExtraId = 0x9901;
inline constexpr uint16_t kAesVendorVersion = 2; // AE-2: the CRC field is 0, the authentication code checks the data
inline constexpr uint8_t kAesStrength256 = 3;
inline constexpr size_t kAesSaltSize = 16;
inline constexpr size_t kAesVerifierSize = 2;
inline constexpr size_t kAesCodeSize = 10;

// Encrypts one entry's data on its way to out: the constructor writes a new random salt and the password
// verification value, write encrypts (AES-256 in WinZip's counter mode, little-endian counter from 1), finish
// writes the first 10 bytes of the HMAC-SHA1 of the encrypted data. Keys come from PBKDF2-HMAC-SHA1 with 1000
// iterations. Every member throws Error when OpenSSL fails or out refuses the bytes.
class AesEntrySink final : public ByteSink {
public:
    // Throws Error for an empty password.
    AesEntrySink(const std::string& password, ByteSink& out);
    AesEntrySink(const AesEntrySink&) = delete;
    AesEntrySink& operator=(const AesEntrySink&) = delete;
    ~AesEntrySink() override;

    using ByteSink::write;
    void write(const char* data, size_t size) override;
    void finish();

private:
    struct OpenSsl;

    void refillKeyStream();

    ByteSink& out_;
    std::unique_ptr<OpenSsl> ssl_;
    uint64_t counter_ = 0;
    std::string keyStream_;
    size_t keyStreamUsed_ = 0;
    std::string encrypted_;
};

} // namespace tervolen
