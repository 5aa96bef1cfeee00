#pragma once

#include "core/form_design.h"

#include <QStyle>

#include <string_view>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTableWidget;
class QToolButton;
class QWidget;

namespace tervolen {

class CheckList;
class FileEdit;
class LinkLabel;
class NumberBox;

// Builders of the main window's widgets from MainWindowDesign(): each widget gets the control's name as
// object name, its design text, items, hint (as tool tip), enabled and visible state. A name missing from
// the design table is a programming error (std::logic_error).

const ControlDesign& controlDesign(std::string_view name);
QString toQString(std::string_view text);
// Applies name, hint, enabled and visible state.
void applyDesign(QWidget& widget, const ControlDesign& design);

QLineEdit* makeEdit(std::string_view name, QWidget* parent);
FileEdit* makeFileEdit(std::string_view name, const char* filter, QWidget* parent);
QComboBox* makeComboBox(std::string_view name, QWidget* parent);
QCheckBox* makeCheckBox(std::string_view name, QWidget* parent);
CheckList* makeCheckList(std::string_view name, QWidget* parent, int columns = 1);
QTableWidget* makeListView(std::string_view name, QWidget* parent);
QPushButton* makeButton(std::string_view name, QWidget* parent);
// A spin box of whole numbers from 0 to 9999.
QSpinBox* makeSpinBox(std::string_view name, QWidget* parent);
// A number box of whole numbers from 1 to 65535 with its design text and placeholder.
NumberBox* makeNumberBox(std::string_view name, QWidget* parent);
QToolButton* makeToolButton(std::string_view name, QStyle::StandardPixmap icon, QWidget* parent);
QGroupBox* makeGroup(std::string_view name, QWidget* parent);
QLabel* makeLabel(std::string_view name, QWidget* parent);
// A link of the command strip, or a plain caption there for a control of kind Label.
LinkLabel* makeLinkLabel(std::string_view name, QWidget* parent);
// The label of a labelled field (its design label), named "<field>Label", with the field as buddy.
QLabel* makeFieldLabel(std::string_view name, QWidget* field, QWidget* parent);

} // namespace tervolen
