// The dialogue layer under both clients, over one end of a socket pair: replies end by the protocol's rule, no
// command line can carry a second command, and a reply that breaks the dialogue closes the connection.
#include "delivery/command_session.h"
#include "delivery/ftp_reply.h"
#include "delivery/smtp_reply.h"
#include "failure_text.h"

#include <gtest/gtest.h>

#include <sys/socket.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;

Error refused(const std::string& line) {
    return Error("refused: " + line);
}

struct Pair {
    TcpSocket server;
    CommandSession session;
};

Pair sessionPair(ReplyLimits limits = {}) {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
    return {TcpSocket(fds[0]), CommandSession(TcpSocket(fds[1]), refused, limits)};
}

std::string received(TcpSocket& server) {
    char buffer[256];
    return std::string(buffer, server.readSome(buffer, sizeof buffer, 5s));
}

// A line of three characters ends an SMTP reply; an FTP reply goes on until a line starts with digits and a blank.
constexpr const char* kStream = "250-first\r\nab\r\n250 last\r\n";

TEST(CommandSession, EndsEachReplyByTheRuleItIsGiven) {
    {
        Pair pair = sessionPair();
        TcpSocket& server = pair.server;
        CommandSession& session = pair.session;
        server.writeAll(kStream, 5s);
        SmtpReply first;
        session.readReply(first, addSmtpReplyLine, 5s);
        EXPECT_EQ(first.text, (std::vector<std::string>{"first", ""}));
        SmtpReply second;
        session.readReply(second, addSmtpReplyLine, 5s);
        EXPECT_EQ(second.code, 250);
        EXPECT_EQ(second.text, (std::vector<std::string>{"last"}));
    }
    {
        Pair pair = sessionPair();
        TcpSocket& server = pair.server;
        CommandSession& session = pair.session;
        server.writeAll(kStream, 5s);
        FtpReply reply;
        session.readReply(reply, addFtpReplyLine, 5s);
        EXPECT_EQ(reply.code, 250);
        EXPECT_EQ(reply.text, (std::vector<std::string>{"first", "ab", "last"}));
    }
}

TEST(CommandSession, SendsCommandLinesAndRefusesOnesHoldingALineBreak) {
    Pair pair = sessionPair();
    TcpSocket& server = pair.server;
    CommandSession& session = pair.session;
    session.sendCommand("NOOP", 5s);
    EXPECT_EQ(received(server), "NOOP\r\n");
    for (const std::string line : {"NOOP\r\nQUIT", "NOOP\nQUIT", "NOOP\r"})
        EXPECT_EQ(test::failureText([&] { session.sendCommand(line, 5s); }), "refused: " + line);
    session.sendCommand("QUIT", 5s);
    EXPECT_EQ(received(server), "QUIT\r\n") << "nothing of the refused lines was sent";
    EXPECT_TRUE(session.connected());
    session.close();
    EXPECT_EQ(test::failureText([&] { session.sendCommand("NOOP", 5s); }), "Not Connected");
}

struct BrokenReply {
    std::string name;
    std::string bytes;
    std::string error;
};

void PrintTo(const BrokenReply& reply, std::ostream* out) {
    *out << reply.name;
}

class CommandSessionBrokenReply : public testing::TestWithParam<BrokenReply> {};

TEST_P(CommandSessionBrokenReply, FailsWithItsTextAndClosesTheConnection) {
    Pair pair = sessionPair(ReplyLimits{3, 20});
    TcpSocket& server = pair.server;
    CommandSession& session = pair.session;
    server.writeAll(GetParam().bytes, 5s);
    FtpReply reply;
    EXPECT_EQ(test::failureText([&] { session.readReply(reply, addFtpReplyLine, 5s); }), GetParam().error);
    EXPECT_FALSE(session.isOpen());
    EXPECT_FALSE(session.connected());
    EXPECT_EQ(test::failureText([&] { session.sendCommand("NOOP", 5s); }), "Not Connected");
}

INSTANTIATE_TEST_SUITE_P(Replies, CommandSessionBrokenReply,
                         testing::Values(BrokenReply{"FourLines", "220-a\r\n220-b\r\n220-c\r\n220 d\r\n",
                                                     "The server's reply is longer than 3 lines."},
                                         BrokenReply{"TwentyOneBytes", "220-0123456789\r\n220 abcdef\r\n",
                                                     "The server's reply is longer than 20 bytes."},
                                         BrokenReply{"NoCode", "hello\r\n", "Reply Code is not valid: hell"},
                                         BrokenReply{"LongLine", std::string(ReplyReader::kMaxLineLength + 2, 'x'),
                                                     "Max line length exceeded."}),
                         [](const testing::TestParamInfo<BrokenReply>& info) { return info.param.name; });

TEST(CommandSession, ThePeersHangUpClosesTheConnectionOnceItsLastBytesAreRead) {
    Pair pair = sessionPair();
    TcpSocket& server = pair.server;
    CommandSession& session = pair.session;
    server.writeAll("221 bye\r\n", 5s);
    server.close();
    EXPECT_TRUE(session.connected()) << "the 221 is still unread";
    EXPECT_TRUE(session.isOpen());
    SmtpReply reply;
    session.readReply(reply, addSmtpReplyLine, 5s);
    EXPECT_EQ(reply.code, 221);
    EXPECT_FALSE(session.connected());
    EXPECT_FALSE(session.isOpen());
}

TEST(CommandSession, RefusesTlsWhenClearBytesCameAfterTheReplyThatAcceptedIt) {
    Pair pair = sessionPair();
    // A man in the middle appends a reply in clear that the client would take as the first encrypted one.
    pair.server.writeAll("220 Ready to start TLS\r\n250 AUTH PLAIN\r\n", 5s);
    SmtpReply reply;
    pair.session.readReply(reply, addSmtpReplyLine, 5s);
    EXPECT_EQ(reply.code, 220);
    EXPECT_EQ(test::failureText([&] {
                  pair.session.startTls({"localhost", ""}, 5s);
              }),
              "TLS handshake refused: the server sent unencrypted data after its reply");
    EXPECT_FALSE(pair.session.isOpen());
}

} // namespace
} // namespace tervolen
