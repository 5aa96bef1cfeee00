#pragma once

#include "copies/zip_codec.h"

#include <bzlib.h>
#include <string>

namespace tervolen {

// Bzip2 stream: block size 9 (900 000-byte blocks), verbosity 0, work factor 30.
class BZip2Codec final : public ZipCodec {
public:
    // Throws Error when libbz2 cannot start.
    BZip2Codec();
    BZip2Codec(const BZip2Codec&) = delete;
    BZip2Codec& operator=(const BZip2Codec&) = delete;
    ~BZip2Codec() override;

    void compress(std::span<const char> input, ByteSink& out) override;
    void finish(ByteSink& out) override;

private:
    // Runs the coder with the given action; returns when it needs more input or the stream has ended.
    void run(int action, ByteSink& out);

    bz_stream stream_{};
    std::string output_;
};

} // namespace tervolen
