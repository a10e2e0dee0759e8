#include "component/Registry.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/Text.h"
#include "platform/UserFolders.h"

namespace kadrelle::com {

namespace {

namespace fs = std::filesystem;

constexpr int kPermissionDenied = 70;
constexpr int kCannotCreate = 429;
constexpr int kFileFormat = 321;
constexpr int kPathError = 75;

std::string versionText(Version v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor);
}

Error systemError(int number, const std::string& what, const std::string& path) {
  return Error(number, what + " " + path + ": " + std::strerror(errno));
}

void makeFolders(const std::string& folder) {
  if (folder.empty()) return;
  struct stat st;
  if (stat(folder.c_str(), &st) == 0) return;
  std::size_t slash = folder.rfind('/');
  if (slash != std::string::npos && slash > 0) makeFolders(folder.substr(0, slash));
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST)
    throw systemError(kPathError, "Cannot create folder", folder);
}

// Replaces the file in one step (a reader sees the old or the new contents, never a part). A new
// registry is made owner-writable only first, since a registry others may write is not trusted.
void writeRegistryFile(const std::string& path, const std::string& contents) {
  std::size_t slash = path.rfind('/');
  if (slash != std::string::npos) makeFolders(path.substr(0, slash));
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::fchmod(fd, 0644);  // whatever the umask
    ::close(fd);
  }
  writeFileAtomically(path, contents);
}

void checkStat(const std::string& path, const struct stat& st) {
  if (st.st_uid != geteuid() && st.st_uid != 0)
    throw Error(kPermissionDenied, "Permission denied: " + path +
                                       " is owned by another user (uid " +
                                       std::to_string(st.st_uid) + ")");
  if (st.st_mode & (S_IWGRP | S_IWOTH))
    throw Error(kPermissionDenied, "Permission denied: " + path + " is writable by " +
                                       ((st.st_mode & S_IWOTH) ? "others" : "its group"));
}

// A folder on the way to a module: owned by the user or root, and writable by others only when
// sticky.
void checkFolder(const std::string& folder, const struct stat& st) {
  if (st.st_uid != geteuid() && st.st_uid != 0)
    throw Error(kPermissionDenied, "Permission denied: folder " + folder +
                                       " is owned by another user (uid " +
                                       std::to_string(st.st_uid) + ")");
  if ((st.st_mode & (S_IWGRP | S_IWOTH)) && !(st.st_mode & S_ISVTX))
    throw Error(kPermissionDenied, "Permission denied: folder " + folder + " is writable by " +
                                       ((st.st_mode & S_IWOTH) ? "others" : "its group"));
}

}  // namespace

std::string trustedModulePath(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) throw systemError(53, "Cannot open", path);
  struct Close {
    int fd;
    ~Close() { ::close(fd); }
  } close{fd};
  struct stat st;
  if (::fstat(fd, &st) != 0) throw systemError(kPermissionDenied, "Cannot read", path);
  if (!S_ISREG(st.st_mode))
    throw Error(kPermissionDenied, "Permission denied: " + path + " is not a regular file");
  checkStat(path, st);
  // Where the open file lies, symbolic links resolved.
  std::error_code ec;
  const fs::path real = fs::read_symlink("/proc/self/fd/" + std::to_string(fd), ec);
  if (ec || !real.is_absolute())
    throw Error(kPermissionDenied, "Permission denied: cannot tell which folder holds " + path);
  for (fs::path folder = real.parent_path();; folder = folder.parent_path()) {
    struct stat about;
    if (::lstat(folder.c_str(), &about) != 0)
      throw systemError(kPermissionDenied, "Cannot check folder", folder.string());
    checkFolder(folder.string(), about);
    if (folder == folder.root_path()) break;
  }
  return real.string();
}

void checkTrusted(const std::string& path, bool mayBeMissing) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    if (mayBeMissing && errno == ENOENT) return;
    throw systemError(53, "Cannot open", path);
  }
  checkStat(path, st);
}

