#include "ui/outside_choices.h"

#include <QComboBox>
#include <QPalette>
#include <QWidget>

namespace tervolen {

namespace {

constexpr const char* kKeptText = "keptText";
const QColor kOutsideColor(255, 214, 214);

} // namespace

void markOutsideChoices(QWidget& control, bool outside) {
    if (isMarkedOutsideChoices(control) == outside)
        return;
    control.setProperty(kOutsideChoices, outside);
    if (outside) {
        QPalette palette = control.palette();
        palette.setColor(QPalette::Base, kOutsideColor);
        palette.setColor(QPalette::Button, kOutsideColor);
        control.setPalette(palette);
    } else {
        control.setPalette(QPalette());
    }
}

bool isMarkedOutsideChoices(const QWidget& control) {
    return control.property(kOutsideChoices).toBool();
}

void setComboText(QComboBox& combo, const QString& text) {
    const int item = combo.findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    combo.setProperty(kKeptText, item < 0 ? text : QString());
    combo.setPlaceholderText(item < 0 ? text : QString());
    combo.setCurrentIndex(item);
    markOutsideChoices(combo, item < 0 && !text.isEmpty());
}

void clearComboChoice(QComboBox& combo) {
    const QString text = comboText(combo);
    combo.setCurrentIndex(-1);
    combo.setProperty(kKeptText, text);
    combo.setPlaceholderText(text);
}

QString comboText(const QComboBox& combo) {
    return combo.currentIndex() >= 0 ? combo.currentText() : combo.property(kKeptText).toString();
}

void keepComboTextUntilChosen(QComboBox& combo) {
    QObject::connect(&combo, &QComboBox::currentIndexChanged, &combo, [&combo](int item) {
        if (item >= 0) {
            combo.setProperty(kKeptText, QString());
            combo.setPlaceholderText(QString());
            markOutsideChoices(combo, false);
        }
    });
}

} // namespace tervolen
