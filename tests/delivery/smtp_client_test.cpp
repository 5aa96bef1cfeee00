#include "delivery/smtp_client.h"

#include "fixed_clock.h"
#include "scripted_server.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using S = test::ScriptedServer;

constexpr const char* kEhloReply = "250-sink.example\r\n250-AUTH PLAIN LOGIN\r\n250-8BITMIME\r\n250 SIZE 1000\r\n";

NetworkTimeouts timeouts(std::chrono::milliseconds reply = 10s) {
    NetworkTimeouts timeouts;
    timeouts.connect = 10s;
    timeouts.reply = reply;
    timeouts.dataIdle = 10s;
    return timeouts;
}

void configure(SmtpClient& smtp, const S& server, std::chrono::milliseconds reply = 10s) {
    smtp.setHost("127.0.0.1");
    smtp.setPort(server.port());
    smtp.setAuthType(SmtpAuthentication::None);
    smtp.setHeloName("tester.example");
    smtp.setTimeouts(timeouts(reply));
}

std::vector<S::Step> script(std::vector<S::Step> afterGreeting) {
    std::vector<S::Step> script = {S::send("220 sink.example ESMTP\r\n"), S::expect(kEhloReply)};
    script.insert(script.end(), afterGreeting.begin(), afterGreeting.end());
    return script;
}

MailMessage testMessage() {
    MailMessage message;
    message.from.address = "backup@example.com";
    message.recipients = parseAddressList("a@example.com; b@example.com,");
    message.subject = "Data Base Backup";
    message.body = {".hidden line", "Data BaseBackup file compressed and attached byTervolen"};
    message.date = LocalTime{2025, 1, 2, 14, 5, 9, 5, -180};
    message.messageId = "<00112233445566778899aabbccddeeff@example.com>";
    return message;
}

class StringWriter : public MessageWriter {
public:
    void writeRaw(std::string_view text) override { text_ += text; }
    std::vector<std::string> lines() const {
        std::vector<std::string> lines;
        for (std::size_t start = 0, end; (end = text_.find("\r\n", start)) != std::string::npos; start = end + 2)
            lines.push_back(text_.substr(start, end - start));
        return lines;
    }

private:
    std::string text_;
};

bool contains(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

template <class Failure = Error, class Action> std::string failureText(Action action) {
    try {
        action();
    } catch (const Failure& e) {
        return e.what();
    }
    return "(no failure)";
}

TEST(SmtpClient, DeliversOneMessage) {
    std::string quitLine;
    S server(script({S::expect("250 2.0.0 reset\r\n"), S::expect("250 2.1.0 sender ok\r\n"),
                     S::expect("250 2.1.5 ok\r\n"), S::expect("251 2.1.5 forwarded\r\n"), S::expect("354 go ahead\r\n"),
                     S::expectData("250 2.0.0 queued\r\n"),
                     S::expect("221 2.0.0 bye\r\n", [&](const std::string& line) { quitLine = line; })}));
    test::FixedClock clock;
    SmtpClient smtp(&clock);
    configure(smtp, server);
    EXPECT_FALSE(smtp.connected());
    smtp.connect();
    EXPECT_TRUE(smtp.connected());
    EXPECT_EQ(smtp.capabilities(), (std::vector<std::string>{"AUTH PLAIN LOGIN", "8BITMIME", "SIZE 1000"}));
    smtp.send(testMessage());
    EXPECT_EQ(smtp.lastReply().code, 250);
    EXPECT_EQ(smtp.lastReply().enhancedCode, "2.0.0");
    smtp.disconnect();
    EXPECT_FALSE(smtp.connected());
    ASSERT_TRUE(server.waitFinished(5s));

    StringWriter message;
    writeMessage(testMessage(), message, clock);
    std::vector<std::string> expected = {
        "EHLO tester.example",     "RSET", "MAIL FROM: <backup@example.com>", "RCPT TO:<a@example.com>",
        "RCPT TO:<b@example.com>", "DATA"};
    for (const std::string& line : message.lines())
        expected.push_back(line);
    expected.insert(expected.end(), {".", "QUIT"});
    EXPECT_EQ(server.receivedLines(), expected);
    EXPECT_TRUE(contains(server.receivedLines(), "..hidden line")) << "body lines are dot-stuffed";
    EXPECT_EQ(quitLine, "QUIT");
}

TEST(SmtpClient, RefusedGreetingSendsQuitAndCloses) {
    S server({S::send("554 5.3.2 No service here\r\n"), S::expect("221 bye\r\n")});
    SmtpClient smtp;
    configure(smtp, server);
    try {
        smtp.connect();
        FAIL() << "connected";
    } catch (const SmtpReplyError& e) {
        EXPECT_EQ(e.text(), "No service here\r\n");
        EXPECT_EQ(e.code(), 554);
        EXPECT_EQ(e.enhancedCode(), "5.3.2");
    }
    EXPECT_FALSE(smtp.connected());
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(), std::vector<std::string>{"QUIT"});
}

