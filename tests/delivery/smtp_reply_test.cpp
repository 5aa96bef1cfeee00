#include "delivery/reply_reader.h"
#include "delivery/smtp_reply.h"

#include <gtest/gtest.h>

#include <random>
#include <sys/socket.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;

struct ReplyCase {
    std::vector<std::string> lines; // fed until one ends the reply
    std::size_t linesUsed;
    int code;
    std::vector<std::string> text;
    std::string enhancedCode;
};

class SmtpReplyTest : public testing::TestWithParam<ReplyCase> {};

TEST_P(SmtpReplyTest, ParsesTheReply) {
    const ReplyCase& c = GetParam();
    SmtpReply reply;
    std::size_t used = 0;
    while (used < c.lines.size() && !addSmtpReplyLine(reply, c.lines[used]))
        ++used;
    EXPECT_EQ(used + 1, c.linesUsed);
    EXPECT_EQ(reply.code, c.code);
    EXPECT_EQ(reply.text, c.text);
    EXPECT_EQ(reply.enhancedCode, c.enhancedCode);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SmtpReplyTest,
    testing::Values(
        ReplyCase{{"250 OK"}, 1, 250, {"OK"}, ""},
        ReplyCase{{"250-mail.example.com", "250-PIPELINING", "250-8BITMIME", "250 SMTPUTF8", "x"},
                  4,
                  250,
                  {"mail.example.com", "PIPELINING", "8BITMIME", "SMTPUTF8"},
                  ""},
        ReplyCase{{"", "   ", "  354 Go ahead  ", "x"}, 3, 354, {"Go ahead"}, ""},
        ReplyCase{{"550 5.1.1 User unknown"}, 1, 550, {"User unknown"}, "5.1.1"},
        ReplyCase{{"250-2.1.0 Sender ok", "250 2.1.5 Recipient ok"}, 2, 250, {"Sender ok", "Recipient ok"}, "2.1.0"},
        ReplyCase{{"250 2.0.0"}, 1, 250, {""}, "2.0.0"},
        ReplyCase{{"451 4.7.123 Try later"}, 1, 451, {"Try later"}, "4.7.123"},
        ReplyCase{{"250 3.1.1 not enhanced"}, 1, 250, {"3.1.1 not enhanced"}, ""},
        ReplyCase{{"250 5.1 not enhanced"}, 1, 250, {"5.1 not enhanced"}, ""},
        ReplyCase{{"250 5.1.1x not enhanced"}, 1, 250, {"5.1.1x not enhanced"}, ""},
        ReplyCase{{"221"}, 1, 221, {""}, ""}, ReplyCase{{"250-", "250 done"}, 2, 250, {"", "done"}, ""},
        ReplyCase{{"250-first", "250xcontinued", "250 end"}, 3, 250, {"first", "continued", "end"}, ""}));

TEST(SmtpReply, InvalidCodes) {
    const std::pair<std::string, std::string> cases[] = {
        {"hello world", "hell"}, {"099 low", "099"}, {"1000 high", "1000"}, {"25", "25"},
        {"2a0 x", "2a0"},        {"+25 x", "+25"},   {"25-", "25-"},
    };
    for (const auto& [line, shown] : cases) {
        SmtpReply reply;
        try {
            addSmtpReplyLine(reply, line);
            FAIL() << line;
        } catch (const Error& e) {
            EXPECT_EQ(e.text(), "Reply Code is not valid: " + shown);
        }
    }
}

TEST(SmtpReply, RefusalCarriesTextCodeAndEnhancedCode) {
    SmtpReply reply;
    addSmtpReplyLine(reply, "550-5.1.1 No such user");
    addSmtpReplyLine(reply, "550 5.1.1 here");
    SmtpReplyError error(reply);
    EXPECT_EQ(error.text(), "No such user\r\nhere\r\n");
    EXPECT_EQ(error.code(), 550);
    EXPECT_EQ(error.enhancedCode(), "5.1.1");
}

// A connected pair of sockets in this process.
std::pair<TcpSocket, TcpSocket> socketPair() {
    int fds[2];
    EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, fds), 0);
    return {TcpSocket(fds[0]), TcpSocket(fds[1])};
}

auto soon() {
    return std::chrono::steady_clock::now() + 5s;
}

TEST(ReplyReader, SplitsLinesAndDropsCrBeforeLf) {
    auto [server, client] = socketPair();
    server.writeAll("one\r\ntwo\nthree\rstill three\r\n\r\nlast", 1s);
    ReplyReader reader;
    EXPECT_EQ(reader.readLine(client, soon()), "one");
    EXPECT_EQ(reader.readLine(client, soon()), "two");
    EXPECT_EQ(reader.readLine(client, soon()), "three\rstill three");
    EXPECT_EQ(reader.readLine(client, soon()), "");
    EXPECT_THROW(reader.readLine(client, std::chrono::steady_clock::now() + 50ms), SocketError) << "waits for LF";
    server.close();
    EXPECT_EQ(reader.readLine(client, soon()), "last") << "an unterminated last line";
    try {
        reader.readLine(client, soon());
        FAIL() << "read past the close";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Connection Closed Gracefully.");
    }
}

