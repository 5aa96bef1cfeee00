#pragma once

#include <QAbstractButton>

namespace tervolen {

// A caption of the command strip. "&" marks the mnemonic letter, as on a button. A link shows a hand
// cursor and turns red and underlined under the mouse; a plain caption keeps its look. It takes the focus
// (drawn as the style's focus frame) and acts on Space and Enter.
class LinkLabel : public QAbstractButton {
    Q_OBJECT

public:
    LinkLabel(const QString& text, bool link, QWidget* parent = nullptr);

    bool isLink() const { return link_; }
    bool hovered() const { return hovered_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool link_;
    bool hovered_ = false;
};

} // namespace tervolen
