#pragma once

#include <array>
#include <cstdint>
#include <string>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// The module's file version (major, minor, build, revision).
inline constexpr std::array<std::uint16_t, 4> kFileVersion{1, 0, 0, 124};

// Which module a control comes from: its file version and the absolute path it was loaded from.
struct ModuleInfo {
  std::array<std::uint16_t, 4> version = kFileVersion;
  std::string path;

  // The module (shared library or program) holding that address, through dladdr; the path is
  // made absolute.
  static ModuleInfo containing(const void* address);
};

// The text of VersionStr: "major.minor.revision", CR LF, the folder the module was loaded from
// (a root folder keeps its separator), a backslash and the file name without its extension.
std::string versionStr(const ModuleInfo& module);

}  // namespace kadrelle::com
#pragma GCC visibility pop
