#include "ui/number_box.h"

#include "ui/outside_choices.h"

#include <QLineEdit>

namespace tervolen {

NumberBox::NumberBox(int minimum, int maximum, QWidget* parent) : QSpinBox(parent) {
    setRange(minimum, maximum);
    connect(lineEdit(), &QLineEdit::textEdited, this, [this] {
        dropKeptText();
        emit userEdited();
    });
}

QString NumberBox::storedText() const {
    return kept_ ? *kept_ : QString::number(value());
}

void NumberBox::setStoredText(const QString& text) {
    bool isNumber = false;
    const int number = text.toInt(&isNumber);
    const bool inRange = isNumber && number >= minimum() && number <= maximum();
    if (inRange && QString::number(number) == text)
        kept_.reset();
    else
        kept_ = text;
    setValue(inRange ? number : minimum());
    lineEdit()->setText(textFromValue(value()));
    markOutsideChoices(*this, !inRange && !text.isEmpty());
}

void NumberBox::setPlaceholderText(const QString& text) {
    lineEdit()->setPlaceholderText(text);
}

QString NumberBox::placeholderText() const {
    return lineEdit()->placeholderText();
}

QString NumberBox::textFromValue(int value) const {
    return kept_ ? *kept_ : QSpinBox::textFromValue(value);
}

void NumberBox::stepBy(int steps) {
    dropKeptText();
    QSpinBox::stepBy(steps);
    emit userEdited();
}

void NumberBox::dropKeptText() {
    if (!kept_)
        return;
    kept_.reset();
    markOutsideChoices(*this, false);
}

} // namespace tervolen
