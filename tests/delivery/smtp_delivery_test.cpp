// Messages sent to a real SMTP server (Debian's aiosmtpd) and read back with Python's email package.
#include "delivery/smtp_client.h"

#include "fixed_clock.h"
#include "smtp_sink.h"
#include "temp_dir.h"
#include "test_config.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

namespace tervolen {
namespace {

using test::runCommand;

constexpr const char* kBody = "Data BaseBackup file compressed and attached byTervolen";

std::string python() {
    return std::string(test::kPython3);
}

// A ZIP archive holding one 300 kB entry of mixed random and repeating bytes, with the given zipfile method.
void makeArchive(const std::string& path, const std::string& method) {
    std::string script = "import os, zipfile; z = zipfile.ZipFile('" + path + "', 'w', zipfile." + method +
                         "); z.writestr('202501021405.fbk', os.urandom(150000) + bytes(range(256)) * 600); z.close()";
    ASSERT_EQ(runCommand(python() + " -c \"" + script + "\""), 0);
}

std::string sha256(const std::string& path) {
    std::string output;
    EXPECT_EQ(runCommand("sha256sum '" + path + "'", &output), 0);
    return output.substr(0, 64);
}

std::vector<std::string> inspect(const std::string& emlPath) {
    std::string output;
    EXPECT_EQ(
        runCommand(python() + " " + test::kSourceDir + "/tests/support/mail_inspect.py '" + emlPath + "'", &output), 0)
        << output;
    std::vector<std::string> lines;
    std::istringstream stream(output);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// The header block of a received message, one entry per physical line.
std::vector<std::string> rawHeaderLines(const std::string& emlPath) {
    std::string text = test::readFile(emlPath);
    std::vector<std::string> lines;
    for (std::size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        if (end == start)
            break;
        lines.push_back(text.substr(start, end - start));
    }
    return lines;
}

class SmtpDelivery : public testing::Test {
protected:
    SmtpDelivery() : sink_(dir_.path()) { clock_.set(2025, 3, 4, 2, 0, 7); }

    // As the e-mail step composes it: the To text, ",", the CC text as one list.
    MailMessage compose(const std::string& to, const std::string& cc, const std::string& attachment) {
        MailMessage message;
        message.from.address = "backup@example.com";
        message.recipients = parseAddressList(to + "," + cc);
        message.subject = "Data Base Backup";
        message.body = {kBody};
        message.messageId = messageIdValue();
        if (!attachment.empty())
            message.attachments.emplace_back(attachment);
        return message;
    }

    void deliver(const MailMessage& message) {
        SmtpClient smtp(&clock_);
        smtp.setHost("127.0.0.1");
        smtp.setPort(sink_.port());
        smtp.setAuthType(SmtpAuthentication::None);
        smtp.connect();
        smtp.send(message);
        smtp.disconnect();
    }

    std::string dateLine() { return "Date: Tue, 4 Mar 2025 02:00:07 -0300"; }
    static std::string messageIdValue() { return "<00112233445566778899aabbccddeeff@example.com>"; }

    test::TempDir dir_;
    test::SmtpSink sink_;
    test::FixedClock clock_;
};

TEST_F(SmtpDelivery, DeflateAndBzip2ArchivesArriveByteForByte) {
    clock_.time.utcOffsetMinutes = -180;
    clock_.set(2025, 3, 4, 2, 0, 7);
    const std::pair<std::string, std::string> archives[] = {{"202501021405.zip", "ZIP_DEFLATED"},
                                                            {"202501021405.bz2", "ZIP_BZIP2"}};
    int n = 0;
    for (const auto& [name, method] : archives) {
        SCOPED_TRACE(name);
        std::string archive = dir_.file(name);
        makeArchive(archive, method);
        deliver(compose("a@example.com; b@example.com", "c@example.com", archive));
        ++n;

        EXPECT_TRUE(test::readFile(sink_.messagePath(n, ".json"))
                        .starts_with(R"({"mail_from": "backup@example.com", )"
                                     R"("rcpt_tos": ["a@example.com", "b@example.com", "c@example.com"], )"));
        EXPECT_EQ(
            rawHeaderLines(sink_.messagePath(n, ".eml")),
            (std::vector<std::string>{"From: \"backup@example.com\" <backup@example.com>", "Subject: Data Base Backup",
                                      "To: a@example.com, b@example.com, c@example.com",
                                      "Content-Type: multipart/mixed; boundary=\"" + mimeBoundary() + "\"",
                                      "MIME-Version: 1.0", dateLine(), "Message-ID: " + messageIdValue()}));
        std::string size = std::to_string(std::filesystem::file_size(archive));
        EXPECT_EQ(inspect(sink_.messagePath(n, ".eml")),
                  (std::vector<std::string>{
                      "defects: 0", "header From", "header Subject", "header To", "header Content-Type",
                      "header MIME-Version", "header Date", "header Message-ID",
                      "address From: backup@example.com <backup@example.com>", "address To:  <a@example.com>",
                      "address To:  <b@example.com>", "address To:  <c@example.com>", "boundary: " + mimeBoundary(),
                      // The digest of the body line and "\n".
                      "part text/plain name=None filename=None "
                      "sha256=060f3554d44eaabef4fa92b5a3cd8c48c74aed93e41e04986262e3f997c661c9 size=56 encoding=7bit",
                      "text: \"" + std::string(kBody) + "\\n\"",
                      "part application/octet-stream name=" + name + " filename=" + name +
                          " sha256=" + sha256(archive) + " size=" + size + " encoding=base64"}));
    }
}

TEST_F(SmtpDelivery, PlainMessageWithEmptyCcAndDottedLine) {
    MailMessage message = compose("a@example.com", "", "");
    message.body = {".hidden line", "..", kBody};
    deliver(message);
    EXPECT_TRUE(test::readFile(sink_.messagePath(1, ".json"))
                    .starts_with(R"({"mail_from": "backup@example.com", "rcpt_tos": ["a@example.com"], )"));
    std::vector<std::string> headers = rawHeaderLines(sink_.messagePath(1, ".eml"));
    ASSERT_EQ(headers.size(), 7u);
    EXPECT_EQ(headers[2], "To: a@example.com");
    EXPECT_EQ(headers[3], "Content-Type: text/plain");
    std::vector<std::string> inspected = inspect(sink_.messagePath(1, ".eml"));
    ASSERT_EQ(inspected.size(), 12u);
    EXPECT_EQ(inspected[0], "defects: 0");
    EXPECT_TRUE(inspected[10].starts_with("part text/plain name=None filename=None ")) << inspected[10];
    EXPECT_EQ(inspected[11], "text: \".hidden line\\n..\\n" + std::string(kBody) + "\\n\\n\"");
}

TEST_F(SmtpDelivery, DisplayNamesAndALongFoldedRecipientList) {
    std::string to = "Jos\xC3\xA9 da Silva <jose@example.com>; \"Smith, John\" <js@example.com>";
    std::string cc;
    for (int i = 0; i < 6; ++i)
        cc +=
            (i ? "," : "") + std::string("copy") + std::to_string(i) + "@example.com (copy " + std::to_string(i) + ")";
    deliver(compose(to, cc, ""));
    std::vector<std::string> headers = rawHeaderLines(sink_.messagePath(1, ".eml"));
    EXPECT_GT(headers.size(), 7u) << "the To header is folded";
    for (const std::string& line : headers)
        EXPECT_LE(line.size(), 78u) << line;
    std::vector<std::string> inspected = inspect(sink_.messagePath(1, ".eml"));
    std::vector<std::string> expected = {"address To: Jos\xC3\xA9 da Silva <jose@example.com>",
                                         "address To: Smith, John <js@example.com>"};
    for (int i = 0; i < 6; ++i)
        expected.push_back("address To:  <copy" + std::to_string(i) + "@example.com>");
    EXPECT_EQ(std::vector<std::string>(inspected.begin() + 9, inspected.begin() + 17), expected);
    EXPECT_EQ(inspected[0], "defects: 0");
    std::string envelope = test::readFile(sink_.messagePath(1, ".json"));
    EXPECT_NE(envelope.find(R"("rcpt_tos": ["jose@example.com", "js@example.com", "copy0@example.com")"),
              std::string::npos)
        << envelope;
}

} // namespace
} // namespace tervolen
