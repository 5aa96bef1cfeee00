#pragma once

#include "app/program.h"
#include "core/headless_form.h"
#include "core/settings_file.h"
#include "firebird_server.h"
#include "fixed_clock.h"
#include "scripted_dialogs.h"
#include "temp_dir.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <memory>

namespace tervolen::test {

// The program on a headless form with scripted dialogs and a fixed clock, backing up a copy of the private Firebird
// server's database through embedded access (protocol LOCAL) into dir/backups with ZIP compression. The test's
// executable links tervolen_app.
class EmbeddedProgramTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto& server = theFirebirdServer();
        // Embedded access locks the database file: other test programs must not share it.
        std::filesystem::copy_file(server.embeddedDatabase, dir.file("source.fdb"));
        setDatabase(dir.file("source.fdb"));
        Program::Options options;
        options.registerAutostart = false;
        program = std::make_unique<Program>(
            form, dialogs, monitor, paths, clock, [] {}, options);
        program->startup();
        form.setText("eDirBackup", dir.file("backups"));
        form.setText("CB_Protocol", "LOCAL");
        form.setText("ClientLibFilenameEdit", server.clientLibrary);
        form.setText("EdUserName", "SYSDBA");
        form.setText("CB_BkpExt", ".fbk");
        form.setChecked("ChkBoxCompress", true);
    }

    // The database and the backup folder in the settings file, as the schedule reads them.
    void setDatabase(const std::string& path) {
        withSettings(paths.settingsFile, [&](SettingsFile& s) {
            s.writeText("DIRECTORYS", "Base", path);
            s.writeText("DIRECTORYS", "BackUpDir", dir.file("backups"));
        });
    }

    TempDir dir;
    AppPaths paths{dir.path(), dir.file("tervolen.ini")};
    HeadlessForm form;
    ScriptedDialogs dialogs;
    MonitorLog monitor;
    FixedClock clock;
    std::unique_ptr<Program> program;
};

} // namespace tervolen::test
