#include "platform/FileIo.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <random>

#include "platform/Error.h"

namespace kadrelle {

namespace fs = std::filesystem;

namespace {

// Repeats a system call that a signal interrupted.
template <class Call>
auto retry(Call call) {
  auto result = call();
  while (result < 0 && errno == EINTR) result = call();
  return result;
}

class Descriptor {
 public:
  explicit Descriptor(int fd = -1) : fd_(fd) {}
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  void reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int get() const { return fd_; }
  // Closes now, reporting the result (a deferred write error can show up here). Not repeated
  // on EINTR: Linux has released the descriptor either way.
  int close() {
    const int fd = fd_;
    fd_ = -1;
    return ::close(fd);
  }

 private:
  int fd_;
};

[[noreturn]] void fail(const fs::path& file, const std::string& step, int code) {
  throw Error::fileAccess(file.string(), step + ": " + std::strerror(code));
}

bool writeAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    text.remove_prefix(static_cast<std::size_t>(n));
  }
  return true;
}

// The file a path finally names: symbolic links are followed, relative ones from their folder.
fs::path finalTarget(const fs::path& file) {
  fs::path at = file;
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
    char buffer[PATH_MAX];
    const ssize_t n = ::readlink(at.c_str(), buffer, sizeof buffer);
    if (n < 0) fail(file, "cannot follow the link", errno);
    if (static_cast<std::size_t>(n) == sizeof buffer)
      fail(file, "cannot follow the link", ENAMETOOLONG);
    const fs::path target(std::string(buffer, static_cast<std::size_t>(n)));
    at = target.is_absolute() ? target : at.parent_path() / target;
  }
  fail(file, "cannot follow the link", ELOOP);
}

// A name in the folder that no other writer picks: ".<name>.<pid>-<random>.<kind>".
std::string uniqueName(const std::string& name, const char* kind) {
  static std::atomic<unsigned> counter{0};
  static const unsigned seed = std::random_device{}();
  char tail[40];
  std::snprintf(tail, sizeof tail, ".%ld-%08x.%s", static_cast<long>(::getpid()),
                seed ^ (counter.fetch_add(1) * 2654435761u), kind);
  return "." + name.substr(0, 200) + tail;
}

// True when `entry` is a name uniqueName gave for `name` in a process that no longer runs.
bool orphaned(std::string_view entry, const std::string& name) {
  const std::string prefix = "." + name.substr(0, 200) + ".";
  if (!entry.starts_with(prefix)) return false;
  entry.remove_prefix(prefix.size());
  long pid = 0;
  const auto [end, ec] = std::from_chars(entry.data(), entry.data() + entry.size(), pid);
  const std::string_view rest(end, static_cast<std::size_t>(entry.data() + entry.size() - end));
  if (ec != std::errc() || pid <= 0 || rest.size() != 13 || rest[0] != '-' || rest[9] != '.' ||
      (rest.substr(10) != "tmp" && rest.substr(10) != "bak"))
    return false;
  for (char c : rest.substr(1, 8))
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  return ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

// Gives `makeLink` fresh unique names until one is free; returns the name, or "" with errno set.
template <class MakeLink>
std::string linkUnique(const std::string& name, const char* kind, MakeLink makeLink) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string candidate = uniqueName(name, kind);
    if (makeLink(candidate.c_str()) == 0) return candidate;
    if (errno != EEXIST) return {};
  }
  return {};
}

class Folder {
 public:
  Folder(const fs::path& file, const fs::path& path) : path_(path.empty() ? "." : path) {
    fd_.reset(retry([&] { return ::open(path_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); }));
    if (fd_.get() < 0) fail(file, "cannot open the folder " + path_.string(), errno);
  }
  int fd() const { return fd_.get(); }

