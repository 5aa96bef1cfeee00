#pragma once

#include <QString>
#include <QWidget>

#include <functional>

class QLineEdit;
class QToolButton;

namespace tervolen {

// Picker filters: pairs of description and patterns, all separated by "|"; patterns separated by ";".
inline constexpr const char* kDatabaseFileFilter =
    "InterBase and Firebird Files(*.ib, *.fdb, *.gdb)|*.ib; *.fdb; *.gdb";
inline constexpr const char* kBackupFileFilter =
    "InterBase and FireBird Backup files(*.ibk;*.gbk;*.fbk)|*.ibk;*.gbk;*.fbk|Any File|*.*";
#ifdef _WIN32
inline constexpr const char* kClientLibraryFilter = "Library (gds32.dll, fbclient.dll)|*.dll";
#else
// The client library here is a shared object (libfbclient.so.2), which "*.dll" would never show.
inline constexpr const char* kClientLibraryFilter = "Library (libfbclient.so, libgds.so)|*.so;*.so.*";
#endif
inline constexpr const char* kCertificateFilter = "Certificates (*.pem, *.crt)|*.pem;*.crt|Any File|*.*";

inline constexpr const char* kCertificateFileFilter = "PEM certificates (*.pem, *.crt)|*.pem;*.crt|Any File|*.*";

// Turns a filter of the form above into Qt's "description (patterns);;..." form.
QString qtFileFilter(const QString& filter);

// An edit with a button that opens a file, save-as or folder picker. The chosen path goes into the edit
// unchanged; the next picker opens in the folder of the last choice.
class FileEdit : public QWidget {
    Q_OBJECT

public:
    enum class Mode { OpenFile, SaveFile, Folder };
    // Shows a picker; returns the chosen path, or an empty text when cancelled.
    using Picker = std::function<QString(Mode mode, const QString& startFolder, const QString& qtFilter)>;

    FileEdit(Mode mode, const QString& filter, QWidget* parent = nullptr);

    QString text() const;
    void setText(const QString& text);
    Mode mode() const { return mode_; }
    QString filter() const { return filter_; }
    QLineEdit* lineEdit() const { return edit_; }
    QToolButton* button() const { return button_; }

    // Replaces the platform's pickers (tests answer them this way).
    void setPicker(Picker picker) { picker_ = std::move(picker); }
    // The folder the next picker opens in: that of the last choice, else that of the current text.
    QString startFolder() const;
    // Shows the picker and takes the chosen path.
    void pick();

signals:
    // The user typed or picked a new text.
    void textEdited(const QString& text);

private:
    QString defaultPick(Mode mode, const QString& startFolder, const QString& qtFilter);

    Mode mode_;
    QString filter_;
    QLineEdit* edit_;
    QToolButton* button_;
    Picker picker_;
    QString lastFolder_;
};

} // namespace tervolen
