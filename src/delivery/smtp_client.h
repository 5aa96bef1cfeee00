#pragma once

#include "core/clock.h"
#include "delivery/command_session.h"
#include "delivery/mime_message.h"
#include "delivery/smtp_reply.h"
#include "delivery/tcp_socket.h"

#include <initializer_list>
#include <string>
#include <vector>

namespace tervolen {

enum class SmtpAuthentication { None, Default, Sasl };

// None: plain TCP; StartTls: STARTTLS after EHLO (the server must offer it); Tls: the handshake right after
// connecting (implicit TLS, usually port 465).
enum class SmtpSecurity { None, StartTls, Tls };

// An SMTP client that carries one message per transaction: greeting, EHLO (HELO as fall-back), with TLS and
// authentication as set, RSET, MAIL FROM, RCPT TO, DATA, the message, ".", and QUIT on Disconnect. Every wait is
// bounded by the timeouts (each reply and each block of the message as a whole), every reply by ReplyLimits. Failures
// throw Error: SmtpReplyError for a refused reply, SocketError for the network.
class SmtpClient {
public:
    // clock gives the Date of messages without one; nullptr means the system clock.
    explicit SmtpClient(const Clock* clock = nullptr);
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;
    // Closes the socket without QUIT.
    ~SmtpClient() = default;

    void setHost(const std::string& host) { host_ = host; }
    void setPort(int port) { port_ = port; }
    // Default authenticates with the credentials over an encrypted connection; send refuses another type than
    // None when that did not happen.
    void setAuthType(SmtpAuthentication type) { authType_ = type; }
    // AUTH PLAIN, or AUTH LOGIN where the server does not offer PLAIN; never over a connection in clear.
    void setCredentials(const std::string& userName, const std::string& password) {
        userName_ = userName;
        password_ = password;
    }
    void setSecurity(SmtpSecurity security) { security_ = security; }
    // PEM file of trusted certificates; empty: the system's trust store.
    void setCaFile(const std::string& caFile) { caFile_ = caFile; }
    void setUseEhlo(bool useEhlo) { useEhlo_ = useEhlo; }
    // Name given with EHLO/HELO; empty means the local host name.
    void setHeloName(const std::string& name) { heloName_ = name; }
    void setTimeouts(const NetworkTimeouts& timeouts) { timeouts_ = timeouts; }

    // Opens the connection, reads the 220 greeting and greets with EHLO or HELO, starts TLS as set (with EHLO
    // again after STARTTLS) and authenticates. Throws Error "Already connected.", an Error without text for an
    // empty host or port 0, SocketError EINVAL for a port outside 1..65535, TlsError; any failure after the TCP
    // connection disconnects first.
    void connect();

    // One mail transaction. After a refused RCPT, DATA or end of data it sends RSET; a failure that is not a
    // refused reply (network, attachment file) closes the connection. Addresses holding CR or LF are refused
    // before anything is sent.
    void send(const MailMessage& message);

    // Whether the connection is open: bytes already sent by the server are taken in first, and unread
    // bytes keep it open even after the server closed its end; without them that close closes it here too.
    bool connected();

    // QUIT (221 expected) when connected, then close. A failed QUIT is thrown after closing.
    void disconnect();

    // Writes line and CR LF and reads the reply. With accepted codes, another code throws SmtpReplyError.
    // Throws Error "Not Connected" without an open connection. A failure other than a refused reply closes
    // the connection.
    const SmtpReply& sendCmd(const std::string& line, std::initializer_list<int> accepted = {});

    const SmtpReply& lastReply() const { return lastReply_; }
    // The lines of the EHLO reply after the first one.
    const std::vector<std::string>& capabilities() const { return capabilities_; }

private:
    class DataWriter;

    void greet();
    void sendEhlo();
    void startTls();
    void authenticate();
    void readReply();
    void sendData(const MailMessage& message);
    // QUIT when still connected, then close; failures are dropped so that the first one is passed on.
    void disconnectQuietly() noexcept;
    std::string greetingName() const;

    SystemClock systemClock_;
    const Clock* clock_;
    std::string host_;
    int port_ = 25;
    SmtpAuthentication authType_ = SmtpAuthentication::Default;
    bool useEhlo_ = true;
    std::string heloName_;
    NetworkTimeouts timeouts_;
    SmtpSecurity security_ = SmtpSecurity::None;
    std::string caFile_;
    std::string userName_;
    std::string password_;
    bool authenticated_ = false;

    CommandSession session_;
    SmtpReply lastReply_;
    std::vector<std::string> capabilities_;
};

} // namespace tervolen
