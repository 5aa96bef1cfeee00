#include "ui/desktop_url.h"

#include <QDesktopServices>
#include <QUrl>

namespace tervolen {

bool openWithDesktop(const std::string& url) {
    const QUrl parsed(QString::fromStdString(url), QUrl::StrictMode);
    return parsed.isValid() && QDesktopServices::openUrl(parsed);
}

} // namespace tervolen
