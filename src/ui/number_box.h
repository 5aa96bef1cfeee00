#pragma once

#include <QSpinBox>

#include <optional>

namespace tervolen {

// A spin box of whole numbers from minimum to maximum that keeps a stored text it cannot show as a number (empty,
// no number, out of range, or a number written otherwise, such as "0587") exactly as it is until the user changes
// the value; a text outside the range is marked (see outside_choices.h). An empty box shows its placeholder.
class NumberBox : public QSpinBox {
    Q_OBJECT

public:
    NumberBox(int minimum, int maximum, QWidget* parent = nullptr);

    QString storedText() const;
    void setStoredText(const QString& text);
    void setPlaceholderText(const QString& text);
    QString placeholderText() const;
    void stepBy(int steps) override;

signals:
    // The user typed or stepped a value.
    void userEdited();

protected:
    QString textFromValue(int value) const override;

private:
    void dropKeptText();

    std::optional<QString> kept_;
};

} // namespace tervolen
