#pragma once

#include "services/services_api.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tervolen {

// How the service manager is named.
enum class Protocol { TCP, SPX, NamedPipe, Local };

// The longest buffer that the 16-bit lengths of the Services API can describe.
inline constexpr std::size_t kMaxServiceBufferLength = 65535;

// The attach parameter buffer for Params lines (name "=" value): the version bytes 2 2, then user name,
// password and role items. Throws ClientError "SPB Constant Not supported" / "SPB Constant Unknown",
// and for a value longer than 255 bytes or a buffer longer than 65535 bytes.
std::string buildAttachParams(const std::vector<std::string>& params);

// "host:service_mgr", "host@service_mgr", "\\host\service_mgr" or "service_mgr".
std::string serviceManagerName(Protocol protocol, const std::string& serverName);

// A start request being written item by item.
class ServiceRequest {
public:
    void addByte(std::uint8_t value) { bytes_.push_back(static_cast<char>(value)); }
    // Tag, length as 2 bytes little-endian, the text; an empty text writes nothing.
    void addText(std::uint8_t tag, std::string_view text);
    // Tag, the value as 4 bytes little-endian.
    void addNumber(std::uint8_t tag, std::uint32_t value);
    void addFlag(std::uint8_t tag) { addByte(tag); }
    // File or database lines, blank ones skipped: "name" gives the text item, "name=size" the text item
    // and the number item sizeTag. Throws Error "'%s' is not a valid integer value" for a bad size.
    void addFileLines(const std::vector<std::string>& lines, std::uint8_t nameTag, std::uint8_t sizeTag);

    const std::string& bytes() const { return bytes_; }

private:
    std::string bytes_;
};

// Reads an integer of 1 to 4 little-endian bytes, as the client library's isc_vax_integer does.
using VaxInteger = std::function<isc::ISC_LONG(const char* bytes, short length)>;
isc::ISC_LONG decodeVaxInteger(const char* bytes, short length);

// One answer to an isc_info_svc_line query: an empty line ends the output.
struct OutputLine {
    bool ended = false;
    std::string text;
};

// Reads the answer to isc_info_svc_line: 62, length n (2 bytes), n bytes of text, isc_info_end.
// The text ends at its first 0 byte. Throws ClientError "Unexpected Output buffer value" for any
// answer of another form, also one whose length runs past the end of the answer.
OutputLine parseOutputLine(std::span<const char> answer, const VaxInteger& vaxInteger = decodeVaxInteger);

// Reads the answer to isc_info_svc_limbo_trans: 66, length n (2 bytes), n bytes of the limbo list, isc_info_end;
// returns the n bytes, an empty answer ending the output. Throws ClientError "Unexpected Output buffer value" for
// any answer of another form.
OutputLine parseLimboAnswer(std::span<const char> answer, const VaxInteger& vaxInteger = decodeVaxInteger);

// Reads the answer to isc_info_svc_server_version: 55, length n (2 bytes), n bytes of text, isc_info_end. The
// text ends at its first 0 byte. Throws ClientError "Unexpected Output buffer value" for any answer of another form.
std::string parseServerVersion(std::span<const char> answer, const VaxInteger& vaxInteger = decodeVaxInteger);

// Reads the answer to isc_info_svc_running: 67 and a 4-byte value, 1 meaning running. Throws
// ClientError "Unexpected Output buffer value" for any answer of another form.
bool parseRunning(std::span<const char> answer, const VaxInteger& vaxInteger = decodeVaxInteger);

} // namespace tervolen
