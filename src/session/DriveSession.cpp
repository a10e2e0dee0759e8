#include "session/DriveSession.h"

#include <poll.h>

#include <cmath>
#include <cstdio>

#include "brommet/ParameterCatalog.h"
#include "modbus/ModbusValueObject.h"
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

// "3", "0.5": a time in seconds as messages give it.
std::string seconds(std::chrono::milliseconds time) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", static_cast<double>(time.count()) / 1000);
  return text;
}

}  // namespace

DriveSession::DriveSession(const DriveChoice& choice) : choice_(choice) {
  description_ = choice.description.empty() ? DriveDescription::simulated()
                                            : DriveDescription::load(choice.description);
  if (choice.network()) {
    dispatcher_ = std::make_shared<Dispatcher>();
    network_ = std::make_unique<ModbusLibrary>(parseModbusAddress(choice.address), description_,
                                               dispatcher_);
  } else {
    drive_ = std::make_shared<ServoDrive>(description_);
    simulatedLibrary_ = std::make_unique<BrommetLibrary>(drive_);
    driveFile_ = UserFiles::driveFile(choice.description);
    std::error_code ec;
    if (std::filesystem::exists(driveFile_, ec)) drive_->load(driveFile_);
    saved_ = stored();
  }
  if (auto level = settings_.lockLevel()) appLock()->put_Level(*level);
}

DriveSession::~DriveSession() {
  read_.clear();  // before the library they belong to
}

ValueLibrary& DriveSession::library() {
  if (network_) return *network_;
  return *simulatedLibrary_;
}

const std::shared_ptr<BrommetLockLevel>& DriveSession::appLock() const {
  return network_ ? network_->appLock() : drive_->appLock();
}

bool DriveSession::hasParameter(std::int32_t number) const {
  return description_->find(number) != nullptr;
}

ValueObjectRef DriveSession::valueObject(std::int32_t number) {
  if (network_) return network_->makeValueObject(number);
  return simulatedLibrary_->makeValueObject(number);
}

double DriveSession::driveValue(const ParameterInfo& info) {
  return valueObject(info.number)->get_DriveView()->get_NumericValue();
}

std::string DriveSession::text(const ParameterInfo& info) {
  return valueObject(info.number)->get_DriveView()->get_TextValue();
}

template <class Done>
bool DriveSession::pumpUntil(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + choice_.timeout;
  while (!done()) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{dispatcher_->fd(), POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(std::min<long long>(left.count(), 100)));
    dispatcher_->pump();
  }
  return true;
}

void DriveSession::tick(double seconds) {
  if (drive_)
    drive_->tick(seconds);
  else
    dispatcher_->pump();
}

void DriveSession::wait(double seconds) {
  if (drive_) return drive_->tick(seconds);
  const auto until = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(std::clamp(seconds, 0.0, 3600.0)));
  while (true) {
    dispatcher_->pump();
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        until - std::chrono::steady_clock::now());
    if (left.count() <= 0) return;
    pollfd ready{dispatcher_->fd(), POLLIN, 0};
    ::poll(&ready, 1, static_cast<int>(left.count()));
  }
}

bool DriveSession::connected() const {
  return !network_ || network_->connected();
}

std::string DriveSession::connectionText() const {
  if (!network_) return "simulated drive";
  const std::string drive = "drive " + network_->endpoint().name();
  if (network_->connected()) return drive + " connected";
  const std::string why = network_->connectionProblem();
  return drive + " not connected" + (why.empty() ? std::string() : ": " + why);
}

void DriveSession::awaitValues() {
  if (!network_) return;
  if (read_.empty())
    for (std::size_t i = 0; i < description_->size(); ++i)
      if (description_->location(i))
        read_.push_back(network_->makeValueObject(description_->parameters()[i].number));
  // A drive that refused or dropped the connection, or did not answer, is not waited for.
  std::string why = network_->connected() ? std::string() : network_->connectionProblem();
  Connection lost = network_->ConnectionChanged.connect([&] {
    if (!network_->connected()) why = network_->connectionProblem();
  });
  const bool read = pumpUntil([&] {
    if (!why.empty()) return true;
    for (std::size_t i = 0; i < description_->size(); ++i)
      if (description_->location(i) && !network_->known(description_->parameters()[i].number))
        return false;
    return true;
  });
  if (read && why.empty()) return;
  throw Error(ModbusLibrary::kNotAnswered, why.empty() ? "drive " + network_->endpoint().name() +
                                                             " did not answer within " +
                                                             seconds(choice_.timeout) + " s"
                                                       : why);
}

void DriveSession::setLockLevel(std::int32_t level) {
  if (level < 0 || level > 3) throw noSuchLevel(std::to_string(level));
  settings_.saveLockLevel(level);
  appLock()->put_Level(level);
}

void DriveSession::setLockLevel(const std::string& text) {
  const auto level = parseNumber(text);
  if (!level || *level != std::floor(*level))
    throw Error(Error::kTypeMismatch, "A lock level is a number from 0 to 3, not \"" + text + "\"");
  if (*level < 0 || *level > 3) throw noSuchLevel(text);
  setLockLevel(static_cast<std::int32_t>(*level));
}

std::vector<DriveSession::Stored> DriveSession::stored() const {
  const auto catalog = description_->parameters();
  std::vector<Stored> values(catalog.size());
  for (std::size_t i = 0; i < catalog.size(); ++i)
    if (isStored(catalog[i])) values[i] = {drive_->valueAt(i), drive_->textAt(i)};
  return values;
}

void DriveSession::save() {
  if (!drive_) return;
  const auto& file = driveFile_;
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);  // a failure shows in the write
  const std::vector<Stored> now = stored();
  const FileLock lock(file);
  // What other programs saved since, with this session's changes on top.
  ServoDrive merged(description_);
  if (std::filesystem::exists(file, ec)) merged.load(file);
  const auto catalog = description_->parameters();
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
  if (!network_)
    return {description_->parameters(), *simulatedLibrary_,
            choice_.description.empty() ? "Brommet simulated servo drive" : description_->name(),
            "1"};
  DriveParameters drive{description_->parameters(), *network_, description_->name(), "1"};
  drive.awaitWrite = [this](ValueObject& object) { awaitWrite(object); };
  return drive;
}

const ParameterInfo& DriveSession::findParameter(const std::string& name) const {
  const ParameterInfo* info = description_->findKey(name);
  if (!info && !name.empty() && (name[0] == 'p' || name[0] == 'P')) {
    std::string upper = name;
    upper[0] = 'P';
    info = description_->findKey(upper);
  }
  if (!info) info = description_->findKey("P" + name);
  if (!info)
    throw Error(Error::kInvalidCall,
                "No parameter " + name + " on this drive (kadrelle params lists them)");
  return *info;
}

void DriveSession::commit(const ParameterInfo& info, const Variant& value) {
  auto object = valueObject(info.number);
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
  if (network_) awaitWrite(*object);
  if (refused) {
    const bool locked = refused->first == BrommetValueObject::kLockTooLow;
    throw Error(refused->first, std::string(info.key) + " " + refused->second +
                                    (locked ? " (kadrelle lock N changes the level)" : ""));
  }
}

void DriveSession::awaitWrite(ValueObject& object) {
  auto* written = dynamic_cast<ModbusValueObject*>(&object);
  if (!written || pumpUntil([&] { return !written->writing(); })) return;
  throw Error(ModbusLibrary::kNotAnswered, "drive " + network_->endpoint().name() +
                                               " did not answer the write within " +
                                               seconds(choice_.timeout) + " s");
}

}  // namespace kadrelle
