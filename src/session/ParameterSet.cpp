#include "session/ParameterSet.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <map>
#include <set>

#include "brommet/ServoDrive.h"
#include "brommet/ValueText.h"
#include "ombrel/EntryParser.h"
#include "platform/Error.h"
#include "platform/FileIo.h"
#include "platform/NumberFormat.h"
#include "platform/Variant.h"

namespace kadrelle {

namespace {

constexpr std::uintmax_t kMaxSetFile = 1u << 20;

std::string_view trim(std::string_view s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

std::string quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + '"';
}

// One value object bound to a parameter of the drive, for reading and writing it.
ValueObjectRef bound(const DriveParameters& drive, const ParameterInfo& info) {
  ValueObjectRef object = drive.library.createValueObject();
  object->put_ParameterNumber(info.number);
  return object;
}

// A value in application units as the drive stores it: in drive units, whole when they are.
double stored(const ParameterInfo& info, double appValue) {
  const double value = appValue / info.scale;
  return info.integral ? roundHalfEven(value) : value;
}

// Equal as stored: a drive may hold a value in single precision, so 0.0912 matches the
// 0.09120000153 it keeps for it.
bool sameStored(double a, double b) {
  return a == b || std::fabs(a - b) <= 4 * FLT_EPSILON * std::max(std::fabs(a), std::fabs(b));
}

// A value in drive units as the drive shows it, or, where that text would be read back as
// another value (a format coarser than the drive's resolution), with the digits it needs.
std::string shownExactly(const ParameterInfo& info, double driveValue) {
  const double appValue = driveValue * info.scale;
  std::string text = shownText(info, appValue);
  const auto back = parsedNumber(info, text);
  if (!back || !sameStored(stored(info, *back), driveValue)) text = CStr(Variant(appValue));
  return text;
}

// The parameter's value as a set writes it.
std::string shownValue(const ParameterInfo& info, ValueObject& object) {
  const ViewRef view = object.get_DriveView();
  return info.text ? view->get_TextValue() : shownExactly(info, view->get_NumericValue());
}

std::string describeEntry(const SetEntryComparison& row) {
  std::string text = row.entry->key + " (" + std::string(stateName(row.state));
  if (!row.reason.empty()) text += ": " + row.reason;
  return text + ")";
}

// Commits what `put` stored in the value object's views, as a control's commit does; a refusal is
// the drive's error naming the parameter.
template <class Put>
void commit(const DriveParameters& drive, ValueObject& object, const ParameterInfo& info, Put put) {
  std::optional<std::pair<std::int32_t, std::string>> refused;
  Connection c = object.UpdateError.connect(
      [&](std::int32_t& code, std::string& reason) { refused.emplace(code, reason); });
  put();
  object.Commit();
  if (drive.awaitWrite) drive.awaitWrite(object);
  if (refused) throw Error(refused->first, std::string(info.key) + ": " + refused->second);
}

// What a parameter held before a set was applied, in drive units, to put back.
struct Written {
  ValueObjectRef object;
  const ParameterInfo* info;
  double value;
  std::string text;
};

}  // namespace

const ParameterInfo* DriveParameters::find(std::string_view key) const {
  for (const auto& info : catalog)
    if (info.key.size() == key.size() &&
        std::equal(key.begin(), key.end(), info.key.begin(),
                   [](char a, char b) { return std::toupper(a) == std::toupper(b); }))
      return &info;
  return nullptr;
}

std::string shownText(const ParameterInfo& info, double appValue) {
  std::string text = ValueText::format(appValue, info.appFormat, info.displayBase);
  if (info.displayBase == 1 && text.starts_with("&H"))
    text = NumberFormat::formatHex(appValue,
                                   NumberFormat::hexDigitsFor(info.appUpper - info.appLower));
  return text;
}

std::optional<double> parsedNumber(const ParameterInfo& info, std::string_view text) {
  return info.displayBase == 1 ? EntryParser::parseHex(text) : EntryParser::parseDecimal(text);
}

std::string exportParameterSet(const DriveParameters& drive) {
  std::string out =
      "# Kadrelle parameter set: one parameter a line, KEY = VALUE, values in\n"
      "# application units as the drive shows them. Read-only values are comments.\n";
  out += "drive = " + quote(drive.drive) + "\nversion = " + quote(drive.version) + "\n";
  for (const auto& info : drive.catalog) {
    if (info.measured) continue;
    const ValueObjectRef object = bound(drive, info);
    std::string value = shownValue(info, *object);
    if (info.text) value = quote(value);
    std::string line = (info.readOnly ? "# " : "") + std::string(info.key) + " = " + value;
    line.resize(std::max<std::size_t>(line.size() + 1, 26), ' ');
    line += "# " + std::string(info.name);
    if (!info.appUnits.empty()) line += " (" + std::string(info.appUnits) + ")";
    if (info.readOnly) line += ", read-only";
    out += "\n" + line;
  }
  return out + "\n";
}

ParameterSet parseParameterSet(std::string_view text, const std::string& source) {
  ParameterSet set;
  std::set<std::string> seen;
  std::size_t number = 0;
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  while (!text.empty()) {
    ++number;
    const auto end = text.find('\n');
    std::string_view line = trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (line.empty() || line[0] == '#') continue;
    auto bad = [&](const std::string& what) {
      return Error::badFileFormat(source + ":" + std::to_string(number), what);
    };
    const auto equals = line.find('=');
    if (equals == std::string_view::npos) throw bad("expected KEY = VALUE");
    ParameterSet::Entry entry;
    entry.key = std::string(trim(line.substr(0, equals)));
    entry.line = number;
    std::string_view rest = trim(line.substr(equals + 1));
    if (entry.key.empty()) throw bad("a value without a key");
    if (rest.starts_with('"')) {
      std::size_t i = 1;
      for (; i < rest.size() && rest[i] != '"'; ++i) {
        if (rest[i] == '\\' && i + 1 < rest.size()) ++i;
        entry.value += rest[i];
      }
      if (i >= rest.size()) throw bad("a text without its closing quote");
      rest = trim(rest.substr(i + 1));
      if (!rest.empty() && rest[0] != '#') throw bad("more after the closing quote");
      entry.quoted = true;
    } else {
      const auto comment = rest.starts_with('#') ? 0 : rest.find(" #");
      entry.value = std::string(trim(rest.substr(0, comment)));
      if (entry.value.empty()) throw bad("no value for " + entry.key);
    }
    if (entry.key == "drive" || entry.key == "version") {
      (entry.key == "drive" ? set.drive : set.version) = entry.value;
      continue;
    }
    std::string upper = entry.key;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (!seen.insert(upper).second) throw bad(entry.key + " is given twice");
    set.entries.push_back(std::move(entry));
  }
  return set;
}

ParameterSet readParameterSet(const std::filesystem::path& file) {
  return parseParameterSet(readFileCapped(file, kMaxSetFile), file.string());
}

std::string_view stateName(SetEntryState state) {
  switch (state) {
    case SetEntryState::Unchanged:
      return "unchanged";
    case SetEntryState::Changed:
      return "changed";
    case SetEntryState::ReadOnly:
      return "read-only";
    case SetEntryState::Unknown:
      return "unknown to this drive";
    case SetEntryState::Invalid:
      return "invalid";
    case SetEntryState::AboveLockLevel:
      return "above the lock level";
  }
  return "";
}

std::size_t SetComparison::count(SetEntryState state) const {
  return static_cast<std::size_t>(std::count_if(
      entries.begin(), entries.end(), [&](const auto& row) { return row.state == state; }));
}

SetComparison compareParameterSet(const DriveParameters& drive, const ParameterSet& set) {
  SetComparison result;
  for (const auto& entry : set.entries) {
    SetEntryComparison& row = result.entries.emplace_back();
    row.entry = &entry;
    row.fileText = entry.value;
    row.info = drive.find(entry.key);
    if (!row.info || row.info->measured) {
      row.info = nullptr;
      row.state = SetEntryState::Unknown;
      row.reason = "no parameter " + entry.key + " to set on this drive";
      continue;
    }
    const ParameterInfo& info = *row.info;
    const ValueObjectRef object = bound(drive, info);
    row.driveText = shownValue(info, *object);
    if (info.text) {
      row.state = entry.value == row.driveText ? SetEntryState::Unchanged : SetEntryState::Changed;
      if (auto problem = ServoDrive::checkText(info, entry.value)) row.reason = *problem;
    } else if (const auto number = parsedNumber(info, entry.value)) {
      row.fileText = shownExactly(info, stored(info, *number));
      const double driveValue = object->get_DriveView()->get_NumericValue();
      row.state = sameStored(stored(info, *number), driveValue) ? SetEntryState::Unchanged
                                                                : SetEntryState::Changed;
      if (auto problem = ServoDrive::checkValue(info, *number, true)) row.reason = *problem;
    } else {
      row.state = SetEntryState::Invalid;
      row.reason = "\"" + entry.value + "\" is not " +
                   (info.displayBase == 1 ? "a hexadecimal number" : "a number");
    }
    if (row.state == SetEntryState::Unchanged) continue;
    row.requiredLevel = object->get_RequiredLock()->get_Level();
    if (!row.reason.empty()) {
      row.state = SetEntryState::Invalid;
    } else if (info.readOnly) {
      row.state = SetEntryState::ReadOnly;
      row.reason = "the drive's value cannot be changed";
    } else if (row.requiredLevel > object->get_AppLock()->get_Level()) {
      row.state = SetEntryState::AboveLockLevel;
      row.reason = "needs lock level " + std::to_string(row.requiredLevel);
    }
  }
  return result;
}

std::vector<AppliedValue> applyParameterSet(const DriveParameters& drive, const ParameterSet& set,
                                            const std::vector<std::string>& only, bool dryRun) {
  const SetComparison comparison = compareParameterSet(drive, set);
  std::map<const ParameterInfo*, const SetEntryComparison*> chosen;
  std::string refused;
  std::set<std::string> wanted;
  for (const auto& key : only)
    wanted.insert(drive.find(key) ? std::string(drive.find(key)->key) : key);
  std::set<std::string> found;
  for (const auto& row : comparison.entries) {
    const std::string key = row.info ? std::string(row.info->key) : row.entry->key;
    if (!wanted.empty() && !wanted.contains(key)) continue;
    found.insert(key);
    if (row.state == SetEntryState::Changed)
      chosen.emplace(row.info, &row);
    else if (row.state != SetEntryState::Unchanged)
      refused += (refused.empty() ? "" : ", ") + describeEntry(row);
  }
  for (const auto& key : wanted)
    if (!found.contains(key)) refused += (refused.empty() ? "" : ", ") + key + " (not in the set)";
  if (!refused.empty())
    throw Error(Error::kInvalidCall, "Nothing was written; cannot apply " + refused);

  // The drive's descriptions list a parameter after those it depends on.
  std::vector<AppliedValue> changes;
  for (const auto& info : drive.catalog) {
    const auto it = chosen.find(&info);
    if (it == chosen.end()) continue;
    changes.push_back({&info, it->second->driveText,
                       info.text ? it->second->entry->value : it->second->fileText});
  }
  if (dryRun) return changes;
  std::vector<Written> written;
  written.reserve(changes.size());
  try {
    for (const auto& change : changes) {
      const ParameterInfo& info = *change.info;
      ValueObjectRef object = bound(drive, info);
      const ViewRef driveView = object->get_DriveView();
      Written before{object, &info, info.text ? 0 : driveView->get_NumericValue(),
                     info.text ? driveView->get_TextValue() : std::string()};
      const std::string& value = chosen.at(&info)->entry->value;
      commit(drive, *object, info, [&] {
        if (info.text)
          driveView->put_TextValue(value);
        else
          object->get_AppView()->put_NumericValue(*parsedNumber(info, value));
      });
      written.push_back(std::move(before));
    }
  } catch (const std::exception& failure) {
    // Put back what was written, newest first, as the drive held it.
    std::string notRestored;
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
      try {
        commit(drive, *it->object, *it->info, [&] {
          if (it->info->text)
            it->object->get_DriveView()->put_TextValue(it->text);
          else
            it->object->get_DriveView()->put_NumericValue(it->value);
        });
      } catch (const std::exception&) {
        notRestored += (notRestored.empty() ? "" : ", ") + std::string(it->info->key);
      }
    }
    const Error error = asError(failure);
    throw Error(error.number(),
                error.description() + (written.empty() ? ""
                                       : notRestored.empty()
                                           ? "; the values written before it were restored"
                                           : "; could not restore " + notRestored));
  }
  return changes;
}

std::string shownDefault(const ParameterInfo& info) {
  return info.text ? std::string(info.defaultText) : shownExactly(info, info.defaultValue);
}

bool atDefault(const ParameterInfo& info, ValueObject& object) {
  if (info.text) return object.get_DriveView()->get_TextValue() == info.defaultText;
  return sameStored(object.get_DriveView()->get_NumericValue(), info.defaultValue);
}

std::vector<const ParameterInfo*> parametersNotAtDefault(const DriveParameters& drive) {
  std::vector<const ParameterInfo*> changed;
  for (const auto& info : drive.catalog) {
    if (info.measured || info.readOnly) continue;
    if (!atDefault(info, *bound(drive, info))) changed.push_back(&info);
  }
  return changed;
}

}  // namespace kadrelle
