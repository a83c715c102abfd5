#pragma once

#include <string>
#include <string_view>

namespace dravik::sys {

// A file that appears whole or not at all. Open makes a temporary file in
// the target's folder, so a target that cannot be written shows before any
// work is done; Commit writes the bytes there and renames it over the target
// only when every byte is on disk. Until then the old file, if any, stays as
// it was; the temporary file is removed if the program stops first, on an
// error, or on SIGINT, SIGTERM or SIGHUP. A target that is a device or a
// pipe is written in place instead (it cannot be replaced), and one reached
// through a symbolic link is replaced where the link points.
class AtomicFile {
public:
    AtomicFile() = default;
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    // False, with the system's reason in `error`, when the target cannot be written.
    bool Open(const std::string& path, std::string& error);
    // Writes the whole file and puts it in place; false, with the system's
    // reason in `error`, if any step fails (then the target is untouched).
    bool Commit(std::string_view bytes, std::string& error);

private:
    void Discard();

    std::string path_;
    std::string temporary_;
    int fd_ = -1;
    bool inPlace_ = false;  // a device or a pipe, written directly
};

}  // namespace dravik::sys
