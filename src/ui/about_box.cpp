#include "ui/about_box.h"

#include "core/control_names.h"
#include "core/memory_status.h"
#include "core/version.h"
#include "ui/control_factory.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace tervolen {

namespace {

constexpr const char* kCaption = "Tervolen - About";
constexpr const char* kDescription = "A Definitive Tool for InterBase and Firebird Backups";
constexpr const char* kFreeMemory = "Free Memory Resources ";
constexpr const char* kTotalMemory = "Total Physical Memory ";
constexpr const char* kClose = "Cl&ose";
constexpr int kTitlePointSize = 20;
constexpr int kPictureSize = 48;

struct CreditLine {
    const char* text;
    bool translated; // names stay as they are
};

constexpr CreditLine kCredits[] = {
    {"Tervolen", false},
    {kDescription, true},
    {"", false},
    {"Developed by Quillon Systems", true},
    {"", false},
    {"Thanks to", true},
    {"The Firebird Project", false},
    {"The Qt Project", false},
    {"Jean-loup Gailly and Mark Adler (zlib)", false},
    {"Julian Seward (bzip2)", false},
    {"", false},
    {"Thank you for using Tervolen!", true},
};

QStringList creditLines(const AboutBox::Translate& translate) {
    QStringList lines;
    for (const CreditLine& line : kCredits)
        lines << toQString(line.translated ? translate(line.text) : std::string(line.text));
    return lines;
}

QLabel* addLabel(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

// JvLabel1: the name and version, large, with a yellow shadow to the upper left.
QLabel* makeTitle(QWidget* parent) {
    QLabel* title = addLabel("JvLabel1", toQString("Tervolen " + readFileVersion()), parent);
    QFont font = parent->font();
    font.setPointSize(kTitlePointSize);
    font.setBold(true);
    title->setFont(font);
    auto* shadow = new QGraphicsDropShadowEffect(title);
    shadow->setColor(Qt::yellow);
    shadow->setOffset(-2, -2);
    shadow->setBlurRadius(0);
    title->setGraphicsEffect(shadow);
    return title;
}

} // namespace

QString memorySize(std::uint64_t bytes) {
    return QLocale().formattedDataSize(static_cast<qint64>(bytes), 1, QLocale::DataSizeIecFormat);
}

ScrollingCredits::ScrollingCredits(QStringList lines, QWidget* parent) : QFrame(parent), lines_(std::move(lines)) {
    setObjectName(controls::SP);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    timer_.setInterval(kStepMs);
    connect(&timer_, &QTimer::timeout, this, &ScrollingCredits::step);
    timer_.start();
}

int ScrollingCredits::lineHeight(const QString& line) const {
    if (line.isEmpty())
        return fontMetrics().lineSpacing();
    return fontMetrics().boundingRect(QRect(0, 0, width(), QWIDGETSIZE_MAX), kLineFlags, line).height();
}

int ScrollingCredits::textHeight() const {
    int height = 0;
    for (const QString& line : lines_)
        height += lineHeight(line);
    return height;
}

void ScrollingCredits::step() {
    top_ = top_ + textHeight() <= 0 ? height() : top_ - 1;
    update();
}

void ScrollingCredits::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    int top = top_;
    for (const QString& line : lines_) {
        QRect row(0, top, width(), lineHeight(line));
        if (row.intersects(rect())) {
            // Raised text: a light edge below and to the right of the letters.
            painter.setPen(QColor(190, 190, 200));
            painter.drawText(row.translated(1, 1), kLineFlags, line);
            painter.setPen(QColor(0, 0, 128));
            painter.drawText(row, kLineFlags, line);
        }
        top += row.height();
    }
}

AboutBox::AboutBox(QWidget& mainWindow, const Translate& translate)
    : QDialog(&mainWindow, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowCloseButtonHint) {
    Translate shown = translate ? translate : [](const std::string& text) { return text; };
    setObjectName(controls::FrmSobre);
    setWindowTitle(toQString(shown(kCaption)));
    setFont(mainWindow.font());
    setMinimumSize(kClientWidth, kClientHeight);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setAutoFillBackground(true);

    auto* image = addLabel("Image", {}, this);
    image->setPixmap(style()->standardIcon(QStyle::SP_DriveHDIcon).pixmap(kPictureSize, kPictureSize));
    image->setAlignment(Qt::AlignTop);
    QLabel* title = makeTitle(this);
    auto* description = addLabel("Label1", toQString(shown(kDescription)), this);
    description->setWordWrap(true);

    credits_ = new ScrollingCredits(creditLines(shown), this);
    const MemoryStatus memory = readMemoryStatus();
    auto* freeMemory = addLabel("LbFreeMem", toQString(shown(kFreeMemory)) + memorySize(memory.freePhysical), this);
    auto* totalMemory =
        addLabel("LbTotalMemory", toQString(shown(kTotalMemory)) + memorySize(memory.totalPhysical), this);
    auto* close = new QPushButton(toQString(shown(kClose)), this);
    close->setObjectName(controls::BtnAboutClose);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(6);
    auto* top = new QHBoxLayout;
    top->setSpacing(10);
    top->addWidget(image);
    auto* heading = new QVBoxLayout;
    heading->addWidget(title);
    heading->addWidget(description);
    top->addLayout(heading, 1);
    layout->addLayout(top);
    layout->addWidget(credits_, 1);
    layout->addWidget(freeMemory);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(totalMemory, 1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    // Longer languages and larger fonts grow the box past its design size instead of cutting texts.
    layout->setSizeConstraint(QLayout::SetMinimumSize);
    resize(sizeHint().expandedTo(minimumSize()));

    move(mainWindow.frameGeometry().center() - rect().center());
}

void lbAboutClick(QWidget& mainWindow, const AboutBox::Translate& translate) {
    AboutBox box(mainWindow, translate);
    box.exec();
}

} // namespace tervolen
