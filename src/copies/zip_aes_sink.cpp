#include "copies/zip_aes_sink.h"

#include "core/errors.h"

#include <openssl/core_names.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

namespace tervolen {

namespace {

constexpr int kIterations = 1000;
constexpr size_t kKeySize = 32;
constexpr size_t kBlockSize = 16;
// Counter blocks encrypted at a time.
constexpr size_t kKeyStreamSize = 64 * 1024;

[[noreturn]] void fail(const char* what) {
    char text[256] = "unknown error";
    if (unsigned long code = ERR_get_error(); code != 0)
        ERR_error_string_n(code, text, sizeof text);
    throw Error(std::string("Encryption ") + what + " failed (" + text + ").");
}

} // namespace

struct AesEntrySink::OpenSsl {
    std::unique_ptr<EVP_CIPHER_CTX, decltype(&EVP_CIPHER_CTX_free)> cipher{EVP_CIPHER_CTX_new(), EVP_CIPHER_CTX_free};
    std::unique_ptr<EVP_MAC, decltype(&EVP_MAC_free)> mac{EVP_MAC_fetch(nullptr, "HMAC", nullptr), EVP_MAC_free};
    std::unique_ptr<EVP_MAC_CTX, decltype(&EVP_MAC_CTX_free)> macContext{nullptr, EVP_MAC_CTX_free};
};

AesEntrySink::AesEntrySink(const std::string& password, ByteSink& out)
    : out_(out), ssl_(std::make_unique<OpenSsl>()), keyStream_(kKeyStreamSize, '\0'), keyStreamUsed_(kKeyStreamSize) {
    if (password.empty())
        throw Error("An encrypted archive needs a password.");
    if (!ssl_->cipher || !ssl_->mac)
        fail("start");
    ssl_->macContext.reset(EVP_MAC_CTX_new(ssl_->mac.get()));
    if (!ssl_->macContext)
        fail("start");

    unsigned char salt[kAesSaltSize];
    if (RAND_bytes(salt, sizeof salt) != 1)
        fail("salt");
    unsigned char keys[2 * kKeySize + kAesVerifierSize];
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt, sizeof salt, kIterations,
                          EVP_sha1(), sizeof keys, keys) != 1)
        fail("key derivation");
    if (EVP_EncryptInit_ex(ssl_->cipher.get(), EVP_aes_256_ecb(), nullptr, keys, nullptr) != 1 ||
        EVP_CIPHER_CTX_set_padding(ssl_->cipher.get(), 0) != 1)
        fail("start");
    char digest[] = "SHA1";
    OSSL_PARAM params[] = {OSSL_PARAM_construct_utf8_string(OSSL_MAC_PARAM_DIGEST, digest, 0), OSSL_PARAM_END};
    if (EVP_MAC_init(ssl_->macContext.get(), keys + kKeySize, kKeySize, params) != 1)
        fail("start");
    out_.write(reinterpret_cast<const char*>(salt), sizeof salt);
    out_.write(reinterpret_cast<const char*>(keys + 2 * kKeySize), kAesVerifierSize);
}

AesEntrySink::~AesEntrySink() = default;

void AesEntrySink::refillKeyStream() {
    std::string counters(kKeyStreamSize, '\0');
    for (size_t at = 0; at < kKeyStreamSize; at += kBlockSize) {
        uint64_t value = ++counter_;
        for (size_t i = 0; i < 8; ++i, value >>= 8)
            counters[at + i] = static_cast<char>(value & 0xFF);
    }
    int produced = 0;
    if (EVP_EncryptUpdate(ssl_->cipher.get(), reinterpret_cast<unsigned char*>(keyStream_.data()), &produced,
                          reinterpret_cast<const unsigned char*>(counters.data()),
                          static_cast<int>(kKeyStreamSize)) != 1 ||
        produced != static_cast<int>(kKeyStreamSize))
        fail("encryption");
    keyStreamUsed_ = 0;
}

void AesEntrySink::write(const char* data, size_t size) {
    encrypted_.resize(size);
    for (size_t i = 0; i < size; ++i) {
        if (keyStreamUsed_ == keyStream_.size())
            refillKeyStream();
        encrypted_[i] = static_cast<char>(data[i] ^ keyStream_[keyStreamUsed_++]);
    }
    if (EVP_MAC_update(ssl_->macContext.get(), reinterpret_cast<const unsigned char*>(encrypted_.data()), size) != 1)
        fail("authentication");
    out_.write(encrypted_.data(), size);
}

void AesEntrySink::finish() {
    unsigned char code[EVP_MAX_MD_SIZE];
    size_t length = 0;
    if (EVP_MAC_final(ssl_->macContext.get(), code, &length, sizeof code) != 1 || length < kAesCodeSize)
        fail("authentication");
    out_.write(reinterpret_cast<const char*>(code), kAesCodeSize);
}

} // namespace tervolen
