#pragma once

#include <string>
#include <string_view>

namespace tervolen {

// The codes of the Monitor's red "Error Code" lines.
enum class ErrorCode {
    BackupStart,      // "0001"
    BackupRun,        // "0001A"
    Restore,          // "00026"
    ValidationAttach, // "00027"
    ValidationRun,    // "00028"
};

struct ErrorCodeEntry {
    ErrorCode code;
    std::string_view text;
    std::string_view meaning;
};

// Every code with its text and what it means.
inline constexpr ErrorCodeEntry kErrorCodes[] = {
    {ErrorCode::BackupStart, "0001",
     "The backup could not attach to the service manager; at start-up, the weekdays of the settings file could "
     "not be read."},
    {ErrorCode::BackupRun, "0001A", "The backup request failed, or its output broke off."},
    {ErrorCode::Restore, "00026", "The restore failed: its connection, request or output."},
    {ErrorCode::ValidationAttach, "00027", "The validation could not attach to the service manager."},
    {ErrorCode::ValidationRun, "00028", "The validation request failed, or its output broke off."},
};

std::string_view errorCodeText(ErrorCode code);

// "Error Code <code> Internal System ", a carriage return and the error's text.
std::string errorCodeLine(ErrorCode code, std::string_view errorText);

} // namespace tervolen
