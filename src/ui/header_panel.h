#pragma once

#include <QLabel>

class QToolButton;

namespace tervolen {

// The window's header (GradientHeaderPanel): a white bold caption on a horizontal gradient from violet to
// sky blue, with the hide button (btnHide) and the close button (btnFechar) at its right end.
class HeaderPanel : public QLabel {
    Q_OBJECT

public:
    static constexpr int kHeight = 27;
    static inline const QColor kStartColor{232, 123, 240};
    static inline const QColor kEndColor{135, 206, 235}; // sky blue

    explicit HeaderPanel(QWidget* parent = nullptr);

    QToolButton* hideButton() const { return hide_; }
    QToolButton* closeButton() const { return close_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QToolButton* hide_;
    QToolButton* close_;
};

} // namespace tervolen
