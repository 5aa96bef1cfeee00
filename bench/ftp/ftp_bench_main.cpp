// Command-line driver of FtpClient for the benchmark (bench/ftp_bench.py):
//   tervolen-ftp-bench HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME [CAFILE FOLDER]
// Connects, uploads LOCAL_FILE as REMOTE_NAME in active mode and disconnects. With CAFILE: over explicit TLS (the
// server's certificate checked against CAFILE and HOST), in passive mode, into FOLDER.
#include "core/errors.h"
#include "core/text_conversion.h"
#include "delivery/ftp_client.h"

#include <cstdio>

int main(int argc, char** argv) {
    const bool secure = argc == 9;
    if (argc != 7 && !secure) {
        std::fprintf(stderr, "usage: %s HOST PORT USER PASSWORD LOCAL_FILE REMOTE_NAME [CAFILE FOLDER]\n", argv[0]);
        return 2;
    }
    try {
        tervolen::FtpClient ftp;
        ftp.setHost(argv[1]);
        ftp.setPort(tervolen::strToInt(argv[2]));
        ftp.setUserName(argv[3]);
        ftp.setPassword(argv[4]);
        if (secure) {
            ftp.setSecurity(tervolen::FtpSecurity::Tls);
            ftp.setCaFile(argv[7]);
            ftp.setPassive(true);
        }
        ftp.connect();
        if (secure)
            ftp.changeFolder(argv[8]);
        ftp.put(argv[5], argv[6]);
        ftp.disconnect();
    } catch (const tervolen::Error& e) {
        std::fprintf(stderr, "upload failed: %s\n", e.what());
        return 1;
    }
    return 0;
}
