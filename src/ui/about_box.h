#pragma once

#include <QDialog>
#include <QFrame>
#include <QStringList>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <string>

class QLabel;

namespace tervolen {

// The credits panel SP: lines of raised text on white that scroll upwards one pixel per step, one step
// every 60 milliseconds. The text starts at the top; once its last line has left the top, it comes in again
// from the bottom.
class ScrollingCredits : public QFrame {
    Q_OBJECT

public:
    static constexpr int kStepMs = 60;
    static constexpr int kStartTop = 4;

    explicit ScrollingCredits(QStringList lines, QWidget* parent = nullptr);

    const QStringList& lines() const { return lines_; }
    // Where the first line is drawn, in pixels from the panel's top.
    int textTop() const { return top_; }
    int textHeight() const;
    const QTimer& timer() const { return timer_; }
    // One step of the scrolling.
    void step();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    static constexpr int kLineFlags = Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap;

    // A long line wraps within the panel's width.
    int lineHeight(const QString& line) const;

    QStringList lines_;
    QTimer timer_;
    int top_ = kStartTop;
};

// The about box FrmSobre: "Tervolen - About", a fixed white dialog of 346 x 290 pixels centred on the main
// window, with the title and version (JvLabel1), a description (Label1), the program's picture (Image), the
// scrolling credits (SP), the machine's free and total physical memory (LbFreeMem, LbTotalMemory) and a Close
// button (BtnAboutClose); Escape closes it too.
class AboutBox : public QDialog {
    Q_OBJECT

public:
    // Gives the shown language's text for an English one.
    using Translate = std::function<std::string(const std::string& text)>;

    static constexpr int kClientWidth = 346;
    static constexpr int kClientHeight = 290;

    // Fills the box as it opens (FormCreate); throws Error when the system tells no memory figures.
    explicit AboutBox(QWidget& mainWindow, const Translate& translate = {});

    ScrollingCredits& credits() const { return *credits_; }

private:
    ScrollingCredits* credits_;
};

// A memory figure in MiB or GiB with the number format of the default locale ("22.7 GiB", "22,7 GiB").
QString memorySize(std::uint64_t bytes);

// LbAboutClick: shows the about box, owned by the main window, modally; it is gone once closed.
void lbAboutClick(QWidget& mainWindow, const AboutBox::Translate& translate);

} // namespace tervolen
