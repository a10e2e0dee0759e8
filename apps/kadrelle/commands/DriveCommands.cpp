#include "DriveCommands.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <nlohmann/json.hpp>

#include "brommet/ParameterCatalog.h"
#include "brommet/ValueText.h"
#include "platform/Error.h"
#include "platform/Variant.h"
#include "session/DriveSession.h"
#include "session/ParameterGroups.h"
#include "session/ParameterSet.h"

namespace kadrelle {

namespace {

using Json = nlohmann::ordered_json;

std::string shown(const ParameterInfo& info, double appValue) {
  return ValueText::format(appValue, info.appFormat, info.displayBase);
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
            {"description", info.description},
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
    const double driveValue = drive.driveValue(info);
    j["value"] = driveValue * info.scale;
    j["text"] = shown(info, driveValue * info.scale);
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

DriveCommands::DriveCommands(CLI::App& app, const DriveChoice& drive) : drive_(drive) {
  auto jsonFlag = [this](CLI::App* sub) { sub->add_flag("--json", json_, "Print JSON"); };

  params_ = app.add_subcommand("params", "List the drive's parameters");
  jsonFlag(params_);
  params_->add_flag("--changed", changed_,
                    "List only the parameters whose value is not their default, with both");

  get_ = app.add_subcommand("get", "Print a parameter's value in application units");
  get_->add_option("parameter", parameter_, "Parameter key (P1510) or number")->required();
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
    char line[256];
    std::snprintf(
        line, sizeof line, "  %-6s %-34s %-10s %-26s %-10s%s", std::string(info.key).c_str(),
        std::string(info.name).c_str(), std::string(info.appUnits).c_str(), rangeText(info).c_str(),
        ParameterCatalog::lockLevelName(info.lockLevel).c_str(), info.readOnly ? " read-only" : "");
    std::string text = line;
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
  DriveSession session(drive_);
  const ParameterInfo& info = session.findParameter(parameter_);
  session.awaitValues();
  if (json_)
    std::cout << valueJson(session, info).dump(2) << '\n';
  else
    std::cout << valueLine(session, info) << '\n';
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
