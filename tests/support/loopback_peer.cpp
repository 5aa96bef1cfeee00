#include "loopback_peer.h"

#include "core/posix_file.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>

namespace tervolen::test {

namespace {

sockaddr_in socketAddressOf(const std::string& address, int port) {
    sockaddr_in result{};
    result.sin_family = AF_INET;
    result.sin_port = htons(static_cast<uint16_t>(port));
    if (::inet_pton(AF_INET, address.c_str(), &result.sin_addr) != 1)
        throw SocketError(EINVAL, "not a dotted IPv4 address: " + address);
    return result;
}

void check(int result) {
    if (result != 0)
        throw SocketError(errno, std::strerror(errno));
}

} // namespace

PortTarget parsePortCommand(const std::string& line) {
    int h[4] = {}, p1 = 0, p2 = 0;
    if (std::sscanf(line.c_str(), "PORT %d,%d,%d,%d,%d,%d", &h[0], &h[1], &h[2], &h[3], &p1, &p2) != 6)
        throw std::invalid_argument("not a PORT line: " + line);
    return {std::to_string(h[0]) + "." + std::to_string(h[1]) + "." + std::to_string(h[2]) + "." + std::to_string(h[3]),
            p1 * 256 + p2};
}

TcpSocket connectPeer(const std::string& address, int port, const PeerOptions& options) {
    FileDescriptor socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    const int fd = socket.get();
    if (fd < 0)
        throw SocketError(errno, std::strerror(errno));
    if (options.receiveBuffer > 0)
        check(::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &options.receiveBuffer, sizeof options.receiveBuffer));
    if (!options.localAddress.empty()) {
        const sockaddr_in local = socketAddressOf(options.localAddress, 0);
        check(::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local));
    }
    const sockaddr_in remote = socketAddressOf(address, port);
    check(::connect(fd, reinterpret_cast<const sockaddr*>(&remote), sizeof remote));
    // TcpSocket waits with poll and expects calls that never block.
    check(::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK));
    return TcpSocket(socket.release());
}

} // namespace tervolen::test
