#include "delivery/ftp_client.h"

#include "core/text_conversion.h"
#include "delivery/one_time_password.h"
#include "delivery/passive_reply.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <string_view>
#include <vector>

namespace tervolen {

namespace {

constexpr std::size_t kBlockSize = 32768;
constexpr std::chrono::milliseconds kQuitWait{10};

void refuseLineBreaks(const std::string& text, const char* what) {
    if (text.find_first_of("\r\n") != std::string::npos)
        throw Error(std::string("The FTP ") + what + " must not contain CR or LF.");
}

std::string lastPathComponent(const std::string& path) {
    return path.substr(path.find_last_of('/') + 1);
}

// The name an upload of localPath gets on the server; an empty remoteName means the file's own name.
std::string remoteTarget(const std::string& localPath, const std::string& remoteName) {
    const std::string target = remoteName.empty() ? lastPathComponent(localPath) : remoteName;
    if (target.empty())
        throw Error("The destination filename can not be empty");
    refuseLineBreaks(target, "remote file name");
    return target;
}

Error commandLineBreak(const std::string&) {
    return Error("The FTP command must not contain CR or LF.");
}

bool isPeerClose(const SocketError& error) {
    return error.code() == EPIPE || error.code() == ECONNRESET;
}

bool accepts(std::initializer_list<int> accepted, int code) {
    return accepted.size() == 0 || std::find(accepted.begin(), accepted.end(), code) != accepted.end();
}

// The offset in minutes from a SITE ZONE answer such as "UTC-300".
std::optional<int> utcOffset(const std::string& text) {
    const std::size_t utc = text.find("UTC");
    if (utc == std::string::npos)
        return std::nullopt;
    return tryStrToInt(trim(std::string_view(text).substr(utc + 3)));
}

// Sends the file's bytes from its start; false when the server closed the data connection before the end.
bool sendFile(const OpenedFile& file, TcpSocket& data, std::chrono::milliseconds idleTimeout) {
    std::vector<char> block(kBlockSize);
    const std::uint64_t size = fileSize(file);
    for (std::uint64_t offset = 0; offset < size;) {
        const std::size_t n = readAt(file, block.data(), std::min<std::uint64_t>(size - offset, kBlockSize), offset);
        if (n == 0)
            throw Error("No data to read.");
        try {
            data.writeAll(block.data(), n, idleTimeout);
        } catch (const SocketError& error) {
            if (isPeerClose(error))
                return false;
            throw;
        }
        offset += n;
    }
    return true;
}

std::chrono::milliseconds timeLeft(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

} // namespace

std::string formatPortCommand(const std::string& address, int port) {
    in_addr parsed{};
    if (::inet_pton(AF_INET, address.c_str(), &parsed) != 1)
        throw Error("'" + address + "' is not a valid IPv4 address.");
    if (port < 0 || port > 65535)
        throw Error("'" + std::to_string(port) + "' is not a valid port.");
    const auto* parts = reinterpret_cast<const unsigned char*>(&parsed.s_addr);
    std::string line = "PORT ";
    for (int i = 0; i < 4; ++i)
        line += std::to_string(parts[i]) + ",";
    return line + std::to_string(port / 256) + "," + std::to_string(port % 256);
}

FtpClient::FtpClient() : session_(commandLineBreak) {}

void FtpClient::connect() {
    if (connected())
        throw Error("Already connected.");
    if (host_.empty() || port_ == 0)
        throw Error("");
    requireConnectablePort(port_);
    refuseLineBreaks(userName_, "user name");
    refuseLineBreaks(password_, "password");
    refuseLineBreaks(account_, "account");
    lastReply_ = greeting_ = FtpReply{};
    features_.clear();
    systemDescription_.clear();
    serverUtcOffset_.reset();
    session_.open(host_, port_, timeouts_.connect);
    bool greeted = false;
    try {
        if (security_ == FtpSecurity::ImplicitTls)
            session_.startTls(tlsOptions(), timeouts_.reply);
        greet();
        greeted = true;
        if (security_ == FtpSecurity::Tls) {
            sendCmd("AUTH TLS", {234});
            session_.startTls(tlsOptions(), timeouts_.reply);
        }
        login();
        if (security_ != FtpSecurity::None)
            protectData();
        querySystem();
        if (usesSiteZone())
            querySiteZone();
    } catch (...) {
        if (greeted)
            disconnect();
        else
            session_.close();
        throw;
    }
}

void FtpClient::greet() {
    readReply({}, timeouts_.reply);
    if (lastReply_.code >= 100 && lastReply_.code <= 199)
        readReply({}, timeouts_.reply);
    greeting_ = lastReply_;
    if (greeting_.code != 220)
        throw FtpReplyError(greeting_);
}

void FtpClient::login() {
    sendCmd("USER " + userName_, {230, 232, 331});
    if (lastReply_.code == 331) {
        std::string answer = password_;
        if (const auto challenge = findOtpChallenge(lastReply_.joinedText()))
            answer = oneTimePassword(*challenge, password_);
        sendCmd("PASS " + answer, {230, 332});
        const bool accountWanted = lastReply_.joinedText().find("ACCOUNT") != std::string::npos;
        if (lastReply_.code == 332 || (accountWanted && !account_.empty())) {
            if (account_.empty())
                throw FtpReplyError(lastReply_);
            sendCmd("ACCT " + account_, {202, 230, 500});
        }
    }
    sendCmd("FEAT");
    features_.clear();
    if (lastReply_.text.size() > 2)
        features_.assign(lastReply_.text.begin() + 1, lastReply_.text.end() - 1);
    sendCmd("TYPE I", {200});
}

void FtpClient::protectData() {
    sendCmd("PBSZ 0", {200});
    sendCmd("PROT P", {200});
}

void FtpClient::querySystem() {
    sendCmd("SYST");
    systemDescription_ = lastReply_.code == 500 ? "Unknown" : lastReply_.text.front();
}

bool FtpClient::usesSiteZone() const {
    static constexpr std::string_view kZoneServers[] = {"Serv-U ", "BPFTP Server ", "TitanFTP server ",
                                                        "Titan FTP Server "};
    const std::string_view welcome = greeting_.text.front();
    if (std::any_of(std::begin(kZoneServers), std::end(kZoneServers),
                    [&](std::string_view name) { return welcome.starts_with(name); }))
        return true;
    for (const std::string& feature : features_) {
        if (feature.size() < 5 || !sameText(std::string_view(feature).substr(0, 5), "SITE "))
            continue;
        std::string_view items = std::string_view(feature).substr(5);
        while (!items.empty()) {
            const std::size_t end = std::min(items.find(';'), items.size());
            if (sameText(trim(items.substr(0, end)), "ZONE"))
                return true;
            items.remove_prefix(std::min(end + 1, items.size()));
        }
    }
    return false;
}

void FtpClient::querySiteZone() {
    sendCmd("SITE ZONE");
    if (lastReply_.code == 210)
        serverUtcOffset_ = utcOffset(lastReply_.text.front());
}

void FtpClient::put(const std::string& localPath, const std::string& remoteName, bool append) {
    requireConnection();
    const std::string target = remoteTarget(localPath, remoteName);
    upload(openRegularFile(localPath), target, append);
}

void FtpClient::put(const OpenedFile& file, const std::string& remoteName, bool append) {
    requireConnection();
    upload(file, remoteTarget(file.path, remoteName), append);
}

void FtpClient::changeFolder(const std::string& folder) {
    requireConnection();
    refuseLineBreaks(folder, "folder");
    if (folder.starts_with('/'))
        sendCmd("CWD /", {200, 250});
    std::string_view rest = folder;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('/'), rest.size());
        const std::string level(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        if (level.empty())
            continue;
        sendCmd("CWD " + level);
        if (lastReply_.code == 200 || lastReply_.code == 250)
            continue;
        if (lastReply_.code < 500)
            throw FtpReplyError(lastReply_);
        sendCmd("MKD " + level, {257});
        sendCmd("CWD " + level, {200, 250});
    }
}

void FtpClient::upload(const OpenedFile& file, const std::string& target, bool append) {
    TcpSocket data = openDataConnection((append ? "APPE " : "STOR ") + target);
    const bool whole = sendFile(file, data, timeouts_.dataIdle);
    data.closeAfterPeer(timeouts_.dataIdle);
    readReply({226, 225, 250}, timeouts_.reply);
    // A server that dropped the data connection early must not turn a cut-off upload into a success.
    if (!whole)
        throw Error("The server closed the data connection before the whole file was sent.");
}

TcpSocket FtpClient::openDataConnection(const std::string& command) {
    TcpSocket data = passive_ ? passiveDataConnection(command) : activeDataConnection(command);
    if (session_.isEncrypted())
        data.startTls(tlsOptions(), timeouts_.reply, &session_.socket());
    return data;
}

TcpSocket FtpClient::activeDataConnection(const std::string& transferCommand) {
    TcpListener listener = TcpListener::listen(session_.localAddress(), 0);
    sendCmd(formatPortCommand(externalIP_.empty() ? listener.address() : externalIP_, listener.port()), {200});
    sendCmd(transferCommand, {125, 150});
    return acceptFromServer(listener);
}

TcpSocket FtpClient::passiveDataConnection(const std::string& transferCommand) {
    // Data goes only to and from the server we talk to, whatever address a PASV answer names (FTP bounce).
    TcpSocket data = TcpSocket::connect(session_.peerAddress(), passivePort(), timeouts_.connect);
    sendCmd(transferCommand, {125, 150});
    return data;
}

int FtpClient::passivePort() {
    sendCmd("EPSV");
    if (lastReply_.code == 229)
        return parseEpsvPort(lastReply_.joinedText());
    if (lastReply_.code < 500)
        throw FtpReplyError(lastReply_);
    sendCmd("PASV", {227});
    return parsePasvPort(lastReply_.joinedText());
}

std::string FtpClient::listFolder() {
    requireConnection();
    TcpSocket data = openDataConnection("MLSD");
    std::string listing;
    std::vector<char> block(kBlockSize);
    while (const std::size_t n = data.readSome(block.data(), block.size(), timeouts_.dataIdle)) {
        if (listing.size() + n > kMaxListingSize)
            throw Error("The FTP folder listing is longer than " + std::to_string(kMaxListingSize) + " bytes.");
        listing.append(block.data(), n);
    }
    data.close(timeouts_.dataIdle);
    readReply({226, 250}, timeouts_.reply);
    return listing;
}

void FtpClient::deleteFile(const std::string& name) {
    refuseLineBreaks(name, "remote file name");
    sendCmd("DELE " + name, {250});
}

TcpSocket FtpClient::acceptFromServer(TcpListener& listener) {
    // Anyone can connect to the announced port; only the server we talk to may receive the file.
    const std::string server = session_.peerAddress();
    const auto deadline = std::chrono::steady_clock::now() + listenTimeout_;
    for (;;) {
        std::optional<TcpSocket> data = listener.accept(timeLeft(deadline));
        if (!data)
            throw Error("Accept timed out.");
        if (data->peerAddress() == server)
            return std::move(*data);
    }
}

bool FtpClient::connected() {
    return session_.connected();
}

void FtpClient::disconnect() noexcept {
    try {
        if (connected()) {
            session_.sendCommand("QUIT", timeouts_.reply);
            if (session_.replyWaiting(kQuitWait))
                readReply({}, kQuitWait);
        }
    } catch (const std::exception&) {
        // QUIT is a courtesy: the connection is closed whatever became of it.
    }
    session_.close();
}

const FtpReply& FtpClient::sendCmd(const std::string& line, std::initializer_list<int> accepted) {
    session_.sendCommand(line, timeouts_.reply);
    return readReply(accepted, timeouts_.reply);
}

const FtpReply& FtpClient::readReply(std::initializer_list<int> accepted, std::chrono::milliseconds timeout) {
    FtpReply reply;
    session_.readReply(reply, addFtpReplyLine, timeout);
    lastReply_ = std::move(reply);
    if (!accepts(accepted, lastReply_.code))
        throw FtpReplyError(lastReply_);
    return lastReply_;
}

void FtpClient::requireConnection() const {
    if (!session_.isOpen())
        throw Error("Not Connected");
}

} // namespace tervolen
