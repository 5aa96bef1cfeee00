// Saves a PNG of every page of the main window: screenshots OUTPUT_FOLDER LANGUAGE_FILE... (run by
// scripts/screenshots under Xvfb), at the smallest size and at 1.5 times it, named <language>-<page>-<size>.png,
// and the whole content of the Schedule page's expanded Basic Options (server, mail and FTP settings with their
// test buttons) as <language>-basic-options.png.
#include "core/monitor_log.h"
#include "scripted_dialogs.h"
#include "test_config.h"
#include "ui/language_loader.h"
#include "ui/main_window.h"
#include "ui/roll_out.h"

#include <QApplication>
#include <QScrollArea>
#include <QTabWidget>

#include <cstdio>
#include <string>

namespace {

void settle() {
    for (int round = 0; round < 3; ++round)
        QCoreApplication::processEvents();
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_FOLDER LANGUAGE_FILE...\n", argv[0]);
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const char* const pages[] = {"schedule", "restore", "validation", "config", "monitor"};
    for (int arg = 2; arg < argc; ++arg) {
        tervolen::test::ScriptedDialogs dialogs;
        tervolen::MonitorLog monitor;
        tervolen::MainWindow window(monitor, dialogs);
        const std::string file = argv[arg];
        if (!tervolen::loadLanguageFile(window, std::string(tervolen::test::kBinaryDir) + "/Lang", file, dialogs))
            return 1;
        window.formState().setText("btnFechar", "");
        window.show();
        const QSize smallest = window.minimumSize();
        const QString prefix = folder + "/" + QString::fromStdString(file.substr(0, file.find('.'))) + "-";
        for (auto [size, name] : {std::pair{smallest, "small"}, std::pair{smallest * 1.5, "large"}}) {
            window.resize(size);
            for (int page = 0; page < 5; ++page) {
                window.pageControl().setCurrentIndex(page);
                settle();
                if (!window.grab().save(prefix + pages[page] + "-" + name + ".png"))
                    return 1;
            }
        }
        auto* rollOut = window.findChild<tervolen::RollOut*>("RollOut");
        if (rollOut == nullptr)
            return 1;
        window.pageControl().setCurrentIndex(0);
        rollOut->setExpanded(true);
        settle();
        if (!rollOut->scrollArea()->widget()->grab().save(prefix + "basic-options.png"))
            return 1;
    }
    return 0;
}
