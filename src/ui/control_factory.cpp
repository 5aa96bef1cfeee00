#include "ui/control_factory.h"

#include "core/text_conversion.h"
#include "ui/check_list.h"
#include "ui/file_edit.h"
#include "ui/link_label.h"
#include "ui/number_box.h"
#include "ui/outside_choices.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QToolButton>
#include <QValidator>

#include <stdexcept>

namespace tervolen {

namespace {

// Combo boxes share narrow rows; their lists still show whole items.
constexpr int kComboMinimumLength = 6;

// Turns every letter the user types into a capital, as the user-name field of the database wants.
class UpperCaseValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& input, int&) const override {
        input = toQString(upperCase(input.toStdString()));
        return Acceptable;
    }
};

QStringList items(const ControlDesign& design) {
    QStringList items;
    for (auto text : design.items)
        items << toQString(text);
    return items;
}

} // namespace

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const ControlDesign& controlDesign(std::string_view name) {
    const ControlDesign* design = findControlDesign(name);
    if (design == nullptr)
        throw std::logic_error("no control named " + std::string(name) + " in the window design");
    return *design;
}

void applyDesign(QWidget& widget, const ControlDesign& design) {
    widget.setObjectName(toQString(design.name));
    if (!design.hint.empty())
        widget.setToolTip(toQString(design.hint));
    if (!design.enabled)
        widget.setEnabled(false);
    if (!design.visible)
        widget.setHidden(true);
}

QLineEdit* makeEdit(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* edit = new QLineEdit(toQString(design.text), parent);
    edit->setPlaceholderText(toQString(design.placeholder));
    applyDesign(*edit, design);
    if (design.kind == ControlKind::PasswordEdit)
        edit->setEchoMode(QLineEdit::Password);
    if (design.kind == ControlKind::UpperCaseEdit)
        edit->setValidator(new UpperCaseValidator(edit));
    return edit;
}

FileEdit* makeFileEdit(std::string_view name, const char* filter, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    FileEdit::Mode mode = design.kind == ControlKind::FolderEdit     ? FileEdit::Mode::Folder
                          : design.kind == ControlKind::SaveFileEdit ? FileEdit::Mode::SaveFile
                                                                     : FileEdit::Mode::OpenFile;
    auto* edit = new FileEdit(mode, filter != nullptr ? QString::fromUtf8(filter) : QString(), parent);
    edit->setText(toQString(design.text));
    applyDesign(*edit, design);
    return edit;
}

QComboBox* makeComboBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* combo = new QComboBox(parent);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(kComboMinimumLength);
    combo->addItems(items(design));
    setComboText(*combo, toQString(design.text));
    keepComboTextUntilChosen(*combo);
    applyDesign(*combo, design);
    return combo;
}

QCheckBox* makeCheckBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* box = new QCheckBox(toQString(design.text), parent);
    applyDesign(*box, design);
    return box;
}

CheckList* makeCheckList(std::string_view name, QWidget* parent, int columns) {
    const ControlDesign& design = controlDesign(name);
    auto* list = new CheckList(items(design), columns, parent);
    applyDesign(*list, design);
    return list;
}

QTableWidget* makeListView(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* list = new QTableWidget(0, 1, parent);
    list->horizontalHeader()->hide();
    list->verticalHeader()->hide();
    list->verticalHeader()->setDefaultSectionSize(list->fontMetrics().height() + 4);
    list->setColumnWidth(0, 2000);
    list->setShowGrid(true);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setWordWrap(false);
    applyDesign(*list, design);
    return list;
}

QSpinBox* makeSpinBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* spin = new QSpinBox(parent);
    spin->setRange(0, 9999);
    spin->setValue(tryStrToInt(design.text).value_or(0));
    applyDesign(*spin, design);
    return spin;
}

NumberBox* makeNumberBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* box = new NumberBox(1, 65535, parent);
    box->setStoredText(toQString(design.text));
    box->setPlaceholderText(toQString(design.placeholder));
    applyDesign(*box, design);
    return box;
}

QPushButton* makeButton(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* button = new QPushButton(toQString(design.text), parent);
    button->setAutoDefault(false);
    applyDesign(*button, design);
    return button;
}

QToolButton* makeToolButton(std::string_view name, QStyle::StandardPixmap icon, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* button = new QToolButton(parent);
    button->setText(toQString(design.text));
    button->setIcon(button->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    applyDesign(*button, design);
    return button;
}

QGroupBox* makeGroup(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* group = new QGroupBox(toQString(design.text), parent);
    applyDesign(*group, design);
    return group;
}

QLabel* makeLabel(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* label = new QLabel(toQString(design.text), parent);
    applyDesign(*label, design);
    return label;
}

LinkLabel* makeLinkLabel(std::string_view name, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* label = new LinkLabel(toQString(design.text), design.kind == ControlKind::LinkLabel, parent);
    applyDesign(*label, design);
    return label;
}

QLabel* makeFieldLabel(std::string_view name, QWidget* field, QWidget* parent) {
    const ControlDesign& design = controlDesign(name);
    auto* label = new QLabel(toQString(design.label), parent);
    label->setObjectName(toQString(design.name) + "Label");
    label->setBuddy(field);
    return label;
}

} // namespace tervolen
