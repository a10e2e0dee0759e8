#include "session/DriveSession.h"

#include <cmath>

#include "brommet/ParameterCatalog.h"
#include "ombrel/EntryParser.h"
#include "platform/Error.h"
#include "platform/FileIo.h"

namespace kadrelle {

namespace {

bool isStored(const ParameterInfo& info) {
  return info.nonVolatile && !info.readOnly;
}

Error noSuchLevel(const std::string& level) {
  return Error(
      Error::kInvalidPropertyValue,
      "Lock level " + level + " does not exist (0 operator, 1 technician, 2 engineer, 3 factory)");
}

}  // namespace

DriveSession::DriveSession() {
  const auto file = UserFiles::driveFile();
  std::error_code ec;
  if (std::filesystem::exists(file, ec)) drive_->load(file);
  saved_ = stored();
  if (auto level = settings_.lockLevel()) drive_->appLock()->put_Level(*level);
}

bool DriveSession::hasParameter(std::int32_t number) const {
  return ParameterCatalog::find(number) != nullptr;
}

ValueObjectRef DriveSession::valueObject(std::int32_t number) {
  return library_.makeValueObject(number);
}

void DriveSession::setLockLevel(std::int32_t level) {
  if (level < 0 || level > 3) throw noSuchLevel(std::to_string(level));
  settings_.saveLockLevel(level);
  drive_->appLock()->put_Level(level);
}

void DriveSession::setLockLevel(const std::string& text) {
  const auto level = parseNumber(text);
  if (!level || *level != std::floor(*level))
    throw Error(Error::kTypeMismatch, "A lock level is a number from 0 to 3, not \"" + text + "\"");
  if (*level < 0 || *level > 3) throw noSuchLevel(text);
  setLockLevel(static_cast<std::int32_t>(*level));
}

std::vector<DriveSession::Stored> DriveSession::stored() const {
  const auto catalog = ParameterCatalog::all();
  std::vector<Stored> values(catalog.size());
  for (std::size_t i = 0; i < catalog.size(); ++i)
    if (isStored(catalog[i])) values[i] = {drive_->valueAt(i), drive_->textAt(i)};
  return values;
}

void DriveSession::save() {
  const auto file = UserFiles::driveFile();
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);  // a failure shows in the write
  const std::vector<Stored> now = stored();
  const FileLock lock(file);
  // What other programs saved since, with this session's changes on top.
  ServoDrive merged;
  if (std::filesystem::exists(file, ec)) merged.load(file);
  const auto catalog = ParameterCatalog::all();
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    if (!isStored(catalog[i]) || now[i] == saved_[i]) continue;
    if (catalog[i].text)
      merged.setText(catalog[i].number, now[i].text);
    else
      merged.setValue(catalog[i].number, now[i].value);
  }
  merged.save(file);
  saved_ = now;
}

DriveParameters DriveSession::parameters() {
  return {ParameterCatalog::all(), library_, "Brommet simulated servo drive", "1"};
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
