#include "core/form_state.h"

namespace tervolen {

void FormState::setChecked(std::string_view control, bool checked) {
    if (storeChecked(control, checked))
        runClickHandler(control);
}

void FormState::onClick(std::string_view control, std::function<void()> handler) {
    clickHandlers_[std::string(control)] = std::move(handler);
}

void FormState::runClickHandler(std::string_view control) {
    auto it = clickHandlers_.find(control);
    if (it != clickHandlers_.end() && it->second)
        it->second();
}

} // namespace tervolen
