// The command line of tervolen-cli: each argument list and the command it gives, or its usage error.
#include "app/cli_arguments.h"

#include <gtest/gtest.h>

namespace tervolen {
namespace {

// The command's name, then each field that is set as name=value.
std::string describe(const CliCommand& c) {
    std::string text = c.name;
    auto field = [&text](const char* name, const std::optional<std::string>& value) {
        if (value && !value->empty())
            text += std::string(" ") + name + "=" + *value;
    };
    field("settings", c.settingsFile);
    field("option", c.option);
    field("backup", c.backupFile);
    field("database", c.database);
    field("pageSize", c.pageSize);
    field("bufferSize", c.bufferSize);
    field("file", c.archiveFile);
    field("warning", c.warningHours);
    field("critical", c.criticalHours);
    return text;
}

std::string parsed(const std::vector<std::string>& args) {
    try {
        return describe(parseCliArguments(args));
    } catch (const UsageError& e) {
        return std::string("usage error: ") + e.what();
    }
}

std::string joined(const std::vector<std::string>& args) {
    std::string text;
    for (const std::string& arg : args)
        text += arg + " ";
    return text;
}

struct ParseCase {
    std::vector<std::string> args;
    std::string expected;
};

TEST(CliArguments, EachArgumentListGivesItsCommandOrItsUsageError) {
    const std::vector<ParseCase> cases{
        {{"backup"}, "backup"},
        {{"backup", "--settings", "/etc/t.ini", "--option", "Ignore Limbo"},
         "backup settings=/etc/t.ini option=Ignore Limbo"},
        {{"--settings", "a.ini", "run"}, "run settings=a.ini"},
        {{"run", "--settings", "a.ini", "--settings", "b.ini"}, "run settings=b.ini"},
        {{"restore", "--backup", "x.fbk", "--database", "y.fdb"}, "restore backup=x.fbk database=y.fdb"},
        {{"restore", "--database", "y.fdb", "--page-size", "4096", "--option", "Replace", "--backup", "x.fbk"},
         "restore option=Replace backup=x.fbk database=y.fdb pageSize=4096"},
        {{"validate", "--database", "y.fdb", "--buffer-size", "abc", "--option", "ValidateFull"},
         "validate option=ValidateFull database=y.fdb bufferSize=abc"},
        {{"backup", "--help", "--bogus"}, "--help"},
        {{"--version"}, "--version"},
        {{"paths"}, "paths"},
        {{"paths", "--settings", "a.ini"}, "paths settings=a.ini"},
        {{"paths", "--option", "Replace"}, "usage error: unknown argument: --option"},
        {{"paths", "--database", "y.fdb"}, "usage error: unknown argument: --database"},
        {{}, "usage error: no command given"},
        {{"--settings", "a.ini"}, "usage error: no command given"},
        {{"backup", "--bogus"}, "usage error: unknown argument: --bogus"},
        {{"backup", "run"}, "usage error: unknown argument: run"},
        {{"Backup"}, "usage error: unknown argument: Backup"},
        {{"--option", "Replace", "restore"}, "usage error: unknown argument: --option"},
        {{"run", "--option", "x"}, "usage error: unknown argument: --option"},
        {{"backup", "--database", "y.fdb"}, "usage error: unknown argument: --database"},
        {{"backup", "--page-size", "0"}, "usage error: unknown argument: --page-size"},
        {{"validate", "--page-size", "0", "--database", "y.fdb"}, "usage error: unknown argument: --page-size"},
        {{"restore", "--buffer-size", "1", "--database", "y.fdb"}, "usage error: unknown argument: --buffer-size"},
        {{"restore", "--backup", "--database", "y.fdb"}, "usage error: unknown argument: y.fdb"},
        {{"backup", "--settings"}, "usage error: --settings needs a value"},
        {{"restore", "--backup", "x.fbk", "--database"}, "usage error: --database needs a value"},
        {{"restore", "--database", "y.fdb"}, "usage error: restore needs --backup FILE"},
        {{"restore", "--backup", "x.fbk"}, "usage error: restore needs --database FILE"},
        {{"validate"}, "usage error: validate needs --database FILE"},
        {{"send", "--file", "/b/x.zip", "--settings", "t.ini"}, "send settings=t.ini file=/b/x.zip"},
        {{"send"}, "usage error: send needs --file PATH"},
        {{"send", "--file"}, "usage error: --file needs a value"},
        {{"send", "--file", "x.zip", "--option", "Replace"}, "usage error: unknown argument: --option"},
        {{"backup", "--file", "x.zip"}, "usage error: unknown argument: --file"},
        {{"send", "backup", "--file", "x.zip"}, "usage error: unknown argument: backup"},
        {{"verify", "--backup", "x.fbk", "--settings", "t.ini"}, "verify settings=t.ini backup=x.fbk"},
        {{"verify"}, "usage error: verify needs --backup FILE"},
        {{"verify", "--backup", "x.fbk", "--database", "y.fdb"}, "usage error: unknown argument: --database"},
        {{"verify", "--backup", "x.fbk", "--option", "Replace"}, "usage error: unknown argument: --option"},
        {{"status", "--settings", "t.ini"}, "status settings=t.ini"},
        {{"status", "--critical", "72", "--settings", "t.ini", "--warning", "30"},
         "status settings=t.ini warning=30 critical=72"},
        {{"status"}, "usage error: status needs --settings FILE"},
        {{"status", "--settings", "t.ini", "--warning"}, "usage error: --warning needs a value"},
        {{"backup", "--warning", "3"}, "usage error: unknown argument: --warning"},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(parsed(c.args), c.expected) << joined(c.args);
}

} // namespace
} // namespace tervolen
