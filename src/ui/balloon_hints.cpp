#include "ui/balloon_hints.h"

#include <QApplication>
#include <QProxyStyle>

namespace tervolen {

namespace {

constexpr int kHintDelayMs = 400;

class HintDelayStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_ToolTip_WakeUpDelay)
            return kHintDelayMs;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

void setupBalloonHints(QApplication& application) {
    // The application takes the style over.
    application.setStyle(new HintDelayStyle);
}

} // namespace tervolen