TEST(SmtpClient, RefusedGreetingFromAServerThatHangsUp) {
    S server({S::send("554 go away\r\n"), S::close()});
    SmtpClient smtp;
    configure(smtp, server);
    EXPECT_EQ(failureText([&] { smtp.connect(); }), "go away\r\n");
    EXPECT_FALSE(smtp.connected());
}

TEST(SmtpClient, FallsBackToHelo) {
    S server({S::send("220 old server\r\n"), S::expect("502 5.5.1 unrecognized\r\n"), S::expect("250 hello\r\n"),
              S::expect("221 bye\r\n")});
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    EXPECT_TRUE(smtp.capabilities().empty());
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(), (std::vector<std::string>{"EHLO tester.example", "HELO tester.example", "QUIT"}));
}

TEST(SmtpClient, RefusedHeloFailsTheConnect) {
    S server({S::send("220 old server\r\n"), S::expect("500 what\r\n"), S::expect("550 not you\r\n"),
              S::expect("221 bye\r\n")});
    SmtpClient smtp;
    configure(smtp, server);
    EXPECT_EQ(failureText([&] { smtp.connect(); }), "not you\r\n");
    EXPECT_FALSE(smtp.connected());
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines().back(), "QUIT");
}

TEST(SmtpClient, RefusedRecipientSendsRsetAndNoData) {
    S server(script({S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"),
                     S::expect("550 5.1.1 User unknown\r\n"), S::expect("250 reset\r\n"), S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    try {
        smtp.send(testMessage());
        FAIL() << "sent";
    } catch (const SmtpReplyError& e) {
        EXPECT_EQ(e.text(), "User unknown\r\n");
        EXPECT_EQ(e.code(), 550);
        EXPECT_EQ(e.enhancedCode(), "5.1.1");
    }
    EXPECT_TRUE(smtp.connected()) << "a refusal leaves the connection open";
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(),
              (std::vector<std::string>{"EHLO tester.example", "RSET", "MAIL FROM: <backup@example.com>",
                                        "RCPT TO:<a@example.com>", "RCPT TO:<b@example.com>", "RSET", "QUIT"}));
}

TEST(SmtpClient, RefusedSenderIsPassedOnWithoutRset) {
    S server(script({S::expect("250 ok\r\n"), S::expect("553 5.1.8 bad sender\r\n"), S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    EXPECT_EQ(failureText<SmtpReplyError>([&] { smtp.send(testMessage()); }), "bad sender\r\n");
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(),
              (std::vector<std::string>{"EHLO tester.example", "RSET", "MAIL FROM: <backup@example.com>", "QUIT"}));
}

TEST(SmtpClient, RefusedEndOfDataSendsRset) {
    S server(script({S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"),
                     S::expect("354 go\r\n"), S::expectData("552 5.3.4 too big\r\n"), S::expect("250 reset\r\n"),
                     S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    EXPECT_EQ(failureText<SmtpReplyError>([&] { smtp.send(testMessage()); }), "too big\r\n");
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    std::vector<std::string> lines = server.receivedLines();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 3, lines.end()), (std::vector<std::string>{".", "RSET", "QUIT"}));
}

TEST(SmtpClient, ServerClosingInsteadOfAnsweringQuit) {
    S server(script({S::expect(""), S::close()}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    EXPECT_EQ(failureText([&] { smtp.disconnect(); }), "Connection Closed Gracefully.");
    EXPECT_FALSE(smtp.connected());
    EXPECT_EQ(failureText([&] { smtp.sendCmd("NOOP"); }), "Not Connected") << "the socket was closed";
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines().back(), "QUIT");
}

TEST(SmtpClient, UnreadRepliesKeepAClosedConnectionConnected) {
    S server({S::send("220 ready\r\n"), S::expect(kEhloReply), S::send("221 closing now\r\n"), S::close()});
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_TRUE(smtp.connected());
    smtp.disconnect();
    EXPECT_EQ(smtp.lastReply().text, std::vector<std::string>{"closing now"});
    EXPECT_FALSE(smtp.connected());
}

TEST(SmtpClient, SilentServerEndsInATimeoutWithoutQuit) {
    S server({S::silent()});
    SmtpClient smtp;
    configure(smtp, server, 300ms);
    EXPECT_EQ(failureText<SocketError>([&] { smtp.connect(); }), "Socket Error # 110\r\nConnection timed out");
    EXPECT_FALSE(smtp.connected());
    ASSERT_TRUE(server.waitFinished(5s)) << "the client closed the connection";
    EXPECT_TRUE(server.receivedLines().empty());
}

TEST(SmtpClient, SilenceAfterTheMessageClosesTheConnection) {
    S server(script({S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"),
                     S::expect("354 go\r\n"), S::silent()}));
    SmtpClient smtp;
    configure(smtp, server, 300ms);
    smtp.connect();
    EXPECT_THROW(smtp.send(testMessage()), SocketError);
    EXPECT_FALSE(smtp.connected());
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines().back(), ".") << "no RSET, no QUIT";
}

// The expected lines are written out by hand: a dot begins each body line that begins with one (RFC 5321, 4.5.2).
TEST(SmtpClient, BodyLinesThatBeginWithADotAreStuffedOnTheWire) {
    S server(script({S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"),
                     S::expect("354 go\r\n"), S::expectData("250 queued\r\n"), S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    MailMessage message = testMessage();
    message.body = {".hidden line", ".", "..two dots", "no dot", " .blank first", "a . inside", "."};
    smtp.send(message);
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    const std::vector<std::string> lines = server.receivedLines();
    const auto data = std::find(lines.begin(), lines.end(), "DATA");
    ASSERT_NE(data, lines.end());
    const auto bodyStart = std::find(data, lines.end(), "");
    ASSERT_NE(bodyStart, lines.end());
    EXPECT_EQ(std::vector<std::string>(bodyStart + 1, lines.end()),
              (std::vector<std::string>{"..hidden line", "..", "...two dots", "no dot", " .blank first", "a . inside",
                                        "..", "", ".", "QUIT"}));
}

TEST(SmtpClient, UnreadableAttachmentAfterDataClosesWithoutQuit) {
    test::TempDir dir;
    S server(script({S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"), S::expect("250 ok\r\n"),
                     S::expect("354 go\r\n"), S::silent()}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    MailMessage message = testMessage();
    message.attachments.emplace_back(dir.file("202501021405.zip"));
    EXPECT_EQ(failureText([&] { smtp.send(message); }),
              "Cannot open file \"" + dir.file("202501021405.zip") + "\". No such file or directory");
    EXPECT_FALSE(smtp.connected());
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    std::vector<std::string> lines = server.receivedLines();
    std::vector<std::string> afterData(std::find(lines.begin(), lines.end(), "DATA") + 1, lines.end());
    EXPECT_FALSE(contains(afterData, ".") || contains(afterData, "RSET") || contains(afterData, "QUIT"))
        << "cut off, then closed";
}

TEST(SmtpClient, MalformedReplies) {
    {
        S server({S::send("hello there\r\n"), S::silent()});
        SmtpClient smtp;
        configure(smtp, server);
        EXPECT_EQ(failureText([&] { smtp.connect(); }), "Reply Code is not valid: hell");
        EXPECT_FALSE(smtp.connected());
    }
    {
        S server({S::send("220 " + std::string(20000, 'x') + "\r\n"), S::silent()});
        SmtpClient smtp;
        configure(smtp, server);
        EXPECT_EQ(failureText([&] { smtp.connect(); }), "Max line length exceeded.");
        EXPECT_FALSE(smtp.connected());
    }
}

TEST(SmtpClient, LineBreakInAnAddressIsRefusedBeforeSending) {
    S server(script({S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    MailMessage message = testMessage();
    message.recipients.push_back({"c@example.com>\r\nRCPT TO:<x@example.com", ""});
    EXPECT_EQ(failureText([&] { smtp.send(message); }),
              "The e-mail address \"c@example.com>\\r\\nRCPT TO:<x@example.com\" holds a line break.");
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(), (std::vector<std::string>{"EHLO tester.example", "QUIT"}));
}

TEST(SmtpClient, RefusalsBeforeAnyExchange) {
    SmtpClient smtp;
    EXPECT_FALSE(smtp.connected());
    EXPECT_EQ(failureText([&] { smtp.sendCmd("NOOP"); }), "Not Connected");
    smtp.setAuthType(SmtpAuthentication::None);
    EXPECT_EQ(failureText([&] { smtp.send(testMessage()); }), "Not Connected");
    EXPECT_NO_THROW(smtp.disconnect());

    EXPECT_EQ(failureText([&] { smtp.connect(); }), "") << "no host: a failure without text";
    smtp.setHost("127.0.0.1");
    smtp.setPort(0);
    EXPECT_EQ(failureText([&] { smtp.connect(); }), "") << "port 0";

    smtp.setPort(TcpListener::listen("127.0.0.1", 0).port()); // closed again at once
    EXPECT_EQ(failureText<SocketError>([&] { smtp.connect(); }), "Socket Error # 111\r\nConnection refused");
}

TEST(SmtpClient, AlreadyConnectedAndUnsupportedAuthentication) {
    S server(script({S::expect("221 bye\r\n")}));
    SmtpClient smtp;
    configure(smtp, server);
    smtp.connect();
    EXPECT_EQ(failureText([&] { smtp.connect(); }), "Already connected.");
    smtp.setAuthType(SmtpAuthentication::Default);
    EXPECT_EQ(failureText([&] { smtp.send(testMessage()); }), "Authentication is not supported.");
    smtp.disconnect();
    ASSERT_TRUE(server.waitFinished(5s));
    EXPECT_EQ(server.receivedLines(), (std::vector<std::string>{"EHLO tester.example", "QUIT"})) << "no AUTH";
}

} // namespace
} // namespace tervolen
