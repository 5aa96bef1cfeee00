#include "core/errors.h"

namespace tervolen {

std::string defaultErrorReportText(const std::string& text) {
    if (!text.empty() && text.back() == '.')
        return text;
    return text + ".";
}

} // namespace tervolen
