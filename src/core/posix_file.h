#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>

namespace tervolen {

// An open file descriptor, closed on destruction.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.release()) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        reset(other.release());
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }
    void reset(int fd = -1) {
        if (fd_ >= 0)
            ::close(fd_);
        fd_ = fd;
    }

private:
    int fd_;
};

// A regular file opened once for reading and read through its descriptor from then on, so that a name swapped
// for a link or another file afterwards changes nothing. Readers use ReadAt (pread), so several readers can share
// one descriptor whatever its offset.
struct OpenedFile {
    std::string path; // the name it was opened under, for messages
    FileDescriptor fd;
};

// Opens path read-only without following a link at its name (O_NOFOLLOW) and checks that it is a regular file.
// Throws Error "Cannot open file" with path and the system's reason (a link gives "Too many levels of symbolic
// links", anything other than a regular file "Not a regular file").
OpenedFile openRegularFile(const std::string& path);

// Up to size bytes of file from offset; 0 at its end. Throws Error "Cannot read file" with the path and reason.
std::size_t readAt(const OpenedFile& file, char* buffer, std::size_t size, std::uint64_t offset);

// The size of the open file now. Throws Error "Cannot read file" with the path and reason.
std::uint64_t fileSize(const OpenedFile& file);

// An unnamed file in memory that holds content, its offset at the start; name only labels it for messages.
// Throws Error "Cannot create file" or "Cannot write file" with name and the system's reason.
FileDescriptor memoryFile(const std::string& name, const std::string& content);

// Opens path read-only for reading it through once. A missing file gives std::nullopt when missingIsNone; any
// other failure, and a folder at the name, throws Error "Cannot open file" with shownPath and the system's reason.
std::optional<FileDescriptor> openToRead(const std::string& path, const std::string& shownPath, bool missingIsNone);

// One read of up to size bytes at the descriptor's offset, retried when a signal cut it short; 0 at the end.
// Throws Error "Cannot read file" with path and the system's reason.
std::size_t readSome(int fd, const std::string& path, char* buffer, std::size_t size);

// Reads from the descriptor's offset to the end, in chunks of 64 KiB at most. Throws as ReadSome.
void readToEnd(int fd, const std::string& path, const std::function<void(std::string_view chunk)>& onChunk);

// A temporary file that is removed on destruction unless kept.
class TemporaryFile {
public:
    explicit TemporaryFile(std::string path) : path_(std::move(path)) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile() {
        if (!path_.empty())
            ::unlink(path_.c_str());
    }
    const std::string& path() const { return path_; }
    void keep() { path_.clear(); }

private:
    std::string path_;
};

// Hidden temporary files ".<name>.tervolen-XXXXXX" (name cut to 200 bytes) in which a file called name is
// assembled before it is renamed into place. Its writer holds an exclusive flock on it while it lives, so a
// temporary that can be locked was left by a writer that died.

// A new hidden temporary file for name in folder, opened for reading and writing with mode (less the umask) and
// locked; its path goes to path. Stale temporaries of name in folder are removed first. Keep the descriptor
// open until the file has its final name. Throws Error "Cannot create file" with shownPath (the file the user
// knows; the temporary name when empty) and the system's reason.
FileDescriptor createHiddenTemporary(const std::string& folder, const std::string& name, std::string& path,
                                     const std::string& shownPath = {}, unsigned mode = 0600);

// Removes the temporaries in folder that no live writer holds, of name and of every other name with name's
// extension: a killed writer's temporary was for a name that the next run may never write again.
void removeStaleTemporaries(const std::string& folder, const std::string& name);

// Whether entry (a name in a folder) is the name of a hidden temporary file for name.
bool isHiddenTemporary(std::string_view entry, const std::string& name);

// Whether entry is the name of a hidden temporary file for name or for another name with name's extension.
bool isHiddenTemporaryOfKind(std::string_view entry, const std::string& name);

// Puts the folder's entries (a rename done in it) on stable storage; failures are ignored.
void syncFolder(const std::string& folder);

// Throws Error: what, the path in double quotes, ". " and the system's text for code.
[[noreturn]] void throwFileError(const std::string& what, const std::string& path, int code);

} // namespace tervolen
