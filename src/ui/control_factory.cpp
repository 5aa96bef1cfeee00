#include "ui/control_factory.h"

#include "core/text_conversion.h"
#include "ui/check_list.h"
#include "ui/file_edit.h"
#include "ui/link_label.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
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
        input = ToQString(UpperCase(input.toStdString()));
        return Acceptable;
    }
};

QStringList Items(const ControlDesign& design) {
    QStringList items;
    for (auto text : design.items)
        items << ToQString(text);
    return items;
}

} // namespace

QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const ControlDesign& Design(std::string_view name) {
    const ControlDesign* design = FindControlDesign(name);
    if (design == nullptr)
        throw std::logic_error("no control named " + std::string(name) + " in the window design");
    return *design;
}

void ApplyDesign(QWidget& widget, const ControlDesign& design) {
    widget.setObjectName(ToQString(design.name));
    if (!design.hint.empty())
        widget.setToolTip(ToQString(design.hint));
    if (!design.enabled)
        widget.setEnabled(false);
    if (!design.visible)
        widget.setHidden(true);
}

QLineEdit* MakeEdit(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* edit = new QLineEdit(ToQString(design.text), parent);
    edit->setPlaceholderText(ToQString(design.placeholder));
    ApplyDesign(*edit, design);
    if (design.kind == ControlKind::PasswordEdit)
        edit->setEchoMode(QLineEdit::Password);
    if (design.kind == ControlKind::UpperCaseEdit)
        edit->setValidator(new UpperCaseValidator(edit));
    return edit;
}

FileEdit* MakeFileEdit(std::string_view name, const char* filter, QWidget* parent) {
    const ControlDesign& design = Design(name);
    FileEdit::Mode mode = design.kind == ControlKind::FolderEdit     ? FileEdit::Mode::Folder
                          : design.kind == ControlKind::SaveFileEdit ? FileEdit::Mode::SaveFile
                                                                     : FileEdit::Mode::OpenFile;
    auto* edit = new FileEdit(mode, filter != nullptr ? QString::fromUtf8(filter) : QString(), parent);
    edit->setText(ToQString(design.text));
    ApplyDesign(*edit, design);
    return edit;
}

QComboBox* MakeComboBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(kComboMinimumLength);
    combo->addItems(Items(design));
    combo->setCurrentIndex(design.itemIndex);
    combo->setEditText(ToQString(design.text));
    ApplyDesign(*combo, design);
    return combo;
}

QCheckBox* MakeCheckBox(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* box = new QCheckBox(ToQString(design.text), parent);
    ApplyDesign(*box, design);
    return box;
}

CheckList* MakeCheckList(std::string_view name, QWidget* parent, int columns) {
    const ControlDesign& design = Design(name);
    auto* list = new CheckList(Items(design), columns, parent);
    ApplyDesign(*list, design);
    return list;
}

QTableWidget* MakeListView(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
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
    ApplyDesign(*list, design);
    return list;
}

QPushButton* MakeButton(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* button = new QPushButton(ToQString(design.text), parent);
    button->setAutoDefault(false);
    ApplyDesign(*button, design);
    return button;
}

QToolButton* MakeToolButton(std::string_view name, QStyle::StandardPixmap icon, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* button = new QToolButton(parent);
    button->setText(ToQString(design.text));
    button->setIcon(button->style()->standardIcon(icon));
    button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::TabFocus);
    ApplyDesign(*button, design);
    return button;
}

QGroupBox* MakeGroup(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* group = new QGroupBox(ToQString(design.text), parent);
    ApplyDesign(*group, design);
    return group;
}

QLabel* MakeLabel(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* label = new QLabel(ToQString(design.text), parent);
    ApplyDesign(*label, design);
    return label;
}

LinkLabel* MakeLinkLabel(std::string_view name, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* label = new LinkLabel(ToQString(design.text), design.kind == ControlKind::LinkLabel, parent);
    ApplyDesign(*label, design);
    return label;
}

QLabel* MakeFieldLabel(std::string_view name, QWidget* field, QWidget* parent) {
    const ControlDesign& design = Design(name);
    auto* label = new QLabel(ToQString(design.label), parent);
    label->setObjectName(ToQString(design.name) + "Label");
    label->setBuddy(field);
    return label;
}

} // namespace tervolen
