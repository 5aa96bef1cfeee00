#include "delivery/tls_session.h"

#include "delivery/tcp_socket.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

namespace tervolen {

namespace {

std::string openSslReason() {
    const unsigned long code = ERR_peek_error();
    ERR_clear_error();
    const char* reason = code == 0 ? nullptr : ERR_reason_error_string(code);
    return reason != nullptr ? reason : "unknown error";
}

bool isIpAddress(const std::string& host) {
    unsigned char address[16];
    return ::inet_pton(AF_INET, host.c_str(), address) == 1 || ::inet_pton(AF_INET6, host.c_str(), address) == 1;
}

void loadTrustedCertificates(SSL_CTX* context, const std::string& caFile) {
    if (caFile.empty()) {
        if (SSL_CTX_set_default_verify_paths(context) != 1)
            throw TlsError("Cannot load the system's trusted certificates: " + openSslReason());
        return;
    }
    // OpenSSL's own text for a missing file names no path and no reason the user can act on.
    std::FILE* file = std::fopen(caFile.c_str(), "rb");
    if (file == nullptr)
        throw TlsError("Cannot read the trusted certificates file " + caFile + ": " + std::strerror(errno));
    std::fclose(file);
    if (SSL_CTX_load_verify_locations(context, caFile.c_str(), nullptr) != 1)
        throw TlsError("Cannot read the trusted certificates file " + caFile + ": " + openSslReason());
}

std::shared_ptr<SSL_CTX> makeContext(const std::string& caFile, int (*keepNewSession)(SSL*, SSL_SESSION*)) {
    std::shared_ptr<SSL_CTX> context(SSL_CTX_new(TLS_client_method()), SSL_CTX_free);
    if (!context)
        throw TlsError("Cannot set up TLS: " + openSslReason());
    SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
    SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
    // A peer that drops the connection reads as closed, as it does without TLS.
    SSL_CTX_set_options(context.get(), SSL_OP_IGNORE_UNEXPECTED_EOF);
    SSL_CTX_set_mode(context.get(), SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    SSL_CTX_set_session_cache_mode(context.get(), SSL_SESS_CACHE_CLIENT | SSL_SESS_CACHE_NO_INTERNAL_STORE);
    SSL_CTX_sess_set_new_cb(context.get(), keepNewSession);
    loadTrustedCertificates(context.get(), caFile);
    return context;
}

} // namespace

TlsSession::TlsSession(int fd, const TlsOptions& options, const TlsSession* resumeFrom) : ssl_(nullptr, SSL_free) {
    if (options.serverName.empty())
        throw TlsError("TLS needs the server's name to check its certificate.");
    ERR_clear_error();
    context_ = resumeFrom != nullptr ? resumeFrom->context_ : makeContext(options.caFile, &TlsSession::keepNewSession);
    ssl_.reset(SSL_new(context_.get()));
    if (!ssl_ || SSL_set_fd(ssl_.get(), fd) != 1)
        throw TlsError("Cannot set up TLS: " + openSslReason());
    SSL_set_app_data(ssl_.get(), this);
    if (isIpAddress(options.serverName)) {
        if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl_.get()), options.serverName.c_str()) != 1)
            throw TlsError("Cannot set up TLS: " + openSslReason());
    } else if (SSL_set_tlsext_host_name(ssl_.get(), options.serverName.c_str()) != 1 ||
               SSL_set1_host(ssl_.get(), options.serverName.c_str()) != 1) {
        throw TlsError("Cannot set up TLS: " + openSslReason());
    }
    if (resumeFrom != nullptr) {
        SSL_SESSION* session =
            resumeFrom->latestSession_ ? resumeFrom->latestSession_.get() : SSL_get0_session(resumeFrom->ssl_.get());
        if (session != nullptr)
            SSL_set_session(ssl_.get(), session);
    }
    SSL_set_connect_state(ssl_.get());
}

TlsSession::~TlsSession() = default;

int TlsSession::keepNewSession(SSL* ssl, SSL_SESSION* session) {
    auto* self = static_cast<TlsSession*>(SSL_get_app_data(ssl));
    self->latestSession_.reset(session, SSL_SESSION_free);
    return 1; // the reference is ours now
}

