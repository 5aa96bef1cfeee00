#pragma once

#include "core/posix_file.h"
#include "delivery/command_session.h"
#include "delivery/ftp_reply.h"
#include "delivery/tcp_socket.h"

#include <chrono>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

namespace tervolen {

// The PORT command announcing an IPv4 address and port: "PORT h1,h2,h3,h4,p1,p2". Throws Error when address
// is not a dotted IPv4 address or port is outside 0..65535.
std::string formatPortCommand(const std::string& address, int port);

// How an FTP connection is protected.
enum class FtpSecurity {
    None,        // in clear, as servers of old expect
    Tls,         // explicit: AUTH TLS after the greeting, then PBSZ 0 and PROT P, so the data is encrypted too
    ImplicitTls, // TLS from the first byte (usually port 990), with PBSZ 0 and PROT P as well
};

// An FTP client that uploads files over active or passive data connections: greeting (after at most one 1xx
// reply), USER/PASS/ACCT login with RFC 2289 one-time passwords, FEAT, TYPE I, SYST, SITE ZONE for servers that
// use it, CWD (and MKD) into an upload folder, PORT or EPSV/PASV and STOR per upload, MLSD and DELE, QUIT. Every wait
// is bounded (each reply and each block of a transfer as a whole), every reply by ReplyLimits. Failures throw Error:
// FtpReplyError for a refused reply, SocketError for the network.
class FtpClient {
public:
    FtpClient();
    FtpClient(const FtpClient&) = delete;
    FtpClient& operator=(const FtpClient&) = delete;
    // Closes the sockets without QUIT.
    ~FtpClient() = default;

    void setHost(const std::string& host) { host_ = host; }
    void setPort(int port) { port_ = port; }
    void setUserName(const std::string& userName) { userName_ = userName; }
    void setPassword(const std::string& password) { password_ = password; }
    // Sent with ACCT when the server asks for an account; empty means none.
    void setAccount(const std::string& account) { account_ = account; }
    // Address announced with PORT instead of the control connection's local one; empty means none.
    void setExternalIP(const std::string& address) { externalIP_ = address; }
    // Passive mode: we connect to the server for each upload (EPSV, or PASV where EPSV is refused) instead of
    // announcing a port with PORT.
    void setPassive(bool passive) { passive_ = passive; }
    void setSecurity(FtpSecurity security) { security_ = security; }
    // PEM file of trusted certificates for TLS; empty means the system's trust store.
    void setCaFile(const std::string& caFile) { caFile_ = caFile; }
    // Wait for the server's data connection after STOR.
    void setListenTimeout(std::chrono::milliseconds timeout) { listenTimeout_ = timeout; }
    void setTimeouts(const NetworkTimeouts& timeouts) { timeouts_ = timeouts; }

    // Opens the connection, reads the greeting, logs in (USER, PASS or the one-time password, ACCT, FEAT,
    // TYPE I), then SYST and, for servers that use it, SITE ZONE. With TLS the handshake comes first (ImplicitTls)
    // or after the greeting and AUTH TLS (Tls), checking the certificate against the host name, and PBSZ 0 and
    // PROT P follow the login; TlsError tells why a handshake failed. Throws Error "Already connected.", an Error
    // without text for an empty host or port 0, and an Error before connecting when the user name, password
    // or account holds CR or LF. Any failure after the TCP connection closes it (QUIT once greeted).
    void connect();

    // Changes into folder (relative to the current folder, or from the root when it begins with "/"), one level at
    // a time, making each level the server refuses to enter with MKD. Throws Error "Not Connected", an Error before
    // sending anything when folder holds CR or LF, FtpReplyError, SocketError.
    void changeFolder(const std::string& folder);

