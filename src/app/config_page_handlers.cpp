#include "app/config_page_handlers.h"
#include "core/control_names.h"

namespace tervolen {

void onCompressionToggled(FormState& form) {
    bool compress = form.checked(controls::ChkBoxCompress);
    form.setEnabled(controls::CBCompMetho, compress);
    form.setEnabled(controls::CBCompMethoLevel, compress);
}

} // namespace tervolen
