#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// A module's resources: typed, named blocks of bytes. The module keeps them in the ELF section
// named kResourceSection, so a tool reads them from the file with the ELF headers alone, without
// loading or running the module. The section holds the magic "KRSRC001" and then one entry after
// another up to its end, each (all numbers little-endian, 32-bit):
//   type length, type text, name length, name text, data length, data,
//   zero bytes up to the next multiple of 4.
struct Resource {
  std::string type;
  std::string name;
  std::vector<std::uint8_t> data;
};

inline constexpr const char* kResourceSection = "kadrelle_rsrc";

std::vector<std::uint8_t> packResources(const std::vector<Resource>& resources);
// The entries of a section; throws Error 321 (invalid file format) if it is malformed.
std::vector<Resource> unpackResources(std::span<const std::uint8_t> section);
// The resources in a module file (a 64-bit little-endian ELF file); throws Error 53 when the file
// cannot be read and 321 when it is no such file or has no resource section.
std::vector<Resource> readModuleResources(const std::string& path);
// The names of the symbols a module file defines for others (its dynamic symbol table).
std::vector<std::string> readModuleExports(const std::string& path);
// The resource of that type and name, or nullptr.
const Resource* findResource(const std::vector<Resource>& resources, std::string_view type,
                             std::string_view name);

// The resources the module carries:
//   VERSION 1       the version block (see VersionBlock)
//   TYPELIB 1       the type library as IDL text
//   CUSTOM _IID_KADRELLE, CUSTOM _SRCIID_KADRELLE
//                   a 32-bit byte count (80), then the five 16-byte interface identifiers
//   REGDATA 1       the registration data as text (see RegistrationData)
//   BITMAP 30000    the toolbox picture: a device-independent bitmap (a 40-byte header, the colour
//                   table, then the rows bottom-up)
std::vector<Resource> moduleResources();

// The version block: the fixed part (the 52-byte fixed file information: signature 0xFEEF04BD,
// structure version, file and product versions as two 32-bit halves each, flag mask, flags,
// operating system, file type, subtype, date), then language and code page (16-bit each), the
// number of strings, and each key and value as a length and UTF-8 text.
struct VersionBlock {
  std::array<std::uint16_t, 4> fileVersion{};
  std::array<std::uint16_t, 4> productVersion{};
  std::uint32_t flags = 0;
  std::uint32_t os = 0;    // 4: 32-bit Windows
  std::uint32_t type = 0;  // 2: dynamic-link library
  std::uint16_t language = 0;
  std::uint16_t codePage = 0;
  std::vector<std::pair<std::string, std::string>> strings;

  std::vector<std::uint8_t> pack() const;
  static VersionBlock unpack(std::span<const std::uint8_t> data);
  // The value of a string, or nullptr when the key is absent.
  const std::string* find(std::string_view key) const;
};
VersionBlock moduleVersionBlock();

}  // namespace kadrelle::com
#pragma GCC visibility pop
