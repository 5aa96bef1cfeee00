// What the SMTP and the FTP client must do alike, as both speak through one command session: refuse a port that
// does not exist and let go of a connection that the server hung up.
#include "delivery/ftp_client.h"
#include "delivery/smtp_client.h"

#include "failure_text.h"
#include "scripted_server.h"

#include <gtest/gtest.h>

#include <functional>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using S = test::ScriptedServer;

enum class Protocol { Smtp, Ftp };

void PrintTo(Protocol protocol, std::ostream* out) {
    *out << (protocol == Protocol::Smtp ? "SMTP" : "FTP");
}

// One client of either protocol, seen through the calls both have.
class Client {
public:
    explicit Client(Protocol protocol) : protocol_(protocol) {
        const NetworkTimeouts timeouts{5s, 5s, 5s};
        smtp_.setHost("127.0.0.1");
        smtp_.setAuthType(SmtpAuthentication::None);
        smtp_.setHeloName("tester.example");
        smtp_.setTimeouts(timeouts);
        ftp_.setHost("127.0.0.1");
        ftp_.setUserName("bob");
        ftp_.setPassword("secret");
        ftp_.setTimeouts(timeouts);
    }

    void connect(int port) {
        if (protocol_ == Protocol::Smtp) {
            smtp_.setPort(port);
            smtp_.connect();
        } else {
            ftp_.setPort(port);
            ftp_.connect();
        }
    }
    bool connected() { return protocol_ == Protocol::Smtp ? smtp_.connected() : ftp_.connected(); }
    void sendCommand(const std::string& line) {
        if (protocol_ == Protocol::Smtp)
            smtp_.sendCmd(line);
        else
            ftp_.sendCmd(line);
    }

private:
    Protocol protocol_;
    SmtpClient smtp_;
    FtpClient ftp_;
};

// The server's side up to a logged-in client: greeting and EHLO, or greeting, USER, FEAT, TYPE I and SYST.
std::vector<S::Step> loginScript(Protocol protocol) {
    if (protocol == Protocol::Smtp)
        return {S::send("220 sink.example ESMTP\r\n"), S::expect("250 sink.example\r\n")};
    return {S::send("220 ready\r\n"), S::expect("230 Logged in.\r\n"), S::expect("211 End\r\n"),
            S::expect("200 Type set to I.\r\n"), S::expect("215 UNIX Type: L8\r\n")};
}

std::string name(const testing::TestParamInfo<Protocol>& info) {
    return info.param == Protocol::Smtp ? "Smtp" : "Ftp";
}

class SmtpAndFtpDialogue : public testing::TestWithParam<Protocol> {};

TEST_P(SmtpAndFtpDialogue, RefusesAPortOutside1To65535InsteadOfWrappingRound) {
    // A server listens where the wrapped port would lead.
    S server(loginScript(GetParam()));
    for (const int port : {server.port() + 65536, server.port() + 2 * 65536, 65536, -1, -65536 + server.port()}) {
        SCOPED_TRACE("port " + std::to_string(port));
        Client client(GetParam());
        EXPECT_EQ(test::failureText([&] { client.connect(port); }), "Socket Error # 22\r\nInvalid argument");
        EXPECT_FALSE(client.connected());
    }
    EXPECT_TRUE(server.receivedLines().empty());
}

TEST_P(SmtpAndFtpDialogue, ClosesTheConnectionOnceTheServerHungUp) {
    std::vector<S::Step> script = loginScript(GetParam());
    script.push_back(S::close());
    S server(script);
    Client client(GetParam());
    client.connect(server.port());
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(test::failureText([&] { client.sendCommand("NOOP"); }), "Not Connected") << "nothing is written any more";
    EXPECT_FALSE(client.connected());
}

TEST_P(SmtpAndFtpDialogue, AReplyLeftUnreadKeepsTheConnectionUntilItIsRead) {
    std::vector<S::Step> script = loginScript(GetParam());
    script.push_back(S::send("421 Closing.\r\n"));
    script.push_back(S::close());
    S server(script);
    Client client(GetParam());
    client.connect(server.port());
    ASSERT_TRUE(server.waitFinished(10s));
    EXPECT_TRUE(client.connected()) << "the 421 is still unread";
    EXPECT_EQ(test::failureText([&] { client.sendCommand("NOOP"); }), "(no failure)") << "the 421 is its reply";
    EXPECT_FALSE(client.connected());
    EXPECT_EQ(test::failureText([&] { client.sendCommand("NOOP"); }), "Not Connected");
}

INSTANTIATE_TEST_SUITE_P(Clients, SmtpAndFtpDialogue, testing::Values(Protocol::Smtp, Protocol::Ftp), name);

} // namespace
} // namespace tervolen
