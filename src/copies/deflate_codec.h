#pragma once

#include "copies/zip_codec.h"

#include <string>
#include <zlib.h>

namespace tervolen {

// Raw Deflate (no zlib header or trailer): window bits -15, memory level 8, default strategy.
class DeflateCodec final : public ZipCodec {
public:
    // level 0 (stored Deflate blocks) to 9. Throws Error when zlib cannot start.
    explicit DeflateCodec(int level);
    DeflateCodec(const DeflateCodec&) = delete;
    DeflateCodec& operator=(const DeflateCodec&) = delete;
    ~DeflateCodec() override;

    void compress(std::span<const char> input, ByteSink& out) override;
    void finish(ByteSink& out) override;

private:
    void run(int flush, ByteSink& out);

    z_stream stream_{};
    std::string output_;
};

} // namespace tervolen