std::string RegistrationData::text() const {
  std::string s = "library=" + library + "\ndescription=" + description + "\nhelpdir=" + helpDir +
                  "\ntypelib=" + typeLib.text() + "\nversion=" + versionText(version) +
                  "\nclass=" + className + "\nclsid=" + clsid.text() + "\n";
  for (const auto& id : interfaces) s += "interface=" + id.text() + "\n";
  for (const auto& id : eventInterfaces) s += "eventinterface=" + id.text() + "\n";
  return s + "miscstatus=" + hex32(miscStatus) +
         "\ntoolboxbitmap=" + std::to_string(toolboxBitmap) + "\n";
}

RegistrationData RegistrationData::parse(std::string_view text) {
  RegistrationData d;
  auto bad = [](const std::string& line) {
    return Error(kFileFormat, "Invalid registration data: " + line);
  };
  auto guid = [&](const std::string& v) {
    Guid g;
    if (!Guid::parse(v, g)) throw bad(v);
    return g;
  };
  auto number = [&](const std::string& v, int base) {
    char* end = nullptr;
    unsigned long n = std::strtoul(v.c_str(), &end, base);
    if (v.empty() || *end) throw bad(v);
    return static_cast<std::uint32_t>(n);
  };
  std::size_t interfaces = 0, events = 0;
  std::istringstream in{std::string(text)};
  for (std::string line; std::getline(in, line);) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) throw bad(line);
    std::string key = line.substr(0, eq), v = line.substr(eq + 1);
    if (key == "library")
      d.library = v;
    else if (key == "description")
      d.description = v;
    else if (key == "helpdir")
      d.helpDir = v;
    else if (key == "typelib")
      d.typeLib = guid(v);
    else if (key == "class")
      d.className = v;
    else if (key == "clsid")
      d.clsid = guid(v);
    else if (key == "miscstatus")
      d.miscStatus = number(v, 16);
    else if (key == "toolboxbitmap")
      d.toolboxBitmap = number(v, 10);
    else if (key == "version") {
      std::size_t dot = v.find('.');
      if (dot == std::string::npos) throw bad(line);
      d.version = {static_cast<std::uint16_t>(number(v.substr(0, dot), 10)),
                   static_cast<std::uint16_t>(number(v.substr(dot + 1), 10))};
    } else if (key == "interface" && interfaces < 5)
      d.interfaces[interfaces++] = guid(v);
    else if (key == "eventinterface" && events < 5)
      d.eventInterfaces[events++] = guid(v);
    else
      throw bad(line);
  }
  if (d.library.empty() || d.className.empty() || interfaces != 5 || events != 5)
    throw bad("incomplete");
  return d;
}

RegistrationData RegistrationData::ofLibrary() {
  RegistrationData d;
  d.library = std::string(kLibrary.name);
  d.description = std::string(kLibrary.help);
  d.typeLib = kLibrary.id;
  d.version = kLibrary.version;
  d.className = std::string(kTypes[kType_Kadrelle_Class].name);
  d.clsid = CLSID_Kadrelle;
  d.interfaces = kInterfaceIds;
  d.eventInterfaces = kEventInterfaceIds;
  // Recompose on resize, cannot link inside, inside-out, activate when visible, set client site
  // first.
  d.miscStatus = 0x20191;
  d.toolboxBitmap = 30000;
  return d;
}

Registry::Registry(std::string path) : path_(std::move(path)) {}

std::string Registry::defaultPath() {
  return (userConfigFolder() / "kadrelle" / "registry").string();
}

std::map<std::string, std::string> parseRegistry(std::string_view text, const std::string& path) {
  std::map<std::string, std::string> entries;
  std::size_t number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    if (line.empty() || line[0] == '#') continue;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || eq == 0)
      throw Error(kFileFormat, "Invalid registry file " + path + ", line " +
                                   std::to_string(number) + ": expected key=value, found \"" +
                                   std::string(line.substr(0, 80)) + "\"");
    entries[std::string(line.substr(0, eq))] = std::string(line.substr(eq + 1));
  }
  return entries;
}

