#include "session/UserSettings.h"

#include "platform/Error.h"
#include "platform/Variant.h"

#include <cstdio>

namespace kadrelle {

std::filesystem::path UserFiles::driveFile(const std::filesystem::path& description) {
  const auto folder = userDataFolder() / "kadrelle";
  if (description.empty()) return folder / "drive.json";
  std::error_code ec;
  const std::string path = std::filesystem::absolute(description, ec).lexically_normal().string();
  std::uint32_t hash = 2166136261u;  // FNV-1a: the same name in every run
  for (const unsigned char c : path) hash = (hash ^ c) * 16777619u;
  char digits[9];
  std::snprintf(digits, sizeof digits, "%08x", static_cast<unsigned>(hash));
  return folder / "drives" / (description.stem().string() + "-" + digits + ".json");
}

std::filesystem::path UserFiles::formFile() {
  return userDataFolder() / "kadrelle" / "form.json";
}

std::filesystem::path UserFiles::settingsFile() {
  return IniSettingsStore().fileFor(UserSettings::kApplication);
}

std::optional<std::int32_t> parseTraceMask(std::string_view text) {
  const auto number = parseNumber(text);
  if (!number) return std::nullopt;
  try {
    return toInt32(*number);
  } catch (const std::exception&) {  // beyond 32 bits
    return std::nullopt;
  }
}

std::string UserSettings::GetSetting(const std::string& application, const std::string& section,
                                     const std::string& key, const std::string& defaultValue) {
  if (traceOverride_ && application == kApplication && section == kTraceSection && key == kTraceKey)
    return *traceOverride_;
  return store_.GetSetting(application, section, key, defaultValue);
}

std::string UserSettings::traceMaskText() {
  return GetSetting(kApplication, kTraceSection, kTraceKey, "0");
}

bool UserSettings::traceWanted() {
  const auto mask = parseTraceMask(traceMaskText());
  return mask && *mask != 0;
}

namespace {

void checkTraceMask(const std::string& text) {
  if (!parseTraceMask(text))
    throw Error(Error::kTypeMismatch,
                "the trace mask is a whole number (a bit mask; -1 traces everything), not \"" +
                    text + "\"");
}

}  // namespace

void UserSettings::overrideTraceMask(const std::string& text) {
  checkTraceMask(text);
  traceOverride_ = text;
}

void UserSettings::saveTraceMask(const std::string& text) {
  checkTraceMask(text);
  store_.SaveSetting(kApplication, kTraceSection, kTraceKey, text);
}

std::optional<std::int32_t> UserSettings::lockLevel() {
  const auto level = parseTraceMask(store_.GetSetting(kApplication, kDriveSection, kLockKey, ""));
  if (level && *level >= 0 && *level <= 3) return level;
  return std::nullopt;
}

void UserSettings::saveLockLevel(std::int32_t level) {
  store_.SaveSetting(kApplication, kDriveSection, kLockKey, std::to_string(level));
}

}  // namespace kadrelle
