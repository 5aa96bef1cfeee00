#include "delivery/smtp_client.h"

#include "core/host_name.h"
#include "core/text_conversion.h"
#include "delivery/base64.h"

#include <algorithm>

namespace tervolen {

namespace {

constexpr std::size_t kSendBlock = 32768;

bool hasLineBreak(const std::string& text) {
    return text.find_first_of("\r\n") != std::string::npos;
}

// The text with CR and LF shown as "\r" and "\n", for an error message.
std::string visible(const std::string& text) {
    std::string shown;
    for (char c : text)
        shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : std::string(1, c);
    return shown;
}

Error commandLineBreak(const std::string& line) {
    return Error("The command \"" + visible(line) + "\" holds a line break.");
}

// An address goes into a command line; a line break in it would start another command.
void checkAddress(const std::string& address) {
    if (hasLineBreak(address))
        throw Error("The e-mail address \"" + visible(address) + "\" holds a line break.");
}

std::vector<std::string> envelopeRecipients(const MailMessage& message) {
    std::vector<std::string> recipients;
    for (const EmailAddressList* list : {&message.recipients, &message.ccList, &message.bccList})
        for (const EmailAddress& item : *list)
            recipients.push_back(item.address);
    return recipients;
}

std::string base64(const std::string& text) {
    std::string encoded;
    appendBase64(reinterpret_cast<const unsigned char*>(text.data()), text.size(), encoded);
    return encoded;
}

} // namespace

// Collects the message into send blocks; the end-of-data line is sent as a command after it.
class SmtpClient::DataWriter : public MessageWriter {
public:
    DataWriter(CommandSession& session, std::chrono::milliseconds idleTimeout)
        : session_(session), idle_(idleTimeout) {}

    void writeRaw(std::string_view text) override {
        buffer_.append(text);
        if (buffer_.size() >= kSendBlock)
            flush();
    }

    void flush() {
        session_.sendData(buffer_, idle_);
        buffer_.clear();
    }

private:
    CommandSession& session_;
    std::chrono::milliseconds idle_;
    std::string buffer_;
};

SmtpClient::SmtpClient(const Clock* clock) : clock_(clock ? clock : &systemClock_), session_(commandLineBreak) {}

void SmtpClient::connect() {
    if (connected())
        throw Error("Already connected.");
    if (host_.empty() || port_ == 0)
        throw Error("");
    session_.open(host_, port_, timeouts_.connect);
    authenticated_ = false;
    try {
        if (security_ == SmtpSecurity::Tls)
            session_.startTls({host_, caFile_}, timeouts_.connect);
        greet();
        if (security_ == SmtpSecurity::StartTls)
            startTls();
        if (authType_ == SmtpAuthentication::Default && !userName_.empty() && session_.isEncrypted())
            authenticate();
    } catch (...) {
        disconnectQuietly();
        throw;
    }
}

void SmtpClient::greet() {
    capabilities_.clear();
    readReply();
    if (lastReply_.code != 220)
        throw SmtpReplyError(lastReply_);
    std::string name = greetingName();
    if (useEhlo_ && sendCmd("EHLO " + name).code == 250) {
        capabilities_.assign(lastReply_.text.begin() + 1, lastReply_.text.end());
        return;
    }
    sendCmd("HELO " + name, {250});
}

void SmtpClient::startTls() {
    // Without TLS the message and the password would go out in clear, which the user did not choose.
    if (!offersExtension(capabilities_, "STARTTLS"))
        throw Error("The SMTP server does not offer STARTTLS, so nothing was sent.");
    sendCmd("STARTTLS", {220});
    session_.startTls({host_, caFile_}, timeouts_.connect);
    // What the server said before TLS cannot be trusted: its capabilities are asked for again.
    capabilities_.clear();
    sendCmd("EHLO " + greetingName(), {250});
    capabilities_.assign(lastReply_.text.begin() + 1, lastReply_.text.end());
}

void SmtpClient::authenticate() {
    const bool plain = offersAuthMechanism(capabilities_, "PLAIN");
    if (!plain && !offersAuthMechanism(capabilities_, "LOGIN"))
        throw Error("The SMTP server offers neither AUTH PLAIN nor AUTH LOGIN.");
    try {
        if (plain) {
            sendCmd("AUTH PLAIN " + base64(std::string(1, '\0') + userName_ + '\0' + password_), {235});
        } else {
            sendCmd("AUTH LOGIN", {334});
            sendCmd(base64(userName_), {334});
            sendCmd(base64(password_), {235});
        }
    } catch (const SmtpReplyError& e) {
        throw Error("The SMTP server refused the user name or password (" + std::to_string(e.code()) +
                    "): " + trim(e.text()));
    }
    authenticated_ = true;
}

void SmtpClient::send(const MailMessage& message) {
    if (authType_ != SmtpAuthentication::None && !authenticated_)
        throw Error("Authentication is not supported.");
    std::vector<std::string> recipients = envelopeRecipients(message);
    checkAddress(message.from.address);
    std::for_each(recipients.begin(), recipients.end(), checkAddress);
    sendCmd("RSET");
    sendCmd("MAIL FROM: <" + message.from.address + ">", {250});
    try {
        for (const std::string& recipient : recipients)
            sendCmd("RCPT TO:<" + recipient + ">", {250, 251});
        sendCmd("DATA", {354});
        sendData(message);
        sendCmd(".", {250});
    } catch (const SmtpReplyError&) {
        try {
            sendCmd("RSET");
        } catch (const Error&) {
            // The refusal is what the caller needs to see.
        }
        throw;
    }
}

void SmtpClient::sendData(const MailMessage& message) {
    // Once DATA is accepted the server takes every line as message text, so a failure here cannot be
    // followed by any command: the connection is closed.
    try {
        DataWriter writer(session_, timeouts_.dataIdle);
        writeMessage(message, writer, *clock_);
        writer.flush();
    } catch (...) {
        session_.close();
        throw;
    }
}

bool SmtpClient::connected() {
    return session_.connected();
}

void SmtpClient::disconnect() {
    try {
        if (connected())
            sendCmd("QUIT", {221});
    } catch (...) {
        session_.close();
        throw;
    }
    session_.close();
}

const SmtpReply& SmtpClient::sendCmd(const std::string& line, std::initializer_list<int> accepted) {
    session_.sendCommand(line, timeouts_.dataIdle);
    readReply();
    if (accepted.size() > 0 && std::find(accepted.begin(), accepted.end(), lastReply_.code) == accepted.end())
        throw SmtpReplyError(lastReply_);
    return lastReply_;
}

void SmtpClient::readReply() {
    lastReply_ = SmtpReply();
    session_.readReply(lastReply_, addSmtpReplyLine, timeouts_.reply);
}

void SmtpClient::disconnectQuietly() noexcept {
    try {
        disconnect();
    } catch (...) {
        // The failure that made the client disconnect is passed on instead.
    }
}

std::string SmtpClient::greetingName() const {
    return heloName_.empty() ? localHostName() : heloName_;
}

} // namespace tervolen
