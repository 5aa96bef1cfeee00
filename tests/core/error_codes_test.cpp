#include "core/error_codes.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

TEST(MonitorErrorCodes, EachCodeGivesItsLine) {
    const std::pair<ErrorCode, const char*> lines[] = {
        {ErrorCode::BackupStart, "Error Code 0001 Internal System \rtext"},
        {ErrorCode::BackupRun, "Error Code 0001A Internal System \rtext"},
        {ErrorCode::Restore, "Error Code 00026 Internal System \rtext"},
        {ErrorCode::ValidationAttach, "Error Code 00027 Internal System \rtext"},
        {ErrorCode::ValidationRun, "Error Code 00028 Internal System \rtext"},
    };
    for (const auto& [code, line] : lines)
        EXPECT_EQ(errorCodeLine(code, "text"), line);
    for (const ErrorCodeEntry& entry : kErrorCodes)
        EXPECT_FALSE(entry.meaning.empty()) << entry.text;
}

} // namespace
} // namespace tervolen
