#pragma once

#include <QString>

class QComboBox;
class QWidget;

namespace tervolen {

// A stored value that the control cannot choose (a settings file's text outside a fixed list or range) is kept
// and shown as it is, and the control is marked: the dynamic property "outsideChoices" and a reddish background.
inline constexpr const char* kOutsideChoices = "outsideChoices";

void markOutsideChoices(QWidget& control, bool outside);
bool isMarkedOutsideChoices(const QWidget& control);

// A combo box that takes no typed text: text selects the item with exactly that text; any other text is kept,
// shown in place of an item and marked until the user chooses an item.
void setComboText(QComboBox& combo, const QString& text);
// Chooses no item and keeps the text shown.
void clearComboChoice(QComboBox& combo);
// The chosen item's text, or the kept text while no item is chosen.
QString comboText(const QComboBox& combo);
// Drops the kept text and the mark once an item is chosen.
void keepComboTextUntilChosen(QComboBox& combo);

} // namespace tervolen
