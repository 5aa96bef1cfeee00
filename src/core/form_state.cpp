#include "core/form_state.h"

namespace tervolen {

void FormState::setChecked(std::string_view control, bool checked) {
    if (storeChecked(control, checked))
        runClickHandler(control);
}

void FormState::setText(std::string_view control, const std::string& text) {
    if (storeText(control, text))
        runChangeHandler(control);
}

void FormState::onClick(std::string_view control, std::function<void()> handler) {
    clickHandlers_[std::string(control)] = std::move(handler);
}

void FormState::onChange(std::string_view control, std::function<void()> handler) {
    changeHandlers_[std::string(control)] = std::move(handler);
}

void FormState::runClickHandler(std::string_view control) { run(clickHandlers_, control); }

void FormState::runChangeHandler(std::string_view control) { run(changeHandlers_, control); }

void FormState::run(const Handlers& handlers, std::string_view control) {
    auto it = handlers.find(control);
    if (it != handlers.end() && it->second)
        it->second();
}

} // namespace tervolen
