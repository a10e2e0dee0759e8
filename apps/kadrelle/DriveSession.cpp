#include "DriveSession.h"

#include <cstdlib>
#include <fstream>
#include <vector>

#include "brommet/ParameterCatalog.h"
#include "ombrel/EntryParser.h"
#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/IniSettingsStore.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

std::filesystem::path userDataFolder() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) return xdg;
  if (const char* home = std::getenv("HOME"); home && *home)
    return std::filesystem::path(home) / ".local" / "share";
  return ".";
}

std::string_view trimmed(std::string_view s) {
  return trim(s, " \t\r\n\f\v");
}

// Replaces the file with the text (see writeFileAtomically), making its folder first.
void replaceFile(const std::filesystem::path& file, const std::string& text) {
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  writeFileAtomically(file, text);
}

}  // namespace

std::filesystem::path UserFiles::driveFile() {
  return userDataFolder() / "kadrelle" / "drive.json";
}

std::filesystem::path UserFiles::formFile() {
  return userDataFolder() / "kadrelle" / "form.json";
}

std::filesystem::path UserFiles::settingsFile() {
  return IniSettingsStore().fileFor("Kadrelle");
}

std::optional<std::string> readIniSetting(const std::filesystem::path& file,
                                          const std::string& section, const std::string& key) {
  try {
    return IniSettingsStore::lookup(readFileCapped(file, IniSettingsStore::kMaxFileSize), section,
                                    key);
  } catch (const Error&) {
    return std::nullopt;  // missing, unreadable or oversized: as if the setting were not there
  }
}

void writeIniSetting(const std::filesystem::path& file, const std::string& section,
                     const std::string& key, const std::string& value) {
  std::vector<std::string> lines;
  if (std::ifstream in{file, std::ios::binary}) {
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(line);
    }
  }
  const std::string entry = key + "=" + value;
  bool inSection = false;
  bool replaced = false;
  std::optional<std::size_t> sectionEnd;  // where a new key of the section goes
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string_view line = trimmed(lines[i]);
    if (line.starts_with('[') && line.ends_with(']')) {
      inSection = equalsIgnoreCase(trimmed(line.substr(1, line.size() - 2)), section);
      if (inSection) sectionEnd = i + 1;
      continue;
    }
    if (!inSection) continue;
    if (!line.empty() && line[0] != ';' && line[0] != '#') sectionEnd = i + 1;
    const auto equals = line.find('=');
    if (equals != std::string_view::npos &&
        equalsIgnoreCase(trimmed(line.substr(0, equals)), key)) {
      lines[i] = entry;
      replaced = true;
      break;
    }
  }
  if (replaced) {
    // done
  } else if (sectionEnd) {
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(*sectionEnd), entry);
  } else {
    if (!lines.empty() && !lines.back().empty()) lines.emplace_back();
    lines.push_back("[" + section + "]");
    lines.push_back(entry);
  }
  std::string text;
  for (const auto& l : lines) text += l + "\n";
  replaceFile(file, text);
}

DriveSession::DriveSession() {
  const auto file = UserFiles::driveFile();
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) drive_->load(file);
  if (auto level = readIniSetting(UserFiles::settingsFile(), kLockSection, kLockKey)) {
    char* end = nullptr;
    const long n = std::strtol(level->c_str(), &end, 10);
    if (end && *end == '\0' && n >= 0 && n <= 3) drive_->appLock()->put_Level(n);
  }
}

void DriveSession::setLockLevel(std::int32_t level) {
  if (level < 0 || level > 3)
    throw Error(Error::kInvalidPropertyValue,
                "Lock level " + std::to_string(level) +
                    " does not exist (0 operator, 1 technician, 2 engineer, 3 factory)");
  writeIniSetting(UserFiles::settingsFile(), kLockSection, kLockKey, std::to_string(level));
  drive_->appLock()->put_Level(level);
}

void DriveSession::save() {
  const auto file = UserFiles::driveFile();
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);
  drive_->save(file);
}

const ParameterInfo& DriveSession::findParameter(const std::string& name) {
  const ParameterInfo* info = ParameterCatalog::findKey(name);
  if (!info && !name.empty() && (name[0] == 'p' || name[0] == 'P')) {
    std::string upper = name;
    upper[0] = 'P';
    info = ParameterCatalog::findKey(upper);
  }
  if (!info) info = ParameterCatalog::findKey("P" + name);
  if (!info)
    throw Error(Error::kInvalidCall,
                "No parameter " + name + " on this drive (kadrelle params lists them)");
  return *info;
}

void DriveSession::commit(const ParameterInfo& info, const Variant& value) {
  auto object = library_.makeValueObject(info.number);
  std::optional<std::pair<std::int32_t, std::string>> refused;
  Connection c = object->UpdateError.connect(
      [&](std::int32_t& code, std::string& text) { refused.emplace(code, text); });
  ViewRef view = object->get_AppView();
  if (info.text) {
    view->put_TextValue(CStr(value));
  } else if (value.holdsNumber()) {
    view->put_NumericValue(CDbl(value));
  } else {
    // Text for a number is read as the edit box reads an entry: hexadecimal parameters in hex.
    const std::string text = CStr(value);
    const bool hex = info.displayBase == 1;
    const auto number = hex ? EntryParser::parseHex(text) : EntryParser::parseDecimal(text);
    if (!number)
      throw Error(Error::kTypeMismatch,
                  "\"" + text + "\" is not " + (hex ? "a hexadecimal number" : "a number"));
    view->put_NumericValue(*number);
  }
  object->Commit();
  if (refused) {
    const bool locked = refused->first == BrommetValueObject::kLockTooLow;
    throw Error(refused->first, std::string(info.key) + " " + refused->second +
                                    (locked ? " (kadrelle lock N changes the level)" : ""));
  }
}

}  // namespace kadrelle