    // Uploads the file's bytes from its start as remoteName (STOR, or APPE when appending) over a data connection
    // that the server opens to us (PORT) or, in passive mode, that we open to the control connection's peer at
    // the port of its EPSV or PASV answer (never to another address a PASV answer names), then reads the
    // completion reply. Under TLS the data connection makes its handshake after the server accepted STOR, resuming
    // the control connection's TLS session, and ends with close_notify. An empty remoteName means the last
    // component of file.path. Connections to the data port from any address other than the server's are closed
    // unread while the wait goes on. Throws Error "Not Connected", "The destination filename can not be empty",
    // "Cannot read file \"%s\". %s", "Accept timed out.", "No data to read.", FtpReplyError, SocketError; refuses a
    // remote name holding CR or LF before sending anything. A server that closed the data connection before the end
    // fails the upload even when its completion reply is positive.
    void put(const OpenedFile& file, const std::string& remoteName = {}, bool append = false);
    // As above for the regular file at localPath, opened without following a link; also throws Error "Cannot open
    // file \"%s\". %s".
    void put(const std::string& localPath, const std::string& remoteName = {}, bool append = false);

    // The current folder's MLSD listing (RFC 3659) as the server sent it, over a data connection as for an upload
    // (active or passive, under TLS when the control connection is), at most kMaxListingSize bytes. Throws as put,
    // and FtpReplyError when the server refuses MLSD.
    std::string listFolder();
    static constexpr std::size_t kMaxListingSize = 16 << 20;
    // DELE of name in the current folder. Throws FtpReplyError when refused.
    void deleteFile(const std::string& name);

    // Whether the connection is open: bytes already sent by the server are taken in first, and unread
    // bytes keep it open even after the server closed its end; without them that close closes it here too.
    bool connected();

    // QUIT when connected, a reply read if one comes within a few milliseconds, then close. Never fails.
    void disconnect() noexcept;

    // Writes line and CR LF and reads the reply. With accepted codes, another code throws FtpReplyError.
    // Throws Error "Not Connected" without an open connection and an Error when line holds CR or LF. A failure
    // other than a refused reply closes the connection, since the exchange can no longer be followed.
    const FtpReply& sendCmd(const std::string& line, std::initializer_list<int> accepted = {});

    const FtpReply& lastReply() const { return lastReply_; }
    const FtpReply& greeting() const { return greeting_; }
    // The text lines of the FEAT reply without its first and last line.
    const std::vector<std::string>& features() const { return features_; }
    // The first text line of the SYST reply, "Unknown" when the server answered 500.
    const std::string& systemDescription() const { return systemDescription_; }
    // The server's offset from UTC in minutes when it answered SITE ZONE with one.
    std::optional<int> serverUtcOffset() const { return serverUtcOffset_; }

private:
    void greet();
    void login();
    void querySystem();
    bool usesSiteZone() const;
    void querySiteZone();
    const FtpReply& readReply(std::initializer_list<int> accepted, std::chrono::milliseconds timeout);
    TlsOptions tlsOptions() const { return {host_, caFile_}; }
    void protectData();
    void upload(const OpenedFile& file, const std::string& target, bool append);
    // The data connection of one transfer: active or passive as set, command sent (accepting 125 or 150), and
    // under TLS the handshake resuming the control connection's session.
    TcpSocket openDataConnection(const std::string& command);
    TcpSocket activeDataConnection(const std::string& transferCommand);
    TcpSocket passiveDataConnection(const std::string& transferCommand);
    int passivePort();
    TcpSocket acceptFromServer(TcpListener& listener);
    void requireConnection() const;

    std::string host_;
    int port_ = 21;
    std::string userName_;
    std::string password_;
    std::string account_;
    std::string externalIP_;
    bool passive_ = false;
    FtpSecurity security_ = FtpSecurity::None;
    std::string caFile_;
    std::chrono::milliseconds listenTimeout_{10000};
    NetworkTimeouts timeouts_;

    CommandSession session_;
    FtpReply lastReply_;
    FtpReply greeting_;
    std::vector<std::string> features_;
    std::string systemDescription_;
    std::optional<int> serverUtcOffset_;
};

} // namespace tervolen
