#include "platform/IniSettingsStore.h"

#include <cstdlib>

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

std::string_view trimSpace(std::string_view s) {
  return trim(s, " \t\r\n\f\v");
}

}  // namespace

std::filesystem::path userConfigFolder() {
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home) {
    return std::filesystem::path(home) / ".config";
  }
  return ".";
}

IniSettingsStore::IniSettingsStore() : folder_(userConfigFolder()) {}
IniSettingsStore::IniSettingsStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path IniSettingsStore::fileFor(const std::string& application) const {
  return folder_ / (application + ".ini");
}

std::optional<std::string> IniSettingsStore::lookup(std::string_view text, std::string_view section,
                                                    std::string_view key) {
  // Editors on Windows start UTF-8 files with a byte order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  bool inSection = false;
  while (!text.empty()) {
    std::size_t end = text.find('\n');
    std::string_view line = trimSpace(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      std::size_t close = line.find(']');
      inSection = close != std::string_view::npos &&
                  equalsIgnoreCase(trimSpace(line.substr(1, close - 1)), section);
      continue;
    }
    if (!inSection) continue;
    std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) continue;
    if (equalsIgnoreCase(trimSpace(line.substr(0, eq)), key))
      return std::string(trimSpace(line.substr(eq + 1)));
  }
  return std::nullopt;
}

std::string IniSettingsStore::GetSetting(const std::string& application, const std::string& section,
                                         const std::string& key, const std::string& defaultValue) {
  std::string text;
  try {
    text = readFileCapped(fileFor(application), kMaxFileSize);
  } catch (const Error&) {
    return defaultValue;  // missing, unreadable or too large
  }
  // Text only: a file holding NUL bytes is not a settings file.
  if (text.find('\0') != std::string::npos) return defaultValue;
  return lookup(text, section, key).value_or(defaultValue);
}

}  // namespace kadrelle
