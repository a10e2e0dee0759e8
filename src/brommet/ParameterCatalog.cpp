#include "brommet/ParameterCatalog.h"

#include <array>
#include <string>

#include "brommet/DriveDescription.h"

namespace kadrelle {

namespace {

// The catalog is the built-in description of the simulated drive (SimulatedDrive.json).
const DriveDescription& catalog() {
  static const DriveDescription& kCatalog = *DriveDescription::simulated();
  return kCatalog;
}

}  // namespace

std::span<const ParameterInfo> ParameterCatalog::all() {
  return catalog().parameters();
}

std::optional<std::size_t> ParameterCatalog::indexOf(ParameterNumbers number) {
  return catalog().indexOf(number);
}

const ParameterInfo* ParameterCatalog::find(ParameterNumbers number) {
  return catalog().find(number);
}

const ParameterInfo* ParameterCatalog::findKey(std::string_view key) {
  return catalog().findKey(key);
}

std::string ParameterCatalog::lockLevelName(std::int32_t level) {
  static constexpr std::array<const char*, 4> kNames = {"operator", "technician", "engineer",
                                                        "factory"};
  if (level >= 0 && level < 4) return kNames[static_cast<std::size_t>(level)];
  return "level " + std::to_string(level);
}

}  // namespace kadrelle
