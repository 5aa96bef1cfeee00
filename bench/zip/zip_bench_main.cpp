// Command-line driver of ZipArchiveWriter for the benchmark:
// tervolen-zip-bench deflate|bzip2 ARCHIVE SOURCE [THREADS [PASSWORD]] (THREADS 0: every core; PASSWORD: AES-256)
#include "copies/zip_archive_writer.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
    if (argc < 4 || argc > 6) {
        std::fprintf(stderr, "usage: %s deflate|bzip2 ARCHIVE SOURCE [THREADS [PASSWORD]]\n", argv[0]);
        return 2;
    }
    std::string method = argv[1];
    if (method != "deflate" && method != "bzip2") {
        std::fprintf(stderr, "unknown method %s\n", argv[1]);
        return 2;
    }
    tervolen::ZipArchiveWriter writer;
    writer.setCompressMethod(method == "bzip2" ? tervolen::CompressionMethod::Bzip2
                                               : tervolen::CompressionMethod::Deflate);
    writer.setArchiveFile(argv[2]);
    writer.fileSpec().push_back(argv[3]);
    if (argc > 4)
        writer.setThreads(static_cast<unsigned>(std::stoul(argv[4])));
    if (argc > 5)
        writer.setPassword(std::string(argv[5]));
    int count = 0;
    try {
        count = writer.compress();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "nothing compressed: %s\n", error.what());
        return 1;
    }
    std::printf("%d\n", count);
    return 0;
}
