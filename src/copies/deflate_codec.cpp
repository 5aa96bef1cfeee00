#include "copies/deflate_codec.h"

#include "core/errors.h"

#include <limits>

namespace tervolen {

namespace {
constexpr size_t kOutputSize = 128 * 1024;

[[noreturn]] void fail(const char* what, int code) {
    throw Error(std::string("Deflate ") + what + " failed (zlib error " + std::to_string(code) + ").");
}
} // namespace

DeflateCodec::DeflateCodec(int level) : output_(kOutputSize, '\0') {
    int code = deflateInit2(&stream_, level, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    if (code != Z_OK)
        fail("start", code);
}

DeflateCodec::~DeflateCodec() {
    deflateEnd(&stream_);
}

void DeflateCodec::compress(std::span<const char> input, ByteSink& out) {
    while (!input.empty()) {
        size_t piece = std::min<size_t>(input.size(), std::numeric_limits<uInt>::max());
        stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        stream_.avail_in = static_cast<uInt>(piece);
        run(Z_NO_FLUSH, out);
        input = input.subspan(piece);
    }
}

void DeflateCodec::finish(ByteSink& out) {
    stream_.next_in = nullptr;
    stream_.avail_in = 0;
    run(Z_FINISH, out);
}

void DeflateCodec::run(int flush, ByteSink& out) {
    for (;;) {
        stream_.next_out = reinterpret_cast<Bytef*>(output_.data());
        stream_.avail_out = static_cast<uInt>(output_.size());
        int code = deflate(&stream_, flush);
        if (code != Z_OK && code != Z_STREAM_END && code != Z_BUF_ERROR)
            fail("compression", code);
        size_t produced = output_.size() - stream_.avail_out;
        if (produced > 0)
            out.write(output_.data(), produced);
        if (code == Z_STREAM_END)
            return;
        if (flush != Z_FINISH && stream_.avail_in == 0 && stream_.avail_out != 0)
            return;
    }
}

} // namespace tervolen
