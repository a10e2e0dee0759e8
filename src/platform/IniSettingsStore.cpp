#include "platform/IniSettingsStore.h"

#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

std::string_view trimSpace(std::string_view s) {
  return trim(s, " \t\r\n\f\v");
}

// Where a setting is in INI text, found by the one reading rule both the reader and the writer
// follow: the first "key=" line of any section of that name.
struct Place {
  // The value's characters in the text (blanks around it excluded), when the key is there.
  std::optional<std::pair<std::size_t, std::size_t>> value;
  // Where a new line for the key goes: after the last setting of the first section of that name
  // (or after its header), when there is such a section.
  std::optional<std::size_t> newLine;
};

Place locate(std::string_view text, std::string_view section, std::string_view key) {
  Place place;
  bool inSection = false;
  bool firstSectionOver = false;
  std::size_t pos = text.starts_with(kByteOrderMark) ? kByteOrderMark.size() : 0;
  while (pos < text.size()) {
    const std::size_t newline = text.find('\n', pos);
    const std::size_t end = newline == std::string_view::npos ? text.size() : newline;
    const std::size_t next = newline == std::string_view::npos ? text.size() : newline + 1;
    const std::string_view raw = text.substr(pos, end - pos);
    const std::string_view line = trimSpace(raw);
    const std::size_t lineStart = pos;
    pos = next;
    if (line.empty() || line.front() == ';' || line.front() == '#') continue;
    if (line.front() == '[') {
      if (place.newLine) firstSectionOver = true;
      const std::size_t close = line.find(']');
      inSection = close != std::string_view::npos &&
                  equalsIgnoreCase(trimSpace(line.substr(1, close - 1)), section);
      if (inSection && !firstSectionOver && !place.newLine) place.newLine = next;
      continue;
    }
    if (!inSection) continue;
    if (!firstSectionOver) place.newLine = next;
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos || !equalsIgnoreCase(trimSpace(line.substr(0, eq)), key))
      continue;
    const std::size_t afterEq =
        lineStart + static_cast<std::size_t>(line.data() - raw.data()) + eq + 1;
    const std::string_view value = trimSpace(line.substr(eq + 1));
    const std::size_t begin =
        value.empty() ? afterEq : lineStart + static_cast<std::size_t>(value.data() - raw.data());
    place.value.emplace(begin, begin + value.size());
    return place;
  }
  return place;
}

}  // namespace

IniSettingsStore::IniSettingsStore() : folder_(userConfigFolder()) {}
IniSettingsStore::IniSettingsStore(std::filesystem::path folder) : folder_(std::move(folder)) {}

std::filesystem::path IniSettingsStore::fileFor(const std::string& application) const {
  return folder_ / (application + ".ini");
}

std::optional<std::string> IniSettingsStore::lookup(std::string_view text, std::string_view section,
                                                    std::string_view key) {
  const Place place = locate(text, section, key);
  if (!place.value) return std::nullopt;
  return std::string(text.substr(place.value->first, place.value->second - place.value->first));
}

std::string IniSettingsStore::withSetting(std::string_view text, std::string_view section,
                                          std::string_view key, std::string_view value) {
  const Place place = locate(text, section, key);
  std::string out(text);
  if (place.value)
    return out.replace(place.value->first, place.value->second - place.value->first, value);
  // New lines end as the file's first line does.
  const std::size_t firstNewline = text.find('\n');
  const std::string eol =
      firstNewline != std::string_view::npos && firstNewline > 0 && text[firstNewline - 1] == '\r'
          ? "\r\n"
          : "\n";
  const std::string entry = std::string(key) + "=" + std::string(value) + eol;
  if (place.newLine) {
    // The section's last line may be the file's last, without a line end.
    const bool unterminated = *place.newLine == text.size() && !text.ends_with('\n');
    return out.insert(*place.newLine, unterminated ? eol + entry : entry);
  }
  const bool empty = text.empty() || text == kByteOrderMark;
  if (!empty && !text.ends_with('\n')) out += eol;
  if (!empty) out += eol;
  return out + "[" + std::string(section) + "]" + eol + entry;
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

void IniSettingsStore::SaveSetting(const std::string& application, const std::string& section,
                                   const std::string& key, const std::string& value) {
  const std::filesystem::path file = fileFor(application);
  auto refuse = [&](const std::string& why) {
    return Error(Error::kInvalidCall,
                 file.string() + ": cannot save " + section + "/" + key + ": " + why);
  };
  const auto lineBreak = [](std::string_view s) { return s.find_first_of("\r\n") != s.npos; };
  if (lineBreak(section) || lineBreak(key) || lineBreak(value))
    throw refuse("a setting is one line");
  if (key.empty() || trimSpace(key) != key || key.find('=') != std::string::npos ||
      key.front() == '[' || key.front() == ';' || key.front() == '#' ||
      trimSpace(section) != section || section.find(']') != std::string::npos)
    throw refuse("not a name the settings file can hold");
  std::error_code ignored;
  std::filesystem::create_directories(folder_, ignored);  // a failure shows in the write
  updateFileAtomically(file, kMaxFileSize, [&](const std::optional<std::string>& current) {
    const std::string text = current.value_or("");
    if (text.find('\0') != std::string::npos)
      throw refuse("the file is not a settings file (it holds NUL bytes)");
    return std::optional<std::string>(withSetting(text, section, key, value));
  });
}

}  // namespace kadrelle
