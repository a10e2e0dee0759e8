#include "DriveCommands.h"

#include <CLI/CLI.hpp>
#include <iostream>
#include <nlohmann/json.hpp>

#include "Columns.h"
#include "brommet/ParameterCatalog.h"
#include "platform/Error.h"
#include "platform/Text.h"
#include "platform/Variant.h"
#include "session/DriveSession.h"
#include "session/ParameterGroups.h"
#include "session/ParameterSet.h"

namespace kadrelle {

namespace {

using Json = nlohmann::ordered_json;

std::string shown(const ParameterInfo& info, double appValue) {
  return shownText(info, appValue);
}

// A caption without the place a multi-axis drive puts its axis ("@*@Speed Limit").
std::string withoutAxisMarker(std::string_view description) {
  return replaceAll(description, "@*@", "");
}

std::string withUnits(std::string text, std::string_view units) {
  return units.empty() ? text : text + " " + std::string(units);
}

std::string rangeText(const ParameterInfo& info) {
  if (info.text) return "text, up to " + std::to_string(info.maxTextLength) + " characters";
  if (!info.limitsEnabled) return "any";
  return shown(info, info.appLower) + " .. " + shown(info, info.appUpper);
}

Json describe(const ParameterInfo& info) {
  Json j = {{"key", info.key},
            {"number", info.number},
            {"group", std::string(groupName(info.group))},
            {"name", info.name},
            {"description", withoutAxisMarker(info.description)},
            {"units", info.appUnits},
            {"type", info.text               ? "text"
                     : info.displayBase == 1 ? "hexadecimal"
                                             : "number"}};
  if (!info.text && info.limitsEnabled) {
    j["minimum"] = info.appLower;
    j["maximum"] = info.appUpper;
  }
  if (info.text) j["maxLength"] = info.maxTextLength;
  j["lockLevel"] = info.lockLevel;
  j["readOnly"] = info.readOnly;
  return j;
}

Json valueJson(DriveSession& drive, const ParameterInfo& info) {
  Json j = {{"key", info.key}, {"number", info.number}, {"name", info.name}};
  if (info.text) {
    j["value"] = drive.text(info);
    j["text"] = drive.text(info);
  } else {
    // The value as the drive shows it, so that "value" and "text" agree.
    const double driveValue = drive.driveValue(info);
    const std::string text = shown(info, driveValue * info.scale);
    j["value"] = parsedNumber(info, text).value_or(driveValue * info.scale);
    j["text"] = text;
    j["units"] = info.appUnits;
    j["driveValue"] = driveValue;
    j["driveUnits"] = info.driveUnits;
  }
  return j;
}

std::string valueLine(DriveSession& drive, const ParameterInfo& info) {
  const std::string head = std::string(info.key) + " " + std::string(info.name) + ": ";
  if (info.text) return head + "\"" + drive.text(info) + "\"";
  return head + withUnits(shown(info, drive.driveValue(info) * info.scale), info.appUnits);
}

}  // namespace

DriveCommands::DriveCommands(CLI::App& app, bool& json, const DriveChoice& drive)
    : drive_(drive), json_(json) {
  auto jsonFlag = [this](CLI::App* sub) { sub->add_flag("--json", json_, "Print JSON"); };

  params_ = app.add_subcommand("params", "List the drive's parameters");
  jsonFlag(params_);
  params_->add_flag("--changed", changed_,
                    "List only the parameters whose value is not their default, with both");

  get_ = app.add_subcommand("get", "Print parameters' values in application units");
  CLI::Option* keys =
      get_->add_option("parameter", parameters_, "Parameter keys (P1510) or numbers");
  get_->add_flag("--all", all_, "Every parameter")->excludes(keys);
  jsonFlag(get_);

  set_ = app.add_subcommand(
      "set", "Commit a value (application units; hexadecimal parameters read hex) and save it");
  set_->add_option("parameter", parameter_, "Parameter key (P1510) or number")->required();
  set_->add_option("value", value_, "The new value")->required();
  jsonFlag(set_);

  lock_ = app.add_subcommand("lock",
                             "Show or set the application lock level (0 operator .. 3 factory)");
  lock_->add_option("level", level_, "The new lock level");
  jsonFlag(lock_);

  setting_ = app.add_subcommand("setting", "Show or change a user setting (Debug: the trace mask)");
  setting_->add_option("name", settingName_, "Setting name")
      ->required()
      ->check(CLI::IsMember({std::string(UserSettings::kTraceKey)}, CLI::ignore_case));
  setting_->add_option("value", settingValue_, "New value (Debug: a whole number, -1 for all)");
}

int DriveCommands::run() {
  if (*params_) return params();
  if (*get_) return get();
  if (*set_) return set();
  if (*lock_) return lock();
  if (*setting_) return setting();
  return -1;
}

int DriveCommands::params() {
  if (changed_) return changedParams();
  DriveSession session(drive_);
  if (json_) {
    Json list = Json::array();
    for (const auto& info : session.catalog()) list.push_back(describe(info));
    std::cout << list.dump(2) << '\n';
    return 0;
  }
  std::optional<ParameterGroup> group;
  for (const auto& info : session.catalog()) {
    if (group != info.group) {
      group = info.group;
      std::cout << (info.number == session.catalog()[0].number ? "" : "\n") << groupName(info.group)
                << '\n';
    }
    std::string text = "  " + padded(std::string(info.key), 7) +
                       padded(std::string(info.name), 35) + padded(std::string(info.appUnits), 11) +
                       padded(rangeText(info), 27) +
                       padded(ParameterCatalog::lockLevelName(info.lockLevel), 10) +
                       (info.readOnly ? " read-only" : "");
    text.erase(text.find_last_not_of(' ') + 1);
    std::cout << text << '\n';
  }
  return 0;
}

int DriveCommands::changedParams() {
  DriveSession session(drive_);
  session.awaitValues();
  Json list = Json::array();
  for (const ParameterInfo* info : parametersNotAtDefault(session.parameters())) {
    if (json_) {
      Json j = valueJson(session, *info);
      j["default"] = shownDefault(*info);
      list.push_back(std::move(j));
    } else {
      const std::string units = info->text ? "" : std::string(info->appUnits);
      std::cout << valueLine(session, *info) << "  (default "
                << withUnits(shownDefault(*info), units) << ")\n";
    }
  }
  if (json_) std::cout << list.dump(2) << '\n';
  return 0;
}

int DriveCommands::get() {
  if (parameters_.empty() && !all_)
    throw CLI::RequiredError("a parameter key or --all");  // said as other usage errors are
  DriveSession session(drive_);
  std::vector<const ParameterInfo*> chosen;
  if (all_)
    for (const auto& info : session.catalog()) chosen.push_back(&info);
  for (const std::string& key : parameters_) chosen.push_back(&session.findParameter(key));
  session.awaitValues();
  if (!json_) {
    for (const ParameterInfo* info : chosen) std::cout << valueLine(session, *info) << '\n';
    return 0;
  }
  // One parameter is one object; several are a list.
  Json list = Json::array();
  for (const ParameterInfo* info : chosen) list.push_back(valueJson(session, *info));
  std::cout << (list.size() == 1 && !all_ ? list[0] : list).dump(2) << '\n';
  return 0;
}

int DriveCommands::set() {
  DriveSession session(drive_);
  const ParameterInfo& info = session.findParameter(parameter_);
  session.awaitValues();
  session.commit(info, Variant(value_));
  session.save();
  if (json_)
    std::cout << valueJson(session, info).dump(2) << '\n';
  else
    std::cout << valueLine(session, info) << '\n';
  return 0;
}

int DriveCommands::lock() {
  DriveSession session(drive_);
  if (!level_.empty()) session.setLockLevel(level_);
  const std::int32_t level = session.lockLevel();
  if (json_)
    std::cout << Json{{"lockLevel", level}, {"name", ParameterCatalog::lockLevelName(level)}}.dump()
              << '\n';
  else
    std::cout << "lock level " << level << " (" << ParameterCatalog::lockLevelName(level) << ")\n";
  return 0;
}

int DriveCommands::setting() {
  UserSettings settings;
  if (!settingValue_.empty()) settings.saveTraceMask(settingValue_);
  std::cout << "Debug=" << settings.traceMaskText() << "  (" << settings.file().string() << ")\n";
  return 0;
}

}  // namespace kadrelle
