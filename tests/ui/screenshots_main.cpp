// Saves a PNG of every page of the main window: screenshots OUTPUT_FOLDER LANGUAGE_FILE... (run by
// scripts/screenshots under Xvfb), at the smallest size and at 1.5 times it, named <language>-<page>-<size>.png.
#include "core/monitor_log.h"
#include "scripted_dialogs.h"
#include "test_config.h"
#include "ui/language_loader.h"
#include "ui/main_window.h"

#include <QApplication>
#include <QTabWidget>

#include <cstdio>
#include <string>

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
        for (auto [size, name] : {std::pair{smallest, "small"}, std::pair{smallest * 1.5, "large"}}) {
            window.resize(size);
            for (int page = 0; page < 5; ++page) {
                window.pageControl().setCurrentIndex(page);
                for (int round = 0; round < 3; ++round)
                    QCoreApplication::processEvents();
                const QString path = folder + "/" + QString::fromStdString(file.substr(0, file.find('.'))) + "-" +
                                     pages[page] + "-" + name + ".png";
                if (!window.grab().save(path))
                    return 1;
            }
        }
    }
    return 0;
}
