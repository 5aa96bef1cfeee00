#pragma once

#include <QFrame>
#include <QList>

class QTabWidget;

namespace tervolen {

// The command strip (Panel1): the page control JvgPageControl2 with flat tabs "&Actions", "&Language"
// and "&Help", each holding a row of link labels.
class CommandStrip : public QFrame {
    Q_OBJECT

public:
    static constexpr int kHeight = 55;

    explicit CommandStrip(QWidget* parent = nullptr);

    QTabWidget* pageControl() const { return pages_; }
    // Surfaces that drag the window: the page control, its tab bar and the Actions and Language tabs.
    QList<QWidget*> dragSurfaces() const;

protected:
    bool event(QEvent* event) override;

private:
    QWidget* addTab(const char* name);

    QTabWidget* pages_;
};

} // namespace tervolen
