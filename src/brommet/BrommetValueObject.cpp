#include "brommet/BrommetValueObject.h"

#include <algorithm>
#include <cmath>

#include "platform/Error.h"
#include "platform/Variant.h"

namespace kadrelle {

BrommetValueObject::BrommetValueObject(std::shared_ptr<ServoDrive> drive)
    : drive_(std::move(drive)) {
  if (!drive_) throw Error::objectNotSet();
  appLock_ = drive_->appLock();
  requiredLock_ = std::make_shared<BrommetLockLevel>(0, true, drive_->faults());
  requiredLock_->setFaultListener(this);
  appView_ = std::make_shared<BrommetView>(*this, true);
  driveView_ = std::make_shared<BrommetView>(*this, false);
}

BrommetValueObject::~BrommetValueObject() {
  requiredLock_->setFaultListener(nullptr);  // a control may keep the level longer
  appView_->detach();
  driveView_->detach();
}

void BrommetValueObject::lockLevelFault(const Error& error) {
  if (showing_ == 0) report(error);
}

ViewRef BrommetValueObject::get_AppView() {
  simulate("get_AppView");
  return appView_;
}

ViewRef BrommetValueObject::get_DriveView() {
  simulate("get_DriveView");
  return driveView_;
}

Boolean BrommetValueObject::get_ReadOnly() {
  simulate("get_ReadOnly");
  return Boolean(!info_ || info_->readOnly);
}

std::string BrommetValueObject::get_Key() {
  simulate("get_Key");
  return info_ ? std::string(info_->key) : std::string();
}

void BrommetValueObject::put_ParameterNumber(ParameterNumbers number) {
  simulate("put_ParameterNumber");
  number_ = number;
  info_ = drive_->description().find(number);
  index_ = info_ ? *drive_->description().indexOf(number) : 0;
  pending_.reset();
  valueWatch_ = info_ ? drive_->watch(number, [this](ServoDrive::Notice n) { onDriveNotice(n); })
                      : Connection();
  enabledWatch_ = info_ && info_->stopOnly
                      ? drive_->EnabledChanged.connect([this] { onEnabledChanged(); })
                      : Connection();
  requiredLock_->setLevel(drive_->requiredLevel(number));
}

LockLevelRef BrommetValueObject::get_AppLock() {
  simulate("get_AppLock");
  return appLock_;
}

void BrommetValueObject::putref_AppLock(LockLevelRef lock) {
  simulate("putref_AppLock");
  appLock_ = std::move(lock);
}

LockLevelRef BrommetValueObject::get_RequiredLock() {
  simulate("get_RequiredLock");
  return requiredLock_;
}

void BrommetValueObject::putref_Link(std::shared_ptr<Object> link) {
  simulate("putref_Link");
  link_ = std::move(link);
}

std::int32_t BrommetValueObject::get_IsText() {
  simulate("get_IsText");
  return info_ && info_->text ? 1 : 0;
}

Variant BrommetValueObject::currentValue() const {
  if (!info_) return Variant();
  if (info_->text) return Variant(drive_->textAt(index_));
  return Variant(drive_->valueAt(index_) * info_->scale);
}

std::string BrommetValueObject::unknownDescription() const {
  if (number_ == 0) return std::string();
  return "Unknown parameter " + std::to_string(number_);
}

double BrommetValueObject::driveValue() const {
  if (!info_ || info_->text) return 0;
  if (pending_ && !pending_->isText && !pending_->notANumber)
    return pending_->appView ? pending_->value / info_->scale : pending_->value;
  return drive_->valueAt(index_);
}

std::string BrommetValueObject::textValue() const {
  if (!info_ || !info_->text) return std::string();
  if (pending_ && pending_->isText) return pending_->text;
  return drive_->textAt(index_);
}

void BrommetValueObject::setPendingNumber(double value, bool appView) {
  if (info_ && info_->text) {
    pending_ = Pending{.isText = true, .text = numberText(value)};
    return;
  }
  pending_ = Pending{.appView = appView, .value = value, .text = {}};
}

void BrommetValueObject::setPendingText(const std::string& text, bool appView) {
  if (info_ && info_->text) {
    pending_ = Pending{.isText = true, .text = text};
    return;
  }
  if (auto number = parseNumber(text)) {
    pending_ = Pending{.appView = appView, .value = *number, .text = {}};
    return;
  }
  pending_ = Pending{.notANumber = true, .appView = appView, .text = text};
}

void BrommetValueObject::refuse(std::int32_t code, const std::string& what) {
  std::int32_t c = code;
  std::string description = info_ ? std::string(info_->name) + ": " + what : what;
  ++reported_;
  UpdateError.raise(c, description);
}

bool BrommetValueObject::refusedBeforeWrite() {
  auto refused = valueRules::unwritable(info_, number_, info_ && info_->readOnly);
  if (!refused) {
    const std::int32_t held = appLock_ ? appLock_->get_Level() : 0;
    refused = valueRules::locked(drive_->requiredLevel(number_), held);
    if (refused && info_->stopOnly && drive_->enabled() && held >= info_->lockLevel)
      refused->second += "; disable the drive to change it";
  }
  if (refused) refuse(refused->first, refused->second);
  return refused.has_value();
}

template <class Write>
void BrommetValueObject::reportingFailures(Write&& write) {
  const auto self = held();
  const int reported = reported_;
  try {
    write();
  } catch (const std::exception& e) {
    if (reported_ == reported) report(asError(e));
    throw;
  }
}

void BrommetValueObject::Commit() {
  simulate("Commit", true);
  reportingFailures([this] { commitPending(); });
}

void BrommetValueObject::commitPending() {
  if (!pending_) return;
  const Pending pending = std::move(*pending_);
  pending_.reset();
  if (refusedBeforeWrite()) return;

  if (info_->text) {
    if (auto problem = ServoDrive::checkText(*info_, pending.text))
      return refuse(kBadText, *problem);
    drive_->setText(number_, pending.text);
    Changed.raise(currentValue());
    return;
  }
  if (pending.notANumber) return refuse(kBadText, "\"" + pending.text + "\" is not a number");
  if (auto refused = valueRules::refusal(*info_, pending.value, pending.appView))
    return refuse(refused->first, refused->second);
  drive_->setValue(number_, valueRules::stored(*info_, pending.value, pending.appView));
  Changed.raise(currentValue());
}

void BrommetValueObject::step(bool appView, bool up, std::int16_t shift) {
  reportingFailures([&] { stepValue(appView, up, shift); });
}

void BrommetValueObject::stepValue(bool appView, bool up, std::int16_t shift) {
  if (info_ && (info_->text || info_->step <= 0))
    return refuse(kNotSteppable, "the value cannot be stepped");
  if (refusedBeforeWrite()) return;
  pending_.reset();
  const double value = valueRules::stepped(*info_, drive_->valueAt(index_), appView, up, shift);

  if (value != drive_->valueAt(index_)) {
    drive_->setValue(number_, value);
    Changed.raise(currentValue());
  } else {
    // At a limit: nothing changed, but the caller's display still needs the value back.
    showValue();
  }
}

void BrommetValueObject::onDriveNotice(ServoDrive::Notice notice) {
  const auto self = held();
  if (notice == ServoDrive::Notice::Changed) {
    ValueChanged.raise(currentValue());
  } else if (notice == ServoDrive::Notice::LockFault) {
    // Only a holder of the session's lock that is not refreshing already (a refresh under way
    // reports what it throws).
    const Error* fault = drive_->lockFault();
    if (!fault || appLock_ != drive_->appLock() || showing_ > 0) return;
    refuse(fault->number(), fault->description());
  }
  showValue();
}

void BrommetValueObject::showValue() {
  const auto self = held();
  for (int attempt = 0;; ++attempt) {
    ++showing_;
    try {
      ContentChanged.raise(currentValue());
      --showing_;
      return;
    } catch (const std::exception& e) {
      --showing_;
      std::int32_t code = asError(e).number();
      std::string description = asError(e).description();
      ++reported_;
      UpdateError.raise(code, description);
      if (attempt == kRetries) return;
    }
  }
}

void BrommetValueObject::report(const Error& error) {
  const auto self = held();
  pending_.reset();
  refuse(error.number(), error.description());
  if (info_)
    drive_->refresh(number_);
  else
    showValue();
}

void BrommetValueObject::simulateFault(std::string_view member, bool reachesDrive) {
  try {
    drive_->faults()->check(member, reachesDrive);
  } catch (const Error& e) {
    if (showing_ == 0) report(e);
    throw;
  }
}

void BrommetValueObject::onEnabledChanged() {
  requiredLock_->setLevel(drive_->requiredLevel(number_));
  showValue();
}

}  // namespace kadrelle