  // Puts the content under `name` by renaming a completely written and flushed new file over
  // it. `shown` is the file named in errors; `old` the replaced file, whose mode is kept.
  void replace(const std::string& name, const fs::path& shown, std::string_view content,
               const struct stat* old) const {
    const int dir = fd_.get();
    std::string temporary;  // the new file's name once it has one
    Descriptor out(
        retry([&] { return ::openat(dir, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666); }));
    const bool unnamed = out.get() >= 0;
    if (!unnamed) {
      temporary = linkUnique(name, "tmp", [&](const char* candidate) {
        out.reset(retry([&] {
          return ::openat(dir, candidate, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                          0666);
        }));
        return out.get() >= 0 ? 0 : -1;
      });
      if (temporary.empty())
        fail(shown, "cannot create a temporary file in " + path_.string(), errno);
    }
    try {
      if (old) {
        if (::fchmod(out.get(), old->st_mode & 07777) != 0)
          fail(shown, "cannot keep the file's mode", errno);
        if (::geteuid() == 0) (void)!::fchown(out.get(), old->st_uid, old->st_gid);
      }
      if (!writeAll(out.get(), content) || retry([&] { return ::fsync(out.get()); }) != 0)
        fail(shown, "cannot write", errno);
      if (unnamed) {
        const std::string self = "/proc/self/fd/" + std::to_string(out.get());
        temporary = linkUnique(name, "tmp", [&](const char* candidate) {
          if (::linkat(out.get(), "", dir, candidate, AT_EMPTY_PATH) == 0) return 0;
          if (errno == EEXIST) return -1;
          return ::linkat(AT_FDCWD, self.c_str(), dir, candidate, AT_SYMLINK_FOLLOW);
        });
        if (temporary.empty()) fail(shown, "cannot name the new file in " + path_.string(), errno);
      }
      if (out.close() != 0) fail(shown, "cannot write", errno);
      if (::renameat(dir, temporary.c_str(), dir, name.c_str()) != 0)
        fail(shown, "cannot replace the file", errno);
    } catch (...) {
      if (!temporary.empty()) ::unlinkat(dir, temporary.c_str(), 0);
      throw;
    }
  }

  // Removes the temporaries and backup links that writers killed in the middle of saving `name`
  // left behind. Those of running processes (another writer saving now) stay.
  void sweep(const std::string& name) const {
    const int fd = ::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    DIR* entries = ::fdopendir(fd);
    if (!entries) {
      ::close(fd);
      return;
    }
    while (const dirent* entry = ::readdir(entries))
      if (orphaned(entry->d_name, name)) ::unlinkat(fd_.get(), entry->d_name, 0);
    ::closedir(entries);
  }

  // Makes the renames durable. Folders that cannot be flushed (EINVAL) are left as they are.
  void flush(const fs::path& shown) const {
    if (retry([&] { return ::fsync(fd_.get()); }) != 0 && errno != EINVAL)
      fail(shown, "cannot flush the folder " + path_.string(), errno);
  }

 private:
  fs::path path_;
  Descriptor fd_;
};

void writeInPlace(const fs::path& file, const fs::path& real, std::string_view content) {
  Descriptor out(retry([&] { return ::open(real.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY); }));
  if (out.get() < 0) fail(file, "cannot open", errno);
  if (!writeAll(out.get(), content)) fail(file, "cannot write", errno);
  if (out.close() != 0) fail(file, "cannot write", errno);
}

}  // namespace

