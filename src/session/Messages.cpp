#include "session/Messages.h"

#include "brommet/BrommetValueObject.h"
#include "brommet/ServoDrive.h"
#include "ombrel/EntryParser.h"

namespace kadrelle {

std::string entryMessage(const ParameterInfo& info, const std::string& entry, bool appView,
                         const std::string& written) {
  if (info.text || info.readOnly) return "";
  const std::string key(info.key);
  const bool hex = info.displayBase == 1;
  const auto number = hex ? EntryParser::parseHex(entry) : EntryParser::parseDecimal(entry);
  if (!number)
    return key + " \"" + entry + "\" is not " + (hex ? "a hexadecimal number" : "a number");
  if (auto problem = ServoDrive::checkValue(info, *number, appView)) {
    const std::string_view units = appView ? info.appUnits : info.driveUnits;
    return key + " " + *problem + "; " + written + (units.empty() ? "" : " ") + std::string(units) +
           " was written";
  }
  return "";
}

std::string refusalMessage(const ParameterInfo& info, std::int32_t code,
                           const std::string& description, const std::string& unlock) {
  const bool locked = code == BrommetValueObject::kLockTooLow;
  return std::string(info.key) + " " + description + (locked ? " (" + unlock + ")" : "");
}

}  // namespace kadrelle
