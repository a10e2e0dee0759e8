// The drive's parameter file and the value checks it shares with the value objects.
#include <cmath>
#include <nlohmann/json.hpp>

#include "brommet/ServoDrive.h"
#include "brommet/ValueText.h"
#include "platform/Error.h"
#include "platform/FileIo.h"

namespace kadrelle {

namespace {

using Json = nlohmann::ordered_json;

std::string withUnits(const std::string& number, std::string_view units) {
  return units.empty() ? number : number + " " + std::string(units);
}

// The top-level entries of the parameter file that are not the drive's own (a note, what a later
// version adds), in their order; none when the file is missing or is no JSON object.
Json otherEntries(const std::filesystem::path& file) {
  Json others = Json::object();
  try {
    Json document = Json::parse(readFileCapped(file, ServoDrive::kMaxFileSize));
    if (!document.is_object()) return others;
    for (auto& [key, value] : document.items())
      if (key != "format" && key != "version" && key != "parameters") others[key] = value;
  } catch (const std::exception&) {  // nothing readable to keep: the drive's values win
  }
  return others;
}

}  // namespace

std::optional<std::string> ServoDrive::checkValue(const ParameterInfo& info, double value,
                                                  bool appView) {
  const std::string_view units = appView ? info.appUnits : info.driveUnits;
  const std::string_view format = appView ? info.appFormat : info.driveFormat;
  if (!std::isfinite(value)) return std::string("the value is not a finite number");
  if (!info.limitsEnabled) return std::nullopt;
  const double lower = appView ? info.appLower : info.driveLower;
  const double upper = appView ? info.appUpper : info.driveUpper;
  if (value <= upper && value >= lower) return std::nullopt;
  const double limit = value > upper ? upper : lower;
  std::string shown = ValueText::format(value, format, info.displayBase);
  const std::string limitText = ValueText::format(limit, format, info.displayBase);
  // The number's own text form when the format's rounding hid the difference from the limit, or
  // spelled out a huge number in all its digits.
  if (shown == limitText || shown.size() > 20) shown = numberText(value);
  return withUnits(shown, units) +
         (value > upper ? " is above the maximum of " : " is below the minimum of ") +
         withUnits(limitText, units);
}

std::optional<std::string> ServoDrive::checkText(const ParameterInfo& info, std::string_view text) {
  if (text.size() > info.maxTextLength)
    return "the text is " + std::to_string(text.size()) + " characters long; at most " +
           std::to_string(info.maxTextLength) + " are allowed";
  if (!ValueText::isPrintable(text))
    return std::string(
        "the text holds a character the drive cannot store (letters, digits, "
        "blanks and punctuation only)");
  return std::nullopt;
}

void ServoDrive::save(const std::filesystem::path& file) const {
  Json parameters = Json::object();
  const auto catalog = description_->parameters();
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    const ParameterInfo& info = catalog[i];
    if (!info.nonVolatile || info.readOnly) continue;
    const std::string key(info.key);
    if (info.text)
      parameters[key] = slots_[i].text;
    else if (info.integral)
      parameters[key] = static_cast<std::int64_t>(slots_[i].value);
    else
      parameters[key] = slots_[i].value;
  }
  Json document = {{"format", kFileFormat}, {"version", kFileVersion}, {"parameters", parameters}};
  Json others = otherEntries(file);
  for (auto& [key, value] : others.items()) document[key] = std::move(value);
  writeFileAtomically(file, document.dump(2) + "\n");
}

void ServoDrive::load(const std::filesystem::path& file) {
  const std::string name = file.string();
  const std::string content = readFileCapped(file, kMaxFileSize);
  auto bad = [&](const std::string& what) { return Error::badFileFormat(name, what); };

  Json document;
  try {
    document = Json::parse(content);
  } catch (const Json::parse_error& e) {
    throw bad("not valid JSON (byte " + std::to_string(e.byte) + ")");
  } catch (const Json::exception&) {  // a number beyond any range
    throw bad("not valid JSON (a number is out of range)");
  }
  if (!document.is_object()) throw bad("not a drive parameter file");
  const auto format = document.find("format");
  if (format == document.end() || !format->is_string() || *format != kFileFormat)
    throw bad("not a drive parameter file (format is not \"" + std::string(kFileFormat) + "\")");
  const auto version = document.find("version");
  if (version == document.end() || !version->is_number_integer() || *version != kFileVersion)
    throw bad("unsupported version (expected " + std::to_string(kFileVersion) + ")");
  const auto parameters = document.find("parameters");
  if (parameters == document.end() || !parameters->is_object())
    throw bad("no \"parameters\" object");

  // Check everything first, then apply: a refused file changes nothing.
  struct Entry {
    ParameterNumbers number;
    double value;
    std::string text;
    bool isText;
  };
  std::vector<Entry> entries;
  std::vector<bool> seen(slots_.size(), false);
  for (const auto& [entryKey, item] : parameters->items()) {
    const std::string& key = entryKey;  // a plain name, so the lambda below can capture it
    auto entryError = [&](const std::string& what) {
      return bad("entry \"" + key + "\": " + what);
    };
    const ParameterInfo* info = description_->findKey(key);
    if (!info) throw entryError("no such parameter");
    if (!info->nonVolatile || info->readOnly) throw entryError("not a stored parameter");
    const std::size_t index = *description_->indexOf(info->number);
    if (seen[index]) throw entryError("given twice");
    seen[index] = true;
    if (info->text) {
      if (!item.is_string()) throw entryError("a text is expected");
      const std::string text = item.get<std::string>();
      if (auto problem = checkText(*info, text)) throw entryError(*problem);
      entries.push_back({info->number, 0, text, true});
      continue;
    }
    if (!item.is_number()) throw entryError("a number is expected");
    const double value = item.get<double>();
    if (auto problem = checkValue(*info, value, false)) throw entryError(*problem);
    if (info->integral && value != std::floor(value))
      throw entryError(numberText(value) + " is not a whole number of " +
                       std::string(info->driveUnits.empty() ? "units" : info->driveUnits));
    entries.push_back({info->number, value, {}, false});
  }

  for (const Entry& e : entries) {
    if (e.isText)
      setText(e.number, e.text);
    else
      setValue(e.number, e.value);
  }
  Loaded.raise();
}

}  // namespace kadrelle
