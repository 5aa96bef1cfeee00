#pragma once

#include <string>
#include <vector>

namespace tervolen::test {

// A fresh folder under the system's temporary folder, removed with everything in it at the end.
class TempDir {
public:
    TempDir();
    // Under parent instead of the system's temporary folder.
    explicit TempDir(const std::string& parent);
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    ~TempDir();

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string readFile(const std::string& path);
// Every name in a folder, hidden ones included, sorted; empty when the folder is missing.
std::vector<std::string> listing(const std::string& folder);
void writeFile(const std::string& path, const std::string& content);

// Runs a shell command; returns its exit status and puts its standard output (and error) into output.
int runCommand(const std::string& command, std::string* output = nullptr);

} // namespace tervolen::test
