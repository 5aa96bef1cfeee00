#include "copies/zip_file_search.h"

#include "core/paths.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>

namespace tervolen {

namespace {

constexpr uint32_t kAttrReadOnly = 0x01;
constexpr uint32_t kAttrHidden = 0x02;
constexpr uint32_t kAttrArchive = 0x20;
constexpr uint32_t kAttrNormal = 0x80;
constexpr uint32_t kAttrNotContentIndexed = 0x2000;
constexpr uint32_t kAttrCompressed = 0x800;
constexpr uint32_t kAttrEncrypted = 0x4000;

char fold(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool isHidden(std::string_view name) {
    return !name.empty() && name.front() == '.';
}

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// The names in a folder, sorted; "." and ".." left out. Empty when the folder cannot be read.
std::vector<std::string> folderNames(const std::string& folder) {
    std::vector<std::string> names;
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir)
        return names;
    while (const dirent* entry = ::readdir(dir.get())) {
        std::string_view name = entry->d_name;
        if (name != "." && name != "..")
            names.emplace_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

class SpecSearch {
public:
    SpecSearch(std::string mask, const ProcessEvents& processEvents)
        : mask_(std::move(mask)), processEvents_(processEvents) {}

    void searchFolder(const std::string& folder, const std::string& relative) {
        std::vector<std::string> subfolders;
        for (const std::string& name : folderNames(folder)) {
            std::string path = folder == "/" ? "/" + name : folder + kPathDelim + name;
            std::string stored = relative.empty() ? name : relative + "/" + name;
            look(path, name, stored, subfolders);
            if (processEvents_)
                processEvents_();
        }
        for (const std::string& name : subfolders)
            searchFolder(folder == "/" ? "/" + name : folder + kPathDelim + name,
                         relative.empty() ? name : relative + "/" + name);
    }

    std::vector<FoundFile> take() { return std::move(found_); }

private:
    void look(const std::string& path, const std::string& name, const std::string& stored,
              std::vector<std::string>& subfolders) {
        struct stat link {};
        if (::lstat(path.c_str(), &link) != 0)
            return;
        // Linked folders are not entered, so that a link cannot lead the search in circles.
        if (S_ISDIR(link.st_mode)) {
            if (!isHidden(name))
                subfolders.push_back(name);
            return;
        }
        // Only regular files: a link could make the archive carry a file that its planter may not read.
        if (!S_ISREG(link.st_mode))
            return;
        if (!matchesMask(name, mask_) || !takesAttributes(dosAttributes(name, link.st_mode)))
            return;
        found_.push_back(FoundFile{path, stored, static_cast<uint64_t>(link.st_size)});
    }

    std::string mask_;
    const ProcessEvents& processEvents_;
    std::vector<FoundFile> found_;
};

} // namespace

bool matchesMask(std::string_view name, std::string_view mask) {
    size_t n = 0, m = 0;
    size_t starMask = std::string_view::npos, starName = 0;
    while (n < name.size()) {
        if (m < mask.size() && mask[m] == '*') {
            starMask = m++;
            starName = n;
        } else if (m < mask.size() && (mask[m] == '?' || fold(mask[m]) == fold(name[n]))) {
            ++m;
            ++n;
        } else if (starMask != std::string_view::npos) {
            m = starMask + 1;
            n = ++starName;
        } else {
            return false;
        }
    }
    while (m < mask.size() && mask[m] == '*')
        ++m;
    return m == mask.size();
}

uint32_t dosAttributes(std::string_view fileName, unsigned mode) {
    uint32_t attributes = kAttrArchive;
    if ((mode & 0222) == 0)
        attributes |= kAttrReadOnly;
    if (isHidden(fileName))
        attributes |= kAttrHidden;
    return attributes;
}

bool takesAttributes(uint32_t attributes) {
    constexpr uint32_t taken = kAttrArchive | kAttrReadOnly | kAttrCompressed | kAttrEncrypted | kAttrNotContentIndexed;
    return (attributes & taken) != 0 || (attributes & ~kAttrNormal) == 0;
}

std::vector<FoundFile> findSpecFiles(const std::string& spec, const ProcessEvents& processEvents) {
    size_t slash = spec.rfind(kPathDelim);
    std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : spec.substr(0, slash);
    std::string mask = slash == std::string::npos ? spec : spec.substr(slash + 1);
    SpecSearch search(mask, processEvents);
    search.searchFolder(folder, "");
    return search.take();
}

} // namespace tervolen
