#include "modbus/ModbusValueObject.h"

#include <algorithm>
#include <cmath>

#include "brommet/BrommetValueObject.h"
#include "brommet/ParameterView.h"
#include "brommet/ServoDrive.h"
#include "brommet/ValueText.h"
#include "modbus/ModbusCore.h"
#include "platform/Error.h"

namespace kadrelle {

namespace {

class Stepper : public Object {};

}  // namespace

// One view of a Modbus value object: application units or drive units. Reading it reads the
// value object's state; it never waits for the drive.
class ModbusView : public ParameterView {
 public:
  ModbusView(ModbusValueObject& owner, bool appView) : ParameterView(appView), owner_(&owner) {}
  void detach() { owner_ = nullptr; }

  double get_NumericValue() override {
    auto& o = owner();
    return o.info_ ? viewed(*o.info_, o.driveValue()) : o.driveValue();
  }
  void put_NumericValue(double value) override {
    owner().setPending({.appView = appView_, .number = value, .text = numberText(value)});
  }
  double get_DriveValue() override { return owner().driveValue(); }
  void put_DriveValue(double value) override {
    owner().setPending({.appView = false, .number = value, .text = numberText(value)});
  }
  std::string get_TextValue() override {
    auto& o = owner();
    if (!o.info_) return std::string();
    if (o.info_->text) return o.textValue();
    if (o.pending_ && o.pending_->notANumber) return o.pending_->text;
    return formatted(*o.info_, o.driveValue());
  }
  void put_TextValue(const std::string& text) override {
    auto& o = owner();
    if (o.info_ && !o.info_->text) {
      if (auto number = parseNumber(text))
        return o.setPending({.appView = appView_, .number = *number, .text = text});
      return o.setPending({.notANumber = true, .appView = appView_, .text = text});
    }
    o.setPending({.appView = appView_, .text = text});
  }

  std::string get_Description() override {
    auto& o = owner();
    if (!o.info_) return std::string();
    // A drive on the network is one axis: the application view leaves the axis marker out.
    std::string text(o.info_->description);
    if (auto at = text.find("@*@"); at != text.npos && appView_) text.erase(at, 3);
    return text;
  }
  std::string get_DriveDescription() override {
    auto& o = owner();
    if (!o.info_) return std::string();
    std::string text(o.info_->driveDescription);
    if (auto at = text.find("@*@"); at != text.npos) text.erase(at, 3);
    return text;
  }
  std::shared_ptr<Object> get_Stepper() override {
    static const auto kStepper = std::make_shared<Stepper>();
    auto& o = owner();
    const bool steppable = o.info_ && !o.info_->text && !o.get_ReadOnly() && o.info_->step > 0;
    return steppable ? kStepper : nullptr;
  }
  void Step(Boolean up, std::int16_t shift) override {
    owner().step(appView_, static_cast<bool>(up), shift);
  }

 private:
  const ParameterInfo* parameter(std::string_view) override { return owner().info_; }
  ModbusValueObject& owner() {
    if (!owner_)
      throw Error(Error::kObjectNotSet, "The value object of this view no longer exists");
    return *owner_;
  }

