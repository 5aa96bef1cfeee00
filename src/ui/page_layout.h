#pragma once

class QBoxLayout;
class QPushButton;
class QVBoxLayout;
class QWidget;

namespace tervolen {

// Layout helpers shared by the pages of the main window.

// The page's own column of rows.
QVBoxLayout* pageColumn(QWidget* page);
// A labelled field with its label above it.
void addFieldWithLabelAbove(QBoxLayout* layout, QWidget* field, QWidget* page);
// A row with the page's command button at its right end.
void addCommandButton(QBoxLayout* layout, QPushButton* button);

} // namespace tervolen