TEST(ReplyReader, LongestLine) {
    auto [server, client] = socketPair();
    ReplyReader reader;
    std::string longest(ReplyReader::kMaxLineLength, 'x');
    server.writeAll(longest + "\r\n", 1s);
    EXPECT_EQ(reader.readLine(client, soon()), longest);
    server.writeAll(longest + "y\r\n", 1s);
    try {
        reader.readLine(client, soon());
        FAIL() << "accepted a line that is too long";
    } catch (const Error& e) {
        EXPECT_EQ(e.text(), "Max line length exceeded.");
    }
}

TEST(ReplyReader, EndlessLineFailsWithoutGrowing) {
    auto [server, client] = socketPair();
    ReplyReader reader;
    server.writeAll(std::string(ReplyReader::kMaxLineLength + 2, 'x'), 1s);
    EXPECT_THROW(reader.readLine(client, soon()), Error);
}

TEST(ReplyReader, TakesInPendingBytesAndThePeersClose) {
    auto [server, client] = socketPair();
    ReplyReader reader;
    reader.takeInPending(client);
    EXPECT_FALSE(reader.hasUnreadData());
    server.writeAll("221 bye\r\n", 1s);
    server.close();
    reader.takeInPending(client);
    EXPECT_TRUE(reader.hasUnreadData());
    EXPECT_TRUE(reader.peerClosed());
    EXPECT_EQ(reader.readLine(client, soon()), "221 bye");
    EXPECT_FALSE(reader.hasUnreadData());
}

// Random server output only ever gives replies or the reader's and parser's own failures.
TEST(ReplyReader, RandomInputIsSafe) {
    std::mt19937 random(20240611);
    const std::string pieces[] = {"250", "-", " ", "\r", "\n", "5.1.1", "x", "\xFF", "9", "."};
    for (int round = 0; round < 400; ++round) {
        auto [server, client] = socketPair();
        std::string input;
        int length = std::uniform_int_distribution<int>(0, 200)(random);
        for (int i = 0; i < length; ++i) {
            if (random() % 4 == 0)
                input += static_cast<char>(random() & 0xFF);
            else
                input += pieces[random() % std::size(pieces)];
        }
        if (random() % 8 == 0)
            input += std::string(ReplyReader::kMaxLineLength + random() % 3, 'a');
        server.writeAll(input, 1s);
        server.close();
        ReplyReader reader;
        try {
            for (;;) {
                SmtpReply reply;
                while (!addSmtpReplyLine(reply, reader.readLine(client, soon()))) {
                }
                ASSERT_GE(reply.code, 100);
                ASSERT_LE(reply.code, 999);
                ASSERT_FALSE(reply.text.empty());
            }
        } catch (const SocketError& e) {
            FAIL() << e.what();
        } catch (const Error&) {
            // "Connection Closed Gracefully.", "Max line length exceeded." or an invalid code
        }
    }
}

TEST(SmtpCapabilities, StartTlsAndAuthMechanismsAsEhloOffersThem) {
    struct Case {
        std::vector<std::string> capabilities;
        bool startTls;
        bool plain;
        bool login;
    };
    const Case cases[] = {
        {{"AUTH PLAIN LOGIN", "STARTTLS", "SIZE 1000"}, true, true, true},
        {{"auth login", "starttls"}, true, false, true},
        {{"AUTH=PLAIN", "8BITMIME"}, false, true, false},
        {{"AUTH\tCRAM-MD5 PLAIN"}, false, true, false},
        {{"X-STARTTLS", "AUTHX PLAIN", "SIZE PLAIN LOGIN"}, false, false, false},
        {{"AUTH PLAINLY LOGINS", "STARTTLSX"}, false, false, false},
        {{"", "AUTH"}, false, false, false},
        {{}, false, false, false},
    };
    for (const Case& c : cases) {
        const std::string shown = c.capabilities.empty() ? "(none)" : c.capabilities.front();
        EXPECT_EQ(offersExtension(c.capabilities, "STARTTLS"), c.startTls) << shown;
        EXPECT_EQ(offersAuthMechanism(c.capabilities, "PLAIN"), c.plain) << shown;
        EXPECT_EQ(offersAuthMechanism(c.capabilities, "login"), c.login) << shown;
    }
}

} // namespace
} // namespace tervolen
