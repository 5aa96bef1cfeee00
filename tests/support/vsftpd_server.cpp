#include "vsftpd_server.h"

#include "delivery/tcp_socket.h"
#include "temp_dir.h"

#include <chrono>
#include <csignal>
#include <filesystem>
#include <pwd.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace tervolen::test {

namespace {

constexpr const char* kVsftpd = "/usr/sbin/vsftpd";
constexpr auto kStartTimeout = std::chrono::seconds(30);

int freePort() {
    return TcpListener::listen("127.0.0.1", 0).port();
}

void makeFolder(const std::string& path, mode_t mode) {
    std::filesystem::create_directories(path);
    if (::chmod(path.c_str(), mode) != 0)
        throw std::runtime_error("cannot set the mode of " + path);
}

bool answers(int port) {
    try {
        TcpSocket socket = TcpSocket::connect("127.0.0.1", port, std::chrono::seconds(1));
        char greeting[64];
        return socket.readSome(greeting, sizeof greeting, std::chrono::seconds(5)) > 0;
    } catch (const std::exception&) {
        return false;
    }
}

} // namespace

VsftpdServer::VsftpdServer(const std::string& folder, const std::string& certificate, const std::string& key) {
    // vsftpd refuses an anonymous root that its unprivileged user may write, and a jail folder that is not root's.
    const std::string root = folder + "/root";
    const std::string empty = folder + "/empty";
    incoming_ = root + "/incoming";
    makeFolder(folder, 0755);
    makeFolder(root, 0755);
    makeFolder(empty, 0755);
    makeFolder(incoming_, 0755);
    const passwd* ftpUser = ::getpwnam("ftp");
    if (ftpUser == nullptr || ::chown(incoming_.c_str(), ftpUser->pw_uid, ftpUser->pw_gid) != 0)
        throw std::runtime_error("cannot give the upload folder to the user ftp");

    port_ = freePort();
    const int dataPort = freePort();
    const std::string config = folder + "/vsftpd.conf";
    writeFile(config, "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" + std::to_string(port_) +
                          "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nno_anon_password=YES\n"
                          "ftp_username=ftp\nanon_root=" +
                          root + "\nsecure_chroot_dir=" + empty +
                          "\nwrite_enable=YES\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\n"
                          "ssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES\nforce_anon_data_ssl=YES\n"
                          "require_ssl_reuse=YES\nssl_ciphers=HIGH\nrsa_cert_file=" +
                          certificate + "\nrsa_private_key_file=" + key + "\npasv_enable=YES\npasv_min_port=" +
                          std::to_string(dataPort) + "\npasv_max_port=" + std::to_string(dataPort) +
                          "\nport_enable=YES\nconnect_from_port_20=NO\nseccomp_sandbox=NO\nisolate=NO\n"
                          "isolate_network=NO\nxferlog_enable=NO\nuse_localtime=NO\n");

    std::vector<std::string> arguments = {kVsftpd, config};
    std::vector<char*> argv;
    for (std::string& argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    if (::posix_spawn(&pid_, kVsftpd, nullptr, nullptr, argv.data(), environ) != 0)
        throw std::runtime_error("cannot start vsftpd");
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (!answers(port_)) {
        const bool exited = ::waitpid(pid_, nullptr, WNOHANG) == pid_;
        if (exited || std::chrono::steady_clock::now() > deadline) {
            if (!exited) {
                ::kill(pid_, SIGTERM);
                ::waitpid(pid_, nullptr, 0);
            }
            throw std::runtime_error("vsftpd did not start");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

VsftpdServer::~VsftpdServer() {
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, nullptr, 0);
}

} // namespace tervolen::test
