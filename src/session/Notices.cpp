#include "session/Notices.h"

#include "brommet/BrommetValueObject.h"
#include "brommet/ParameterCatalog.h"
#include "brommet/ServoDrive.h"
#include "ombrel/EntryParser.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

std::string named(const ParameterInfo& info) {
  return std::string(info.key) + " " + std::string(info.name);
}

std::string levelText(std::int32_t level) {
  return std::to_string(level) + " (" + ParameterCatalog::lockLevelName(level) + ")";
}

std::string needsLevel(std::int32_t required) {
  return "needs lock level " + levelText(required);
}

}  // namespace

std::string notWritableMark(const ParameterInfo& info, std::int32_t required,
                            std::int32_t heldLevel) {
  if (info.readOnly) return "read-only";
  return heldLevel >= required ? std::string() : "locked (" + needsLevel(required) + ")";
}

std::string whyNotWritable(const ParameterInfo& info, std::int32_t required, std::int32_t heldLevel,
                           std::string_view unlock) {
  if (info.readOnly) return named(info) + ": the parameter is read-only and cannot be changed";
  if (heldLevel >= required) return {};
  std::string why =
      named(info) + ": " + needsLevel(required) + ", the application holds " + levelText(heldLevel);
  if (info.stopOnly && heldLevel >= info.lockLevel) return why + "; disable the drive to change it";
  return unlock.empty() ? why : why + " (" + std::string(unlock) + ")";
}

std::string entryNotice(const ParameterInfo& info, std::string_view typed, bool appView,
                        std::string_view written) {
  const std::string text(trim(typed));
  if (info.text) {
    const auto problem = ServoDrive::checkText(info, text);
    return problem ? named(info) + ": " + *problem + "; the value stays \"" + std::string(written) +
                         "\""
                   : std::string();
  }
  const auto number =
      info.displayBase == 1 ? EntryParser::parseHex(text) : EntryParser::parseDecimal(text);
  if (!number)
    return named(info) + ": \"" + text + "\" is not " +
           (info.displayBase == 1 ? "a hexadecimal number" : "a number") + "; the value stays " +
           std::string(written);
  if (const auto problem = ServoDrive::checkValue(info, *number, appView))
    return named(info) + ": " + *problem + "; the value is " + std::string(written);
  return {};
}

std::string refusalNotice(const ParameterInfo& info, std::int32_t code,
                          std::string_view description, std::string_view unlock) {
  const bool locked = code == BrommetValueObject::kLockTooLow;
  // The value library's description names the parameter already ("Speed Limit: needs ...").
  const std::string prefix = std::string(info.name) + ": ";
  return (description.starts_with(prefix) ? std::string(info.key) + " " : named(info) + ": ") +
         std::string(description) + (locked ? " (" + std::string(unlock) + ")" : "");
}

}  // namespace kadrelle
