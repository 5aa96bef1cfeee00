#include "delivery/base64.h"

namespace tervolen {

namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
constexpr std::size_t kBytesPerLine = 57;

} // namespace

void appendBase64(const unsigned char* data, std::size_t size, std::string& out) {
    std::size_t start = out.size();
    out.resize(start + (size + 2) / 3 * 4);
    char* p = out.data() + start;
    std::size_t i = 0;
    for (; i + 3 <= size; i += 3) {
        unsigned v = unsigned(data[i]) << 16 | unsigned(data[i + 1]) << 8 | data[i + 2];
        *p++ = kAlphabet[v >> 18];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = kAlphabet[(v >> 6) & 63];
        *p++ = kAlphabet[v & 63];
    }
    if (i < size) {
        unsigned v = unsigned(data[i]) << 16;
        if (i + 1 < size)
            v |= unsigned(data[i + 1]) << 8;
        *p++ = kAlphabet[v >> 18];
        *p++ = kAlphabet[(v >> 12) & 63];
        *p++ = i + 1 < size ? kAlphabet[(v >> 6) & 63] : '=';
        *p++ = '=';
    }
}

void appendBase64Lines(const unsigned char* data, std::size_t size, std::string& out) {
    out.reserve(out.size() + (size + kBytesPerLine - 1) / kBytesPerLine * 78);
    for (std::size_t offset = 0; offset < size; offset += kBytesPerLine) {
        std::size_t chunk = size - offset < kBytesPerLine ? size - offset : kBytesPerLine;
        appendBase64(data + offset, chunk, out);
        out += "\r\n";
    }
}

} // namespace tervolen
