#include "core/error_codes.h"

namespace tervolen {

std::string_view errorCodeText(ErrorCode code) {
    for (const ErrorCodeEntry& entry : kErrorCodes)
        if (entry.code == code)
            return entry.text;
    return {};
}

std::string errorCodeLine(ErrorCode code, std::string_view errorText) {
    return "Error Code " + std::string(errorCodeText(code)) + " Internal System \r" + std::string(errorText);
}

} // namespace tervolen
