#include "ui/file_edit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStyle>
#include <QToolButton>

namespace tervolen {

QString qtFileFilter(const QString& filter) {
    const QStringList parts = filter.split('|');
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            QString trimmed = pattern.trimmed();
            // "*.*" means every file; on this platform many names have no dot.
            patterns << (trimmed == "*.*" ? QStringLiteral("*") : trimmed);
        }
        // Qt shows the patterns after the name itself, so a name's own "(*.a;*.b)" would show them twice.
        static const QRegularExpression ownPatterns(R"(\s*\([^()]*\*[^()]*\)\s*$)");
        QString name = parts[i];
        name.remove(ownPatterns);
        filters << name + " (" + patterns.join(' ') + ")";
    }
    return filters.join(";;");
}

FileEdit::FileEdit(Mode mode, const QString& filter, QWidget* parent)
    : QWidget(parent), mode_(mode), filter_(filter), edit_(new QLineEdit(this)), button_(new QToolButton(this)) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    layout->addWidget(edit_, 1);
    layout->addWidget(button_);
    button_->setIcon(style()->standardIcon(mode == Mode::Folder ? QStyle::SP_DirOpenIcon : QStyle::SP_FileIcon));
    button_->setFocusPolicy(Qt::StrongFocus);
    button_->setAutoRaise(true);
    setFocusProxy(edit_);
    connect(edit_, &QLineEdit::textEdited, this, &FileEdit::textEdited);
    connect(button_, &QToolButton::clicked, this, &FileEdit::pick);
}

QString FileEdit::text() const {
    return edit_->text();
}

void FileEdit::setText(const QString& text) {
    edit_->setText(text);
}

QString FileEdit::startFolder() const {
    if (!lastFolder_.isEmpty())
        return lastFolder_;
    if (text().isEmpty())
        return {};
    QFileInfo current(text());
    if (mode_ == Mode::Folder && current.isDir())
        return current.filePath();
    return current.dir().exists() ? current.path() : QString();
}

void FileEdit::pick() {
    QString qtFilter = mode_ == Mode::Folder ? QString() : qtFileFilter(filter_);
    QString chosen = picker_ ? picker_(mode_, startFolder(), qtFilter) : defaultPick(mode_, startFolder(), qtFilter);
    if (chosen.isEmpty())
        return;
    lastFolder_ = mode_ == Mode::Folder ? chosen : QFileInfo(chosen).path();
    edit_->setText(chosen);
    emit textEdited(chosen);
}

QString FileEdit::defaultPick(Mode mode, const QString& startFolder, const QString& qtFilter) {
    switch (mode) {
    case Mode::OpenFile:
        return QFileDialog::getOpenFileName(window(), QString(), startFolder, qtFilter);
    case Mode::SaveFile:
        return QFileDialog::getSaveFileName(window(), QString(), startFolder, qtFilter);
    case Mode::Folder:
        return QFileDialog::getExistingDirectory(window(), QString(), startFolder);
    }
    return {};
}

} // namespace tervolen
