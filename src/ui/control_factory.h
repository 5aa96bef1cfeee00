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
class QTableWidget;
class QToolButton;
class QWidget;

namespace tervolen {

class CheckList;
class FileEdit;
class LinkLabel;

// Builders of the main window's widgets from MainWindowDesign(): each widget gets the control's name as
// object name, its design text, items, hint (as tool tip), enabled and visible state. A name missing from
// the design table is a programming error (std::logic_error).

const ControlDesign& Design(std::string_view name);
QString ToQString(std::string_view text);
// Applies name, hint, enabled and visible state.
void ApplyDesign(QWidget& widget, const ControlDesign& design);

QLineEdit* MakeEdit(std::string_view name, QWidget* parent);
FileEdit* MakeFileEdit(std::string_view name, const char* filter, QWidget* parent);
QComboBox* MakeComboBox(std::string_view name, QWidget* parent);
QCheckBox* MakeCheckBox(std::string_view name, QWidget* parent);
CheckList* MakeCheckList(std::string_view name, QWidget* parent, int columns = 1);
QTableWidget* MakeListView(std::string_view name, QWidget* parent);
QPushButton* MakeButton(std::string_view name, QWidget* parent);
QToolButton* MakeToolButton(std::string_view name, QStyle::StandardPixmap icon, QWidget* parent);
QGroupBox* MakeGroup(std::string_view name, QWidget* parent);
QLabel* MakeLabel(std::string_view name, QWidget* parent);
// A link of the command strip, or a plain caption there for a control of kind Label.
LinkLabel* MakeLinkLabel(std::string_view name, QWidget* parent);
// The label of a labelled field (its design label), named "<field>Label", with the field as buddy.
QLabel* MakeFieldLabel(std::string_view name, QWidget* field, QWidget* parent);

} // namespace tervolen