std::map<std::string, std::string> Registry::read() const {
  std::string contents;
  try {
    contents = readFileCapped(path_, kMaxFileSize,
                              [this](const struct stat& st) { checkStat(path_, st); });
  } catch (const Error& e) {
    if (e.number() == Error::kFileNotFound) return {};
    throw;
  }
  return parseRegistry(contents, path_);
}

void Registry::update(
    const std::function<bool(std::map<std::string, std::string>& entries)>& change) const {
  const std::size_t slash = path_.rfind('/');
  if (slash != std::string::npos) makeFolders(path_.substr(0, slash));
  FileLock lock(path_);  // another program's change between the read and the write is kept
  auto all = read();
  if (change(all)) write(all);
}

void Registry::write(const std::map<std::string, std::string>& entries) const {
  std::string s = "# Kadrelle component registry: key=value, one a line.\n";
  for (const auto& [key, value] : entries) s += key + "=" + value + "\n";
  writeRegistryFile(path_, s);
}

std::map<std::string, std::string> Registry::entries(const RegistrationData& d,
                                                     const std::string& modulePath) {
  const std::string cls = "CLSID\\" + d.clsid.text();
  const std::string lib = "TypeLib\\" + d.typeLib.text() + "\\" + versionText(d.version);
  std::map<std::string, std::string> e{
      {cls, d.className},
      {cls + "\\InprocServer", modulePath},
      {cls + "\\ProgID", d.progId()},
      {cls + "\\TypeLib", d.typeLib.text()},
      {cls + "\\Version", versionText(d.version)},
      {cls + "\\MiscStatus", std::to_string(d.miscStatus)},
      {cls + "\\ToolboxBitmap", modulePath + "," + std::to_string(d.toolboxBitmap)},
      {cls + "\\Control", ""},
      {d.progId() + "\\CLSID", d.clsid.text()},
      {lib, d.description},
      {lib + "\\Flags", std::to_string(kLibrary.flags)},
      {lib + "\\HelpDir", d.helpDir},
      {lib + "\\Module", modulePath},
  };
  auto addInterfaces = [&](const std::array<Guid, 5>& ids, const std::string& name) {
    for (const auto& id : ids) {
      e["Interface\\" + id.text()] = name;
      e["Interface\\" + id.text() + "\\TypeLib"] = d.typeLib.text();
    }
  };
  addInterfaces(d.interfaces, "_" + d.className);
  addInterfaces(d.eventInterfaces, "__" + d.className);
  return e;
}

void Registry::registerModule(const RegistrationData& data, const std::string& modulePath) const {
  if (modulePath.empty() || modulePath[0] != '/' ||
      modulePath.find_first_of("\r\n") != std::string::npos)
    throw Error(Error::kInvalidCall, "Invalid module path: " + modulePath);
  update([&](auto& all) {
    for (auto& [key, value] : entries(data, modulePath)) all[key] = value;
    return true;
  });
}

void Registry::unregisterModule(const RegistrationData& data) const {
  update([&](auto& all) {
    const std::size_t before = all.size();
    for (const auto& entry : entries(data, {})) all.erase(entry.first);
    return all.size() != before;
  });
}

Registry::ClassEntry Registry::findClass(std::string_view name) const {
  auto all = read();
  ClassEntry c;
  if (!Guid::parse(name, c.clsid)) {
    auto it = all.find(std::string(name) + "\\CLSID");
    if (it == all.end() || !Guid::parse(it->second, c.clsid))
      throw Error(kCannotCreate, "ActiveX component can't create object: " + std::string(name) +
                                     " is not registered in " + path_);
  }
  auto it = all.find("CLSID\\" + c.clsid.text() + "\\InprocServer");
  if (it == all.end() || it->second.empty())
    throw Error(kCannotCreate, "ActiveX component can't create object: class " + c.clsid.text() +
                                   " is not registered in " + path_);
  c.module = it->second;
  return c;
}

}  // namespace kadrelle::com