void writeFileAtomically(const fs::path& file, std::string_view content, bool keepBackup) {
  if (file.empty()) throw Error(Error::kFileAccess, "Cannot save: no file name was given");
  const fs::path real = finalTarget(file);
  const std::string name = real.filename().string();
  if (name.empty() || name == "." || name == "..") fail(file, "cannot save", EISDIR);
  const Folder folder(file, real.parent_path());
  const int dir = folder.fd();

  struct stat old;
  const bool exists = ::fstatat(dir, name.c_str(), &old, AT_SYMLINK_NOFOLLOW) == 0;
  if (!exists && errno != ENOENT) fail(file, "cannot save", errno);
  if (exists) {
    if (S_ISCHR(old.st_mode) || S_ISFIFO(old.st_mode)) return writeInPlace(file, real, content);
    if (S_ISDIR(old.st_mode)) fail(file, "cannot save", EISDIR);
    if (!S_ISREG(old.st_mode)) fail(file, "cannot save over something that is not a file", EINVAL);
    if ((old.st_mode & 0222) == 0)
      throw Error::fileAccess(file.string(), "cannot save: the file is read-only");
    if (::faccessat(dir, name.c_str(), W_OK, AT_EACCESS) != 0) fail(file, "cannot save", errno);
  }

  if (keepBackup && exists) {
    // The backup is the old file itself, given its second name by a rename, or a safely
    // written copy where the file system has no hard links.
    const std::string backup = name + ".bak";
    const fs::path shownBackup = real.string() + ".bak";
    // Linux refuses (ENOENT) to link a file that another writer's rename has just replaced; the
    // name then names the newer file, which is linked instead.
    const std::string link = linkUnique(name, "bak", [&](const char* candidate) {
      int result = ::linkat(dir, name.c_str(), dir, candidate, 0);
      for (int again = 0; result != 0 && errno == ENOENT && again < 100; ++again)
        result = ::linkat(dir, name.c_str(), dir, candidate, 0);
      return result;
    });
    if (!link.empty()) {
      if (::renameat(dir, link.c_str(), dir, backup.c_str()) != 0) {
        const int code = errno;
        ::unlinkat(dir, link.c_str(), 0);
        fail(shownBackup, "cannot replace the backup", code);
      }
      // A rename between two names of one file (another writer made the same backup a moment
      // ago) does nothing and keeps both names.
      ::unlinkat(dir, link.c_str(), 0);
    } else if (errno == EPERM || errno == EOPNOTSUPP || errno == EXDEV || errno == EMLINK) {
      folder.replace(backup, shownBackup, readFileCapped(real, static_cast<std::uintmax_t>(-1)),
                     &old);
    } else if (errno != ENOENT) {  // a file removed meanwhile has nothing to back up
      fail(shownBackup, "cannot make the backup", errno);
    }
  }
  folder.replace(name, file, content, exists ? &old : nullptr);
  folder.sweep(name);
  folder.flush(file);
}

std::string readFileCapped(const fs::path& file, std::uintmax_t maxBytes) {
  return readFileCapped(file, maxBytes, nullptr);
}

std::string readFileCapped(const fs::path& file, std::uintmax_t maxBytes,
                           const std::function<void(const struct ::stat&)>& check) {
  // Opened without blocking, so that a FIFO with no writer cannot hold the program; then only a
  // regular file is read.
  Descriptor in(
      retry([&] { return ::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK); }));
  if (in.get() < 0) {
    if (errno == ENOENT) throw Error::fileNotFound(file.string());
    fail(file, "cannot read", errno);
  }
  const auto tooLarge = [&] {
    return Error::badFileFormat(
        file.string(), "the file is too large (more than " + std::to_string(maxBytes) + " bytes)");
  };
  struct stat st;
  if (::fstat(in.get(), &st) != 0) fail(file, "cannot read", errno);
  if (S_ISDIR(st.st_mode)) fail(file, "cannot read", EISDIR);
  if (!S_ISREG(st.st_mode))
    throw Error::fileAccess(file.string(), "cannot read: not a regular file");
  if (check) check(st);
  if (static_cast<std::uintmax_t>(st.st_size) > maxBytes) throw tooLarge();
  std::string content;
  char buffer[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
    if (n < 0) {
      if (errno == EINTR) continue;
      fail(file, "cannot read", errno);
    }
    if (n == 0) return content;
    if (content.size() + static_cast<std::size_t>(n) > maxBytes) throw tooLarge();
    content.append(buffer, static_cast<std::size_t>(n));
  }
}

FileLock::FileLock(const fs::path& file) {
  const fs::path real = finalTarget(file);
  const fs::path lock = real.parent_path() / ("." + real.filename().string() + ".lock");
  fd_ = retry([&] {
    return ::open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOCTTY | O_NOFOLLOW, 0600);
  });
  if (fd_ < 0) fail(file, "cannot lock", errno);
  if (retry([&] { return ::flock(fd_, LOCK_EX); }) != 0) {
    const int code = errno;
    ::close(fd_);
    fail(file, "cannot lock", code);
  }
}

FileLock::~FileLock() {
  ::close(fd_);
}  // closing releases the lock

void updateFileAtomically(
    const fs::path& file, std::uintmax_t maxBytes,
    const std::function<std::optional<std::string>(const std::optional<std::string>&)>& change,
    bool keepBackup) {
  const FileLock lock(file);
  std::optional<std::string> current;
  try {
    current = readFileCapped(file, maxBytes);
  } catch (const Error& e) {
    if (e.number() != Error::kFileNotFound) throw;
  }
  if (const auto next = change(current)) writeFileAtomically(file, *next, keepBackup);
}

}  // namespace kadrelle
