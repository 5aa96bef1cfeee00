#include "copies/compression_options.h"

namespace tervolen {

void ChkBoxCompressClick(FormState& form) {
    bool compress = form.checked("ChkBoxCompress");
    form.setEnabled("CBCompMetho", compress);
    form.setEnabled("CBCompMethoLevel", compress);
}

} // namespace tervolen
