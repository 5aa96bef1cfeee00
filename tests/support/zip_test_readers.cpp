#include "zip_test_readers.h"

#include "temp_dir.h"
#include "test_config.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>

namespace tervolen::test {

namespace {

// argv: archive, exact (0/1), then name and source pairs. Prints the entry names, one a line, then "ok".
constexpr const char* kPythonCheck = R"(
import sys, zipfile
archive, exact, rest = sys.argv[1], sys.argv[2] == "1", sys.argv[3:]
expected = dict(zip(rest[::2], rest[1::2]))
with zipfile.ZipFile(archive) as z:
    names = [info.filename for info in z.infolist()]
    if exact and names != rest[::2]:
        sys.exit("entries %r, expected %r" % (names, rest[::2]))
    for info in z.infolist():
        source = open(expected[info.filename], "rb") if info.filename in expected else None
        with z.open(info) as entry:
            while True:
                piece = entry.read(1 << 20)
                if source is not None and piece != source.read(len(piece)):
                    sys.exit("entry %s differs from its source" % info.filename)
                if not piece:
                    break
        if source is not None and source.read(1):
            sys.exit("entry %s is shorter than its source" % info.filename)
    for name in names:
        print(name)
print("ok")
)";

std::string pythonScript() {
    static const TempDir folder;
    static const std::string path = [] {
        writeFile(folder.file("zip_check.py"), kPythonCheck);
        return folder.file("zip_check.py");
    }();
    return path;
}

std::string pythonCheck(const std::string& archive, const std::vector<ExpectedEntry>& entries, bool exact,
                        int& status) {
    std::string command =
        shellQuote(kPython3) + " " + shellQuote(pythonScript()) + " " + shellQuote(archive) + (exact ? " 1" : " 0");
    for (const ExpectedEntry& entry : entries)
        command += " " + shellQuote(entry.name) + " " + shellQuote(entry.sourcePath);
    std::string output;
    status = runCommand(command, &output);
    return output;
}

} // namespace

std::string shellQuote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

void expectReadersAccept(const std::string& archive, const std::vector<ExpectedEntry>& entries, bool exactEntries,
                         uint64_t extractLimit) {
    std::string output;
    EXPECT_EQ(runCommand("unzip -t -qq " + shellQuote(archive), &output), 0) << "unzip -t: " << output;
    EXPECT_EQ(runCommand("7z t -bd " + shellQuote(archive), &output), 0) << "7z t: " << output;
    EXPECT_EQ(runCommand("bsdtar -tf " + shellQuote(archive) + " >/dev/null", &output), 0) << "bsdtar -t: " << output;
    int status = 0;
    output = pythonCheck(archive, entries, exactEntries, status);
    EXPECT_EQ(status, 0) << "python zipfile: " << output;
    for (const ExpectedEntry& entry : entries) {
        if (std::filesystem::file_size(entry.sourcePath) > extractLimit)
            continue;
        // unzip takes wildcards in entry names; the names of these tests hold none.
        EXPECT_EQ(runCommand("unzip -p " + shellQuote(archive) + " " + shellQuote(entry.name) + " | cmp -s - " +
                                 shellQuote(entry.sourcePath),
                             &output),
                  0)
            << "unzip -p " << entry.name << ": " << output;
        EXPECT_EQ(runCommand("7z e -so -bd " + shellQuote(archive) + " " + shellQuote(entry.name) + " 2>/dev/null" +
                                 " | cmp -s - " + shellQuote(entry.sourcePath),
                             &output),
                  0)
            << "7z e " << entry.name << ": " << output;
        EXPECT_EQ(runCommand("bsdtar -xOf " + shellQuote(archive) + " " + shellQuote(entry.name) + " | cmp -s - " +
                                 shellQuote(entry.sourcePath),
                             &output),
                  0)
            << "bsdtar -x " << entry.name << ": " << output;
    }
}

std::vector<std::string> pythonEntryNames(const std::string& archive) {
    int status = 0;
    std::string output = pythonCheck(archive, {}, false, status);
    EXPECT_EQ(status, 0) << output;
    std::vector<std::string> names;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line) && line != "ok";)
        names.push_back(line);
    return names;
}

} // namespace tervolen::test
