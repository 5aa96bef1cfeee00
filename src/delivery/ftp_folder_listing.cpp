#include "delivery/ftp_folder_listing.h"

#include "core/text_conversion.h"
#include "delivery/mlsd_listing.h"

#include <algorithm>

namespace tervolen {

namespace {

bool announcesMlst(const std::vector<std::string>& features) {
    return std::any_of(features.begin(), features.end(), [](const std::string& feature) {
        const std::string name = trim(feature);
        return name.size() >= 4 && sameText(std::string_view(name).substr(0, 4), "MLST") &&
               (name.size() == 4 || name[4] == ' ');
    });
}

} // namespace

std::optional<std::vector<std::string>> listFtpFolder(FtpClient& ftp, MonitorLog& monitor) {
    if (announcesMlst(ftp.features())) {
        try {
            return mlsdFileNames(ftp.listFolder());
        } catch (const FtpReplyError& error) {
            if (error.code() < 500)
                throw;
        }
    }
    monitor.addMonitorLine(kFtpNotPruned, kNavy, kMonitorLineSize);
    return std::nullopt;
}

} // namespace tervolen
