#include "services/service_buffers.h"

#include "core/text_conversion.h"
#include "services/service_errors.h"

#include <array>

namespace tervolen {

namespace {

constexpr std::size_t kMaxAttachValueLength = 255;

struct SpbName {
    std::string_view name;
    std::uint8_t code;
};

constexpr std::array kSpbNames{
    SpbName{"user_name", isc::isc_spb_user_name},
    SpbName{"sys_user_name", isc::isc_spb_sys_user_name},
    SpbName{"sys_user_name_enc", isc::isc_spb_sys_user_name_enc},
    SpbName{"password", isc::isc_spb_password},
    SpbName{"password_enc", isc::isc_spb_password_enc},
    SpbName{"command_line", isc::isc_spb_command_line},
    SpbName{"db_name", isc::isc_spb_dbname},
    SpbName{"verbose", isc::isc_spb_verbose},
    SpbName{"options", isc::isc_spb_options},
    SpbName{"connect_timeout", isc::isc_spb_connect_timeout},
    SpbName{"dummy_packet_interval", isc::isc_spb_dummy_packet_interval},
    SpbName{"sql_role_name", isc::isc_spb_sql_role_name},
};

std::string lowerCase(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return result;
}

[[noreturn]] void unexpectedOutput() {
    throw ClientError("Unexpected Output buffer value");
}

void addAttachItem(std::string& spb, std::uint8_t code, const std::string& name, std::string_view value) {
    if (value.size() > kMaxAttachValueLength)
        throw ClientError("The value of the attach parameter " + name + " is longer than 255 bytes");
    spb.push_back(static_cast<char>(code));
    spb.push_back(static_cast<char>(value.size()));
    spb.append(value);
}

} // namespace

std::string buildAttachParams(const std::vector<std::string>& params) {
    std::string spb{static_cast<char>(isc::isc_spb_version), static_cast<char>(isc::isc_spb_current_version)};
    for (const std::string& line : params) {
        size_t equals = line.find('=');
        if (equals == std::string::npos || trim(std::string_view(line).substr(0, equals)).empty())
            continue;
        std::string name = lowerCase(std::string_view(line).substr(0, equals));
        if (name.starts_with("isc_spb_"))
            name.erase(0, 8);
        const SpbName* entry = nullptr;
        for (const SpbName& candidate : kSpbNames)
            if (candidate.name == name)
                entry = &candidate;
        if (entry == nullptr)
            throw ClientError("SPB Constant Unknown");
        if (entry->code != isc::isc_spb_user_name && entry->code != isc::isc_spb_password &&
            entry->code != isc::isc_spb_sql_role_name)
            throw ClientError("SPB Constant Not supported");
        addAttachItem(spb, entry->code, name, std::string_view(line).substr(equals + 1));
    }
    if (spb.size() > kMaxServiceBufferLength)
        throw ClientError("The attach parameters are longer than 65535 bytes");
    return spb;
}

std::string serviceManagerName(Protocol protocol, const std::string& serverName) {
    switch (protocol) {
    case Protocol::TCP:
        return serverName + ":service_mgr";
    case Protocol::SPX:
        return serverName + "@service_mgr";
    case Protocol::NamedPipe:
        return "\\\\" + serverName + "\\service_mgr";
    case Protocol::Local:
        break;
    }
    return "service_mgr";
}

void ServiceRequest::addText(std::uint8_t tag, std::string_view text) {
    if (text.empty())
        return;
    addByte(tag);
    addByte(static_cast<std::uint8_t>(text.size() & 0xFF));
    addByte(static_cast<std::uint8_t>((text.size() >> 8) & 0xFF));
    bytes_.append(text);
}

void ServiceRequest::addNumber(std::uint8_t tag, std::uint32_t value) {
    addByte(tag);
    for (int shift = 0; shift < 32; shift += 8)
        addByte(static_cast<std::uint8_t>((value >> shift) & 0xFF));
}

void ServiceRequest::addFileLines(const std::vector<std::string>& lines, std::uint8_t nameTag, std::uint8_t sizeTag) {
    for (const std::string& line : lines) {
        if (trim(line).empty())
            continue;
        size_t equals = line.find('=');
        if (equals == std::string::npos) {
            addText(nameTag, line);
            continue;
        }
        int size = strToInt(line.substr(equals + 1));
        addText(nameTag, std::string_view(line).substr(0, equals));
        addNumber(sizeTag, static_cast<std::uint32_t>(size));
    }
}

isc::ISC_LONG decodeVaxInteger(const char* bytes, short length) {
    std::uint32_t value = 0;
    for (short i = 0; i < length && i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << (8 * i);
    return static_cast<isc::ISC_LONG>(value);
}

namespace {

// The bytes of an answer laid out as tag, length n (2 bytes), n bytes, isc_info_end.
std::string_view taggedBytes(std::span<const char> answer, std::uint8_t tag, const VaxInteger& vaxInteger) {
    constexpr size_t kBytesOffset = 3;
    if (answer.size() < kBytesOffset || static_cast<std::uint8_t>(answer[0]) != tag)
        unexpectedOutput();
    size_t length = static_cast<std::uint16_t>(vaxInteger(answer.data() + 1, 2));
    if (kBytesOffset + length >= answer.size() ||
        static_cast<std::uint8_t>(answer[kBytesOffset + length]) != isc::isc_info_end)
        unexpectedOutput();
    return {answer.data() + kBytesOffset, length};
}

} // namespace

OutputLine parseOutputLine(std::span<const char> answer, const VaxInteger& vaxInteger) {
    std::string_view text = taggedBytes(answer, isc::isc_info_svc_line, vaxInteger);
    if (text.empty())
        return {true, {}};
    return {false, std::string(text.substr(0, text.find('\0')))};
}

OutputLine parseLimboAnswer(std::span<const char> answer, const VaxInteger& vaxInteger) {
    std::string_view bytes = taggedBytes(answer, isc::isc_info_svc_limbo_trans, vaxInteger);
    return {bytes.empty(), std::string(bytes)};
}

std::string parseServerVersion(std::span<const char> answer, const VaxInteger& vaxInteger) {
    std::string_view text = taggedBytes(answer, isc::isc_info_svc_server_version, vaxInteger);
    return std::string(text.substr(0, text.find('\0')));
}

bool parseRunning(std::span<const char> answer, const VaxInteger& vaxInteger) {
    constexpr size_t kAnswerLength = 5;
    if (answer.size() < kAnswerLength || static_cast<std::uint8_t>(answer[0]) != isc::isc_info_svc_running)
        unexpectedOutput();
    return vaxInteger(answer.data() + 1, 4) == 1;
}

} // namespace tervolen
