#include "app/config_page_handlers.h"

namespace tervolen {

void OnCompressionToggled(FormState& form) {
    bool compress = form.checked("ChkBoxCompress");
    form.setEnabled("CBCompMetho", compress);
    form.setEnabled("CBCompMethoLevel", compress);
}

} // namespace tervolen
