#include "copies/bzip2_codec.h"

#include "core/errors.h"

#include <limits>

namespace tervolen {

namespace {
constexpr size_t kOutputSize = 128 * 1024;

[[noreturn]] void fail(const char* what, int code) {
    throw Error(std::string("Bzip2 ") + what + " failed (libbz2 error " + std::to_string(code) + ").");
}
} // namespace

BZip2Codec::BZip2Codec() : output_(kOutputSize, '\0') {
    int code = BZ2_bzCompressInit(&stream_, 9, 0, 30);
    if (code != BZ_OK)
        fail("start", code);
}

BZip2Codec::~BZip2Codec() {
    BZ2_bzCompressEnd(&stream_);
}

void BZip2Codec::compress(std::span<const char> input, ByteSink& out) {
    while (!input.empty()) {
        size_t piece = std::min<size_t>(input.size(), std::numeric_limits<unsigned int>::max());
        stream_.next_in = const_cast<char*>(input.data());
        stream_.avail_in = static_cast<unsigned int>(piece);
        run(BZ_RUN, out);
        input = input.subspan(piece);
    }
}

void BZip2Codec::finish(ByteSink& out) {
    stream_.next_in = nullptr;
    stream_.avail_in = 0;
    run(BZ_FINISH, out);
}

void BZip2Codec::run(int action, ByteSink& out) {
    for (;;) {
        stream_.next_out = output_.data();
        stream_.avail_out = static_cast<unsigned int>(output_.size());
        int code = BZ2_bzCompress(&stream_, action);
        bool ok = action == BZ_RUN ? code == BZ_RUN_OK : code == BZ_FINISH_OK || code == BZ_STREAM_END;
        if (!ok)
            fail("compression", code);
        size_t produced = output_.size() - stream_.avail_out;
        if (produced > 0)
            out.write(output_.data(), produced);
        if (action == BZ_FINISH ? code == BZ_STREAM_END : stream_.avail_in == 0)
            return;
    }
}

} // namespace tervolen
