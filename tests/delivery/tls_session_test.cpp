#include "delivery/tcp_socket.h"

#include "temp_dir.h"
#include "test_certificates.h"
#include "tls_peer.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::TlsPeer;

class TlsSessionTest : public ::testing::Test {
protected:
    test::TempDir folder_;
    test::TestCertificates certificates_{folder_.path()};
};

// The reply to one line through the echo peer.
std::string echo(TcpSocket& socket, const std::string& line) {
    socket.writeAll(line + "\n", 5s);
    std::string answer;
    char buffer[256];
    while (answer.find('\n') == std::string::npos) {
        const std::size_t n = socket.readSome(buffer, sizeof buffer, 5s);
        if (n == 0)
            break;
        answer.append(buffer, n);
    }
    return answer;
}

// The handshake's failure text; empty when it succeeded.
std::string handshakeFailure(TcpSocket& socket, const TlsOptions& options, std::chrono::milliseconds timeout = 5s) {
    try {
        socket.startTls(options, timeout);
        return {};
    } catch (const TlsError& e) {
        EXPECT_FALSE(socket.isOpen()) << "a failed handshake closes the socket";
        return e.what();
    }
}

TEST_F(TlsSessionTest, ChecksTheCertificateAndTheNameItIsFor) {
    const std::string missing = folder_.file("missing.pem");
    const std::string notPem = folder_.file("not.pem");
    test::writeFile(notPem, "no certificates here\n");
    struct Case {
        const test::CertificateFiles& served;
        std::string serverName;
        std::string caFile;
        std::string failure;
    };
    const Case cases[] = {
        {certificates_.trusted(), "localhost", certificates_.caFile(), ""},
        {certificates_.trusted(), "127.0.0.1", certificates_.caFile(), ""},
        {certificates_.trusted(), "localhost", "", "certificate verify failed: unable to get local issuer certificate"},
        {certificates_.selfSigned(), "localhost", certificates_.caFile(),
         "certificate verify failed: self-signed certificate"},
        {certificates_.otherName(), "localhost", certificates_.caFile(), "host name mismatch"},
        {certificates_.trusted(), "127.0.0.2", certificates_.caFile(), "host name mismatch"},
        {certificates_.trusted(), "other.test", certificates_.caFile(), "host name mismatch"},
        {certificates_.trusted(), "localhost", missing,
         "Cannot read the trusted certificates file " + missing + ": No such file or directory"},
        {certificates_.trusted(), "localhost", notPem,
         "Cannot read the trusted certificates file " + notPem + ": no certificate or crl found"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.serverName + " " + c.served.certificate + " trusting " + c.caFile);
        TlsPeer peer(TlsPeer::Mode::echo, c.served.certificate, c.served.key);
        auto socket = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
        EXPECT_EQ(handshakeFailure(socket, {c.serverName, c.caFile}), c.failure);
        if (c.failure.empty()) {
            EXPECT_TRUE(socket.isEncrypted());
            EXPECT_EQ(peer.nextEvent(), "handshake TLSv1.3 reused=False");
            EXPECT_EQ(echo(socket, "hello"), "hello\n");
        }
    }
}

TEST_F(TlsSessionTest, APeerThatIsNoTlsServerFailsTheHandshakeInOneLine) {
    struct Case {
        TlsPeer::Mode mode;
        std::string failure;
    };
    const Case cases[] = {
        {TlsPeer::Mode::close, "TLS handshake failed: the server closed the connection"},
        {TlsPeer::Mode::garbage, "TLS handshake failed: wrong version number"},
        {TlsPeer::Mode::silent, "TLS handshake failed: Connection timed out"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure);
        TlsPeer peer(c.mode);
        auto socket = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
        EXPECT_EQ(handshakeFailure(socket, {"localhost", certificates_.caFile()}, 500ms), c.failure);
    }
}

TEST_F(TlsSessionTest, ASecondConnectionResumesTheFirstOnesSessionInTls12And13) {
    for (const std::string version : {"1.2", "1.3"}) {
        SCOPED_TRACE("TLS " + version);
        TlsPeer peer(TlsPeer::Mode::echo, certificates_.trusted().certificate, certificates_.trusted().key, version);
        const TlsOptions options{"localhost", certificates_.caFile()};
        auto control = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
        control.startTls(options, 5s);
        const std::string protocol = version == "1.2" ? "TLSv1.2" : "TLSv1.3";
        EXPECT_EQ(peer.nextEvent(), "handshake " + protocol + " reused=False");
        // A reply read takes in the session tickets that TLS 1.3 sends after the handshake.
        EXPECT_EQ(echo(control, "PBSZ 0"), "PBSZ 0\n");

        auto data = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
        data.startTls(options, 5s, &control);
        EXPECT_TRUE(data.resumedTlsSession());
        EXPECT_EQ(peer.nextEvent(), "handshake " + protocol + " reused=True");
        EXPECT_EQ(echo(data, "data"), "data\n");
        EXPECT_EQ(echo(control, "control"), "control\n");

        auto fresh = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
        fresh.startTls(options, 5s);
        EXPECT_FALSE(fresh.resumedTlsSession());
        EXPECT_EQ(peer.nextEvent(), "handshake " + protocol + " reused=False");
    }
}

TEST_F(TlsSessionTest, SessionTicketsAloneDoNotMakeTheSocketReadable) {
    TlsPeer peer(TlsPeer::Mode::echo, certificates_.trusted().certificate, certificates_.trusted().key);
    auto socket = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
    socket.startTls({"localhost", certificates_.caFile()}, 5s);
    EXPECT_FALSE(socket.waitReadable(300ms)) << "the tickets came, but no bytes for the reader";
    socket.writeAll("ping\n", 5s);
    EXPECT_TRUE(socket.waitReadable(5s));
    char buffer[16];
    EXPECT_EQ(std::string(buffer, socket.readSome(buffer, sizeof buffer, 0ms)), "ping\n");
}

TEST_F(TlsSessionTest, CloseSendsCloseNotifyAndBulkBytesArriveWhole) {
    TlsPeer peer(TlsPeer::Mode::echo, certificates_.trusted().certificate, certificates_.trusted().key);
    auto socket = TcpSocket::connect("127.0.0.1", peer.port(), 5s);
    socket.startTls({"localhost", certificates_.caFile()}, 5s);
    EXPECT_EQ(peer.nextEvent(), "handshake TLSv1.3 reused=False");
    const std::string line(1 << 20, 'x');
    EXPECT_EQ(echo(socket, line), line + "\n");
    socket.close(5s);
    EXPECT_FALSE(socket.isOpen());
    EXPECT_EQ(peer.nextEvent(), "closed clean");
}

} // namespace
} // namespace tervolen
