#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "component/Guid.h"
#include "component/TypeLibrary.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// What the module contributes to registration, carried in the module as text, one "key=value"
// line each: library, description, helpdir, typelib, version, class, clsid, five interface and
// five eventinterface lines (earliest first), miscstatus (hexadecimal) and toolboxbitmap.
struct RegistrationData {
  std::string library;
  std::string description;
  std::string helpDir;
  Guid typeLib;
  Version version;
  std::string className;
  Guid clsid;
  std::array<Guid, 5> interfaces{};
  std::array<Guid, 5> eventInterfaces{};
  std::uint32_t miscStatus = 0;
  std::uint32_t toolboxBitmap = 0;

  // The programmatic name hosts find the class by: "KadrelleCtl.Kadrelle".
  std::string progId() const { return library + "." + className; }
  std::string text() const;
  // Throws Error 321 on a malformed block.
  static RegistrationData parse(std::string_view text);
  // This library's data.
  static RegistrationData ofLibrary();
};

// The per-user component registry: one text file, by default $XDG_CONFIG_HOME/kadrelle/registry
// (~/.config/kadrelle/registry), of "key=value" lines sorted by key. Keys are paths:
//   CLSID\{clsid}                      class name
//   CLSID\{clsid}\InprocServer         absolute path of the module
//   CLSID\{clsid}\ProgID               KadrelleCtl.Kadrelle
//   CLSID\{clsid}\TypeLib, \Version    library identifier and version
//   CLSID\{clsid}\MiscStatus           status flags, decimal
//   CLSID\{clsid}\ToolboxBitmap        module path, comma, bitmap resource number
//   CLSID\{clsid}\Control              (empty) marks a control
//   <progid>\CLSID                     {clsid}
//   TypeLib\{libid}\<version>          description; \Flags, \HelpDir, \Module
//   Interface\{iid}                    interface name; \TypeLib library identifier
// The file is replaced atomically on every change, read and written under its FileLock so that
// programs registering at the same time lose nothing. It is trusted only when it is owned by the
// user (or root) and nobody else may write it; otherwise reading or changing it fails with Error 70
// naming the file and the reason. Anything but a regular file of at most kMaxFileSize bytes is
// refused (75, 321), and a line that is not "key=value" is Error 321 naming the file and line.
class Registry {
 public:
  static constexpr std::uintmax_t kMaxFileSize = 1u << 20;

  explicit Registry(std::string path = defaultPath());
  static std::string defaultPath();
  const std::string& path() const { return path_; }

  // Every entry; an absent file is empty.
  std::map<std::string, std::string> read() const;
  // Adds (or replaces) the entries of one module; running it twice changes nothing more.
  void registerModule(const RegistrationData& data, const std::string& modulePath) const;
  // Removes exactly the keys registration writes; nothing if they are absent.
  void unregisterModule(const RegistrationData& data) const;

  // A registered class: its identifier and the module to load, found by programmatic name or by
  // the class identifier's text. Throws Error 429 when it is not registered.
  struct ClassEntry {
    Guid clsid;
    std::string module;
  };
  ClassEntry findClass(std::string_view progIdOrClsid) const;

  // The entries registration writes.
  static std::map<std::string, std::string> entries(const RegistrationData& data,
                                                    const std::string& modulePath);

 private:
  // Reads, changes and writes the file under its lock; `change` returns whether to write.
  void update(const std::function<bool(std::map<std::string, std::string>& entries)>& change) const;
  void write(const std::map<std::string, std::string>& entries) const;
  std::string path_;
};

// The entries of a registry file's text; `path` names the file in errors (321, with the line).
std::map<std::string, std::string> parseRegistry(std::string_view text, const std::string& path);

// Throws Error 70 (permission denied), naming the file and the reason, unless the file is owned by
// the user or root and is writable by nobody else. A missing file passes when `mayBeMissing`.
void checkTrusted(const std::string& path, bool mayBeMissing = false);

// The path to load a module by: the file `path` finally names, with every symbolic link resolved,
// after checking it through one open descriptor. The file must be a regular file owned by the
// user or root that nobody else may write, and every folder above it must be owned by the user
// or root and writable by nobody else, unless the folder is sticky (as /tmp is): there nobody may
// rename or remove an entry they do not own, and the entry the path goes on through is checked
// in turn. So nobody but the user and root can replace what lies at the returned path before it
// is loaded, and a link swapped meanwhile on the way there changes nothing: the file loaded is
// the file checked. (Loading through /proc/self/fd would also do, but then the module could not
// tell where it lies, which registration and VersionStr need.) Error 53 when the file cannot be
// opened, 70 naming the file or folder and the reason when it is not trusted.
std::string trustedModulePath(const std::string& path);

}  // namespace kadrelle::com
#pragma GCC visibility pop
