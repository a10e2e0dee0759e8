#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct stat;

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Replaces the file's content so that whatever happens (a crash, a kill, a full disk, another
// program saving the same file at the same time) the file afterwards holds either its complete
// old content or the complete new one:
// - the new content goes to a fresh file in the same folder, created exclusively (an unnamed
//   file where the file system allows it, else a unique name that is never a link), is written
//   and flushed to disk, then renamed over the file, and the folder is flushed too;
// - an existing file keeps its permission bits (and its owner, where that can be set); a new
//   one gets the usual permissions the process's umask allows;
// - a symbolic link is followed and the file it finally names is replaced; the link stays;
// - a file without any write permission bit is refused, not replaced;
// - a device or pipe (/dev/stdout) cannot be replaced and is written directly;
// - with `keepBackup`, the old file, if any, first becomes "<file>.bak", also by a rename, so
//   the backup too is always a complete file;
// - no temporary file is left behind by a failure; what a writer killed in the middle of a
//   save left (a hidden ".<file>.<pid>-<tag>.tmp" or ".bak") goes at the next save of the file.
// System calls interrupted by a signal are repeated. A failure throws Error 75 naming the file,
// the step and the system's reason ("/forms/a.kform: cannot write: No space left on device").
void writeFileAtomically(const std::filesystem::path& file, std::string_view content,
                         bool keepBackup = false);

// The whole content of a regular file of at most `maxBytes` bytes. A missing file is Error 53,
// one that cannot be read Error 75 with the system's reason, a longer one Error 321; each names
// the file. Anything but a regular file (a FIFO, a device, a folder) is Error 75, refused without
// waiting on it.
std::string readFileCapped(const std::filesystem::path& file, std::uintmax_t maxBytes);
// The same, with `check` given the status of the open regular file before anything is read, so
// that a trust check looks at the very file that is read; what it throws reaches the caller.
std::string readFileCapped(const std::filesystem::path& file, std::uintmax_t maxBytes,
                           const std::function<void(const struct ::stat&)>& check);

// An exclusive lock on a file for a read-change-write, held from construction to destruction.
// Programs that change one file through `updateFileAtomically` (or under a `FileLock` of their
// own) take turns: none writes back content another has replaced since it read. The lock is
// an advisory lock on a hidden ".<name>.lock" beside the file a symbolic link finally names; that
// file stays, since removing it would let two writers lock two different files. Failing to make
// the lock file is Error 75 naming the file and the reason.
class FileLock {
 public:
  explicit FileLock(const std::filesystem::path& file);
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  ~FileLock();

 private:
  int fd_;
};

// Changes a file under its `FileLock`: reads it (at most `maxBytes`; no content when it does not
// exist), hands that to `change` and writes what `change` returns with `writeFileAtomically`.
// When `change` returns no content, nothing is written. Errors are those of the read and write.
void updateFileAtomically(
    const std::filesystem::path& file, std::uintmax_t maxBytes,
    const std::function<std::optional<std::string>(const std::optional<std::string>& current)>&
        change,
    bool keepBackup = false);

}  // namespace kadrelle
#pragma GCC visibility pop