TlsWait TlsSession::handshake() {
    ERR_clear_error();
    const int result = SSL_do_handshake(ssl_.get());
    if (result == 1)
        return TlsWait::none;
    const int error = SSL_get_error(ssl_.get(), result);
    if (error == SSL_ERROR_WANT_READ)
        return TlsWait::readable;
    if (error == SSL_ERROR_WANT_WRITE)
        return TlsWait::writable;
    throwHandshakeFailure(result, error);
}

void TlsSession::throwHandshakeFailure(int result, int error) const {
    const long verifyResult = SSL_get_verify_result(ssl_.get());
    if (verifyResult == X509_V_ERR_HOSTNAME_MISMATCH || verifyResult == X509_V_ERR_IP_ADDRESS_MISMATCH) {
        ERR_clear_error();
        throw TlsError("host name mismatch");
    }
    if (verifyResult != X509_V_OK) {
        ERR_clear_error();
        throw TlsError(std::string("certificate verify failed: ") + X509_verify_cert_error_string(verifyResult));
    }
    if (error == SSL_ERROR_SYSCALL || error == SSL_ERROR_ZERO_RETURN) {
        const int code = errno;
        ERR_clear_error();
        if (result == 0 || error == SSL_ERROR_ZERO_RETURN || code == 0)
            throw TlsError("TLS handshake failed: the server closed the connection");
        throw TlsError(std::string("TLS handshake failed: ") + std::strerror(code));
    }
    throw TlsError("TLS handshake failed: " + openSslReason());
}

TlsTransfer TlsSession::read(char* buffer, std::size_t capacity) {
    ERR_clear_error();
    std::size_t n = 0;
    if (SSL_read_ex(ssl_.get(), buffer, capacity, &n) == 1)
        return {n, TlsWait::none, false};
    return transferResult(0);
}

TlsTransfer TlsSession::write(const char* data, std::size_t size) {
    ERR_clear_error();
    std::size_t n = 0;
    if (SSL_write_ex(ssl_.get(), data, size, &n) == 1)
        return {n, TlsWait::none, false};
    return transferResult(0);
}

TlsTransfer TlsSession::transferResult(int result) {
    const int error = SSL_get_error(ssl_.get(), result);
    switch (error) {
    case SSL_ERROR_WANT_READ:
        return {0, TlsWait::readable, false};
    case SSL_ERROR_WANT_WRITE:
        return {0, TlsWait::writable, false};
    case SSL_ERROR_ZERO_RETURN:
        return {0, TlsWait::none, true};
    case SSL_ERROR_SYSCALL: {
        failed_ = true;
        const int code = errno;
        ERR_clear_error();
        if (code == 0)
            return {0, TlsWait::none, true};
        throw SocketError(code, std::strerror(code));
    }
    default:
        failed_ = true;
        throw TlsError("TLS error: " + openSslReason());
    }
}

bool TlsSession::hasPending() const {
    return SSL_pending(ssl_.get()) > 0;
}

bool TlsSession::readReady() {
    ERR_clear_error();
    char byte = 0;
    std::size_t n = 0;
    if (SSL_peek_ex(ssl_.get(), &byte, 1, &n) == 1)
        return true;
    const int error = SSL_get_error(ssl_.get(), 0);
    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE)
        return false;
    return true; // the next read reports the close or the error
}

TlsWait TlsSession::shutdown() noexcept {
    // After a fatal error OpenSSL must not send anything more.
    if (failed_ || SSL_is_init_finished(ssl_.get()) != 1)
        return TlsWait::none;
    ERR_clear_error();
    const int result = SSL_shutdown(ssl_.get());
    if (result >= 0) // 0: close_notify sent; the peer's answer is not awaited
        return TlsWait::none;
    const int error = SSL_get_error(ssl_.get(), result);
    ERR_clear_error();
    if (error == SSL_ERROR_WANT_WRITE)
        return TlsWait::writable;
    if (error == SSL_ERROR_WANT_READ)
        return TlsWait::readable;
    return TlsWait::none;
}

bool TlsSession::resumed() const {
    return SSL_session_reused(ssl_.get()) == 1;
}

std::string TlsSession::protocolVersion() const {
    return SSL_get_version(ssl_.get());
}

} // namespace tervolen
