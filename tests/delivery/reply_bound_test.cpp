// Servers that never end a reply: the client gives up at the reply's bounds with a clear text, holding no more
// than those bounds in memory.
#include "delivery/ftp_client.h"
#include "delivery/smtp_client.h"

#include "scripted_server.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace tervolen {
namespace {

using namespace std::chrono_literals;
using test::ScriptedServer;

enum class Protocol { Smtp, Ftp };

struct EndlessReply {
    std::string name;
    Protocol protocol;
    std::vector<ScriptedServer::Step> script;
    std::string error;
};

void PrintTo(const EndlessReply& reply, std::ostream* out) {
    *out << reply.name;
}

constexpr std::size_t kTenMegabytes = 10u << 20;
constexpr long kMemoryAllowanceKiB = 8 * 1024; // far below the 10 MB the longest reply would take

// About 64 KiB of copies of line, so that the server sends in large writes.
std::string block(const std::string& line) {
    std::string block;
    while (block.size() < 65536)
        block += line;
    return block;
}

ScriptedServer::Step endless(const std::string& line) {
    return ScriptedServer::repeat(block(line));
}

ScriptedServer::Step tenMegabytesWithoutLineFeed() {
    return ScriptedServer::repeat(std::string(1u << 20, 'x'), kTenMegabytes >> 20);
}

const std::string kTooManyLines = "The server's reply is longer than 1000 lines.";
const std::string kTooManyBytes = "The server's reply is longer than 65536 bytes.";
const std::string kLineTooLong = "Max line length exceeded.";
const std::string kLongText(200, 'w');

long peakRssKiB() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string connectionFailure(Protocol protocol, int port) {
    const NetworkTimeouts timeouts{5s, 10s, 5s};
    try {
        if (protocol == Protocol::Smtp) {
            SmtpClient smtp;
            smtp.setHost("127.0.0.1");
            smtp.setPort(port);
            smtp.setTimeouts(timeouts);
            smtp.connect();
        } else {
            FtpClient ftp;
            ftp.setHost("127.0.0.1");
            ftp.setPort(port);
            ftp.setUserName("bob");
            ftp.setPassword("secret");
            ftp.setTimeouts(timeouts);
            ftp.connect();
        }
    } catch (const Error& e) {
        return e.what();
    }
    return "(connected)";
}

class EndlessReplyTest : public testing::TestWithParam<EndlessReply> {};

TEST_P(EndlessReplyTest, FailsAtTheBoundWithAClearTextAndClosesTheConnection) {
    ScriptedServer server(GetParam().script);
    const long before = peakRssKiB();
    EXPECT_EQ(connectionFailure(GetParam().protocol, server.port()), GetParam().error);
    const long after = peakRssKiB();
    EXPECT_TRUE(server.waitFinished(10s)) << "the client closed the connection";
    RecordProperty("peak_rss_kib_before", std::to_string(before));
    RecordProperty("peak_rss_kib_after", std::to_string(after));
    std::cout << "peak RSS " << before << " KiB before, " << after << " KiB after\n";
    EXPECT_LT(after - before, kMemoryAllowanceKiB);
}

INSTANTIATE_TEST_SUITE_P(
    Servers, EndlessReplyTest,
    testing::Values(
        EndlessReply{"SmtpContinuationLines", Protocol::Smtp, {endless("220-still greeting\r\n")}, kTooManyLines},
        EndlessReply{
            "SmtpBlankLines", Protocol::Smtp, {ScriptedServer::send("220-hello\r\n"), endless("\r\n")}, kTooManyLines},
        EndlessReply{"SmtpLongLines", Protocol::Smtp, {endless("220-" + kLongText + "\r\n")}, kTooManyBytes},
        EndlessReply{"SmtpLineWithoutLineFeed",
                     Protocol::Smtp,
                     {ScriptedServer::send("220 "), tenMegabytesWithoutLineFeed()},
                     kLineTooLong},
        EndlessReply{"SmtpContinuationAfterEhlo",
                     Protocol::Smtp,
                     {ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("250-hello\r\n"),
                      endless("250-SIZE 1000\r\n")},
                     kTooManyLines},
        EndlessReply{"FtpContinuationLines", Protocol::Ftp, {endless("220-still greeting\r\n")}, kTooManyLines},
        EndlessReply{"FtpGreetingTextLines",
                     Protocol::Ftp,
                     {ScriptedServer::send("220-Welcome\r\n"), endless(" more of the welcome text\r\n")},
                     kTooManyLines},
        EndlessReply{"FtpLongLinesAfterA120",
                     Protocol::Ftp,
                     {ScriptedServer::send("120 soon\r\n"), endless("220-" + kLongText + "\r\n")},
                     kTooManyBytes},
        EndlessReply{"FtpLineWithoutLineFeed",
                     Protocol::Ftp,
                     {ScriptedServer::send("220-"), tenMegabytesWithoutLineFeed()},
                     kLineTooLong},
        EndlessReply{"FtpContinuationAfterUser",
                     Protocol::Ftp,
                     {ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect("331-password\r\n"),
                      endless("331-please\r\n")},
                     kTooManyLines}),
    [](const testing::TestParamInfo<EndlessReply>& info) { return info.param.name; });

std::string lines(const std::string& line, std::size_t count) {
    std::string lines;
    for (std::size_t i = 0; i < count; ++i)
        lines += line;
    return lines;
}

TEST(ReplyBound, RepliesRightAtTheBoundsAreTakenIn) {
    // 1000 lines; 65536 bytes in 254 lines of 257 and a last one of the rest.
    const std::string wide = std::string(253, 'c');
    const std::pair<std::string, std::size_t> ehloReplies[] = {
        {"250-host\r\n" + lines("250-CAP\r\n", 998) + "250 END\r\n", 999},
        {lines("250-" + wide + "\r\n", 254) + "250 " + std::string(65536 - 254 * 257 - 4, 'e') + "\r\n", 254},
    };
    for (const auto& [reply, capabilities] : ehloReplies) {
        ScriptedServer server({ScriptedServer::send("220 ready\r\n"), ScriptedServer::expect(reply)});
        SmtpClient smtp;
        smtp.setHost("127.0.0.1");
        smtp.setPort(server.port());
        smtp.setTimeouts(NetworkTimeouts{5s, 10s, 5s});
        smtp.connect();
        EXPECT_EQ(smtp.capabilities().size(), capabilities);
    }
}

} // namespace
} // namespace tervolen
