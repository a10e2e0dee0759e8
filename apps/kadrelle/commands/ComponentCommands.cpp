#include "ComponentCommands.h"

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>

#include "component/ModuleLoader.h"
#include "component/Registry.h"
#include "component/Resources.h"
#include "component/TypeLibrary.h"
#include "platform/Error.h"

namespace kadrelle {

namespace {

using namespace com;

std::uint32_t le32(const std::vector<std::uint8_t>& d, std::size_t at) {
  if (at + 4 > d.size()) throw Error(Error::kBadFileFormat, "A resource is cut short");
  return d[at] | d[at + 1] << 8 | d[at + 2] << 16 | static_cast<std::uint32_t>(d[at + 3]) << 24;
}

std::string versionText(const std::array<std::uint16_t, 4>& v) {
  return std::to_string(v[0]) + "." + std::to_string(v[1]) + "." + std::to_string(v[2]) + "." +
         std::to_string(v[3]);
}

// What a resource holds, in a few lines.
void describe(const Resource& r) {
  std::cout << r.type << " " << r.name << " (" << r.data.size() << " bytes)";
  if (r.type == "VERSION") {
    const VersionBlock v = VersionBlock::unpack(r.data);
    std::cout << ": file version " << versionText(v.fileVersion) << ", product version "
              << versionText(v.productVersion) << ", language " << v.language << '\n';
    for (const auto& [key, value] : v.strings) std::cout << "  " << key << ": " << value << '\n';
  } else if (r.type == "TYPELIB") {
    std::cout << ": the type library as IDL text (kadrelle typelib prints it)\n";
  } else if (r.type == "CUSTOM") {
    std::cout << ": " << le32(r.data, 0) << " bytes of interface identifiers, earliest first\n";
    for (std::size_t at = 4; at + 16 <= r.data.size(); at += 16) {
      Guid id{le32(r.data, at), static_cast<std::uint16_t>(le32(r.data, at + 4) & 0xFFFF),
              static_cast<std::uint16_t>(le32(r.data, at + 4) >> 16)};
      std::copy_n(r.data.begin() + static_cast<std::ptrdiff_t>(at + 8), 8, id.data4.begin());
      std::cout << "  " << id.text() << '\n';
    }
  } else if (r.type == "REGDATA") {
    std::cout << ": registration data\n";
    const RegistrationData data = RegistrationData::parse(
        std::string_view(reinterpret_cast<const char*>(r.data.data()), r.data.size()));
    std::cout << "  " << data.progId() << " " << data.clsid.text() << ", " << data.description
              << ", status flags 0x" << std::hex << data.miscStatus << std::dec << '\n';
  } else if (r.type == "BITMAP") {
    std::cout << ": " << le32(r.data, 4) << " x " << le32(r.data, 8) << " pixels, "
              << (le32(r.data, 12) >> 16) << " bits per pixel, " << le32(r.data, 32)
              << " colours\n";
  } else {
    std::cout << '\n';
  }
}

}  // namespace

ComponentCommands::ComponentCommands(CLI::App& app) {
  auto moduleOption = [this](CLI::App* sub) {
    sub->add_option("module", module_,
                    "The module file (default: the Kadrelle.ocx built or installed with this "
                    "program)");
  };
  register_ = app.add_subcommand(
      "register", "Register the module Kadrelle.ocx (KadrelleCtl.Kadrelle) in the user's registry");
  moduleOption(register_);
  unregister_ = app.add_subcommand(
      "unregister", "Remove what registering the module wrote to the user's registry");
  moduleOption(unregister_);
  typelib_ = app.add_subcommand("typelib", "Print the type library KadrelleCtl as IDL text");
  resources_ = app.add_subcommand(
      "resources",
      "Show the resources a module file carries, read from the file without loading it");
  moduleOption(resources_);
}

std::string ComponentCommands::module() const {
  namespace fs = std::filesystem;
  if (!module_.empty()) return fs::absolute(module_).string();
  std::error_code ec;
  const fs::path program = fs::read_symlink("/proc/self/exe", ec);
  const fs::path installed = program.parent_path() / KADRELLE_MODULE_FROM_BINDIR;
  if (!ec && fs::exists(installed, ec)) return fs::weakly_canonical(installed, ec).string();
  if (fs::exists(KADRELLE_MODULE_BUILT, ec)) return KADRELLE_MODULE_BUILT;
  throw Error::fileNotFound(installed.string() + " (or " KADRELLE_MODULE_BUILT
                                                 "); give the module's path");
}

int ComponentCommands::run() {
  if (*typelib_) {
    std::cout << printIdl();
    return 0;
  }
  if (*resources_) return resources();
  if (!*register_ && !*unregister_) return -1;
  const std::string path = module();
  const RegistrationData data = RegistrationData::ofLibrary();
  if (*register_) {
    registerServer(path);
    std::cout << "Registered " << data.progId() << " " << data.clsid.text() << " from " << path;
  } else {
    unregisterServer(path);
    std::cout << "Unregistered " << data.progId() << " " << data.clsid.text();
  }
  std::cout << " in " << Registry::defaultPath() << '\n';
  return 0;
}

int ComponentCommands::resources() {
  const std::string path = module();
  const auto list = readModuleResources(path);
  std::cout << path << "\nexports:";
  for (const auto& name : readModuleExports(path)) std::cout << " " << name;
  std::cout << '\n';
  for (const auto& r : list) describe(r);
  return 0;
}

}  // namespace kadrelle
