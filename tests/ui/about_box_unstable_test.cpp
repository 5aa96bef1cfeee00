#include "core/startup.h"
#include "qt_application.h"
#include "ui/about_box.h"

#include <QLabel>
#include <QWidget>

#include <gtest/gtest.h>

namespace tervolen {
namespace {

// Built with an empty version, as a build without one is.
TEST(AboutBoxUnstableTest, ABuildWithoutVersionReadsUnstable) {
    QWidget window;
    AboutBox box(window);
    EXPECT_EQ(box.findChild<QLabel*>("JvLabel1")->text(), "Tervolen Unstable");
    EXPECT_EQ(headerCaption(), "Quillon Systems Tervolen Unstable");
}

} // namespace
} // namespace tervolen
