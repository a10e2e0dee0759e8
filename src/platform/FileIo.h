#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

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

// The whole content of a file of at most `maxBytes` bytes. A missing file is Error 53, one that
// cannot be read Error 75 with the system's reason, a longer one Error 321; each names the file.
std::string readFileCapped(const std::filesystem::path& file, std::uintmax_t maxBytes);

}  // namespace kadrelle
#pragma GCC visibility pop
