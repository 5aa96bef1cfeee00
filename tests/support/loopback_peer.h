#pragma once

#include "delivery/tcp_socket.h"

#include <string>

namespace tervolen::test {

// Options of a test peer's connection that the client sockets never need.
struct PeerOptions {
    std::string localAddress; // bound before connecting; empty: the system's choice
    int receiveBuffer = 0;    // SO_RCVBUF before connecting; 0: the system's default
};

// The address and port of an FTP "PORT h1,h2,h3,h4,p1,p2" line.
struct PortTarget {
    std::string address;
    int port = 0;
};

// Throws std::invalid_argument for a line of another form.
PortTarget parsePortCommand(const std::string& line);

// A connection (its calls never block, as TcpSocket expects) to address:port made with options. Throws SocketError.
TcpSocket connectPeer(const std::string& address, int port, const PeerOptions& options);

} // namespace tervolen::test
