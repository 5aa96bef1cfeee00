// Command-line driver of SmtpClient for the benchmark (bench/smtp_bench.py):
//   tervolen-smtp-bench send HOST PORT FILE [CAFILE USER PASSWORD]
//       sends the backup message with FILE attached; with CAFILE over STARTTLS (the server's certificate checked
//       against CAFILE and HOST) and logged in as USER
//   tervolen-smtp-bench write FILE OUT   writes the same message into OUT, for curl to send
#include "core/clock.h"
#include "core/errors.h"
#include "core/text_conversion.h"
#include "delivery/smtp_client.h"

#include <cstdio>
#include <memory>
#include <string>

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

class FileWriter : public tervolen::MessageWriter {
public:
    explicit FileWriter(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {
        if (!file_)
            throw tervolen::Error("Cannot create file \"" + path + "\"");
    }
    void writeRaw(std::string_view text) override {
        if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size())
            throw tervolen::Error("write failed");
    }

private:
    std::unique_ptr<std::FILE, FileCloser> file_;
};

tervolen::MailMessage backupMessage(const std::string& attachment) {
    tervolen::MailMessage message;
    message.from.address = "backup@example.com";
    message.recipients = tervolen::parseAddressList("a@example.com,");
    message.subject = "Data Base Backup";
    message.body = {"Data BaseBackup file compressed and attached byTervolen"};
    message.attachments.emplace_back(attachment);
    return message;
}

} // namespace

int main(int argc, char** argv) {
    std::string mode = argc > 1 ? argv[1] : "";
    const bool secure = mode == "send" && argc == 8;
    if (!(mode == "send" && (argc == 5 || secure)) && !(mode == "write" && argc == 4)) {
        std::fprintf(stderr, "usage: %s send HOST PORT FILE [CAFILE USER PASSWORD] | %s write FILE OUT\n", argv[0],
                     argv[0]);
        return 2;
    }
    try {
        if (mode == "write") {
            FileWriter writer(argv[3]);
            tervolen::writeMessage(backupMessage(argv[2]), writer, tervolen::SystemClock());
            return 0;
        }
        tervolen::SmtpClient smtp;
        smtp.setHost(argv[2]);
        smtp.setPort(tervolen::strToInt(argv[3]));
        if (secure) {
            smtp.setSecurity(tervolen::SmtpSecurity::StartTls);
            smtp.setCaFile(argv[5]);
            smtp.setCredentials(argv[6], argv[7]);
            smtp.setAuthType(tervolen::SmtpAuthentication::Default);
        } else {
            smtp.setAuthType(tervolen::SmtpAuthentication::None);
        }
        smtp.connect();
        smtp.send(backupMessage(argv[4]));
        smtp.disconnect();
    } catch (const tervolen::Error& e) {
        std::fprintf(stderr, "sending failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
