#pragma once

#include <array>
#include <cstdint>
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
// The file is replaced atomically on every change. It is trusted only when it is owned by the
// user (or root) and nobody else may write it; otherwise reading or changing it fails with Error 70
// naming the file and the reason.
class Registry {
 public:
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
  void write(const std::map<std::string, std::string>& entries) const;
  std::string path_;
};

// Throws Error 70 (permission denied), naming the file and the reason, unless the file is owned by
// the user or root and is writable by nobody else. A missing file passes when `mayBeMissing`.
void checkTrusted(const std::string& path, bool mayBeMissing = false);

}  // namespace kadrelle::com
#pragma GCC visibility pop