  ModbusValueObject* owner_;
};

ModbusValueObject::ModbusValueObject(std::shared_ptr<ModbusLibrary::Core> core)
    : core_(std::move(core)) {
  if (!core_) throw Error::objectNotSet();
  appLock_ = core_->appLock;
  requiredLock_ = std::make_shared<BrommetLockLevel>(0, true);
  appView_ = std::make_shared<ModbusView>(*this, true);
  driveView_ = std::make_shared<ModbusView>(*this, false);
}

ModbusValueObject::~ModbusValueObject() {
  if (info_) core_->unwatch(this, index_);
  static_cast<ModbusView&>(*appView_).detach();
  static_cast<ModbusView&>(*driveView_).detach();
}

ViewRef ModbusValueObject::get_AppView() {
  return appView_;
}

ViewRef ModbusValueObject::get_DriveView() {
  return driveView_;
}

Boolean ModbusValueObject::get_ReadOnly() {
  return Boolean(!info_ || info_->readOnly || !core_->description->location(index_));
}

std::string ModbusValueObject::get_Key() {
  return info_ ? std::string(info_->key) : std::string();
}

void ModbusValueObject::put_ParameterNumber(ParameterNumbers number) {
  if (info_) core_->unwatch(this, index_);
  number_ = number;
  info_ = core_->description->find(number);
  index_ = info_ ? *core_->description->indexOf(number) : 0;
  pending_.reset();
  writing_.reset();
  requiredLock_->setLevel(info_ ? info_->lockLevel : 0);
  if (info_) core_->watch(this, index_);
}

LockLevelRef ModbusValueObject::get_AppLock() {
  return appLock_;
}

void ModbusValueObject::putref_AppLock(LockLevelRef lock) {
  appLock_ = std::move(lock);
}

LockLevelRef ModbusValueObject::get_RequiredLock() {
  return requiredLock_;
}

void ModbusValueObject::putref_Link(std::shared_ptr<Object> link) {
  link_ = std::move(link);
}

std::int32_t ModbusValueObject::get_IsText() {
  return info_ && info_->text ? 1 : 0;
}

Variant ModbusValueObject::currentValue() const {
  if (!info_) return Variant();
  if (info_->text) return Variant(textValue());
  return Variant(driveValue() * info_->scale);
}

double ModbusValueObject::driveValue() const {
  if (!info_ || info_->text) return 0;
  if (pending_ && !pending_->notANumber)
    return pending_->appView ? pending_->number / info_->scale : pending_->number;
  if (writing_) return writing_->value;
  return core_->slots[index_].value;
}

std::string ModbusValueObject::textValue() const {
  if (!info_ || !info_->text) return std::string();
  if (pending_) return pending_->text;
  if (writing_) return writing_->text;
  return core_->slots[index_].text;
}

void ModbusValueObject::refuse(std::int32_t code, const std::string& what) {
  std::int32_t c = code;
  std::string description = info_ ? std::string(info_->name) + ": " + what : what;
  UpdateError.raise(c, description);
}

bool ModbusValueObject::refusedBeforeWrite() {
  auto refused = valueRules::unwritable(info_, number_, static_cast<bool>(get_ReadOnly()));
  if (!refused)
    refused = valueRules::locked(info_->lockLevel, appLock_ ? appLock_->get_Level() : 0);
  if (refused) refuse(refused->first, refused->second);
  return refused.has_value();
}

void ModbusValueObject::write(double driveValue, const std::string& text) {
  const RegisterLocation& at = *core_->description->location(index_);
  writing_ = Writing{++core_->lastWrite, driveValue, text};
  core_->link->write(index_, info_->text ? encodeText(at, text) : encodeNumber(at, driveValue),
                     writing_->id);
  ContentChanged.raise(currentValue());
}

void ModbusValueObject::Commit() {
  if (!pending_) return;
  const Value pending = std::move(*pending_);
  pending_.reset();
  if (refusedBeforeWrite()) return ContentChanged.raise(currentValue());
  if (info_->text) {
    if (auto problem = ServoDrive::checkText(*info_, pending.text))
      return refuse(BrommetValueObject::kBadText, *problem);
    return write(0, pending.text);
  }
  if (pending.notANumber)
    return refuse(BrommetValueObject::kBadText, "\"" + pending.text + "\" is not a number");
  if (auto refused = valueRules::refusal(*info_, pending.number, pending.appView))
    return refuse(refused->first, refused->second);
  write(valueRules::stored(*info_, pending.number, pending.appView), {});
}

void ModbusValueObject::step(bool appView, bool up, std::int16_t shift) {
  if (info_ && (info_->text || info_->step <= 0))
    return refuse(BrommetValueObject::kNotSteppable, "the value cannot be stepped");
  if (refusedBeforeWrite()) return;
  pending_.reset();
  write(valueRules::stepped(*info_, driveValue(), appView, up, shift), {});
}

template <class Raise>
void ModbusValueObject::reporting(Raise&& raise) {
  const auto self = weak_from_this().lock();  // a handler may drop the last reference
  try {
    raise();
  } catch (const std::exception& e) {
    // A handler that failed is told why, as a failed request is; what that handler throws in
    // turn goes on to the dispatcher's host.
    const Error error = asError(e);
    std::int32_t code = error.number();
    std::string description = error.description();
    UpdateError.raise(code, description);
  }
}

void ModbusValueObject::onValue(bool changed) {
  reporting([&] {
    const Variant value = currentValue();
    if (changed) ValueChanged.raise(value);
    ContentChanged.raise(value);
  });
}

void ModbusValueObject::onWritten(bool ok, bool fromDrive, const std::string& reason) {
  const auto self = weak_from_this().lock();  // through every handler below
  const Writing written = *writing_;
  writing_.reset();
  if (!ok) {
    return reporting([&] {
      refuse(fromDrive ? ModbusLibrary::kDriveRefused : ModbusLibrary::kNotAnswered, reason);
      ContentChanged.raise(currentValue());
    });
  }
  auto& slot = core_->slots[index_];
  const bool changed = info_->text ? slot.text != written.text : slot.value != written.value;
  slot.value = written.value;
  slot.text = written.text;
  slot.known = true;
  core_->notify(index_, changed);
  reporting([&] { Changed.raise(currentValue()); });
}

}  // namespace kadrelle
