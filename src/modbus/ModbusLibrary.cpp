#include "modbus/ModbusLibrary.h"

#include <algorithm>

#include "modbus/ModbusCore.h"
#include "platform/Error.h"

namespace kadrelle {

ModbusLibrary::ModbusLibrary(ModbusEndpoint endpoint,
                             std::shared_ptr<const DriveDescription> description,
                             std::shared_ptr<Dispatcher> dispatcher, ModbusLink::Options options)
    : core_(std::make_shared<Core>()) {
  if (!description || !dispatcher) throw Error::objectNotSet();
  core_->owner = this;
  core_->endpoint = endpoint;
  core_->description = description;
  core_->slots.resize(description->size());
  std::weak_ptr<Core> weak = core_;
  core_->link = std::make_unique<ModbusLink>(
      std::move(endpoint), std::move(description), options,
      [weak, dispatcher](ModbusLink::Outcome outcome) {
        dispatcher->post([weak, outcome = std::move(outcome)]() mutable {
          if (auto core = weak.lock()) core->onOutcome(outcome);
        });
      });
}

ModbusLibrary::~ModbusLibrary() {
  core_->owner = nullptr;
}

ValueObjectRef ModbusLibrary::createValueObject() {
  return makeValueObject();
}

LockLevelRef ModbusLibrary::createLockLevel() {
  return std::make_shared<BrommetLockLevel>();
}

ValueObjectRef ModbusLibrary::sharedValueObject() {
  if (!shared_) shared_ = makeValueObject();
  return shared_;
}

std::shared_ptr<ModbusValueObject> ModbusLibrary::makeValueObject(ParameterNumbers number) {
  auto object = std::make_shared<ModbusValueObject>(core_);
  if (number != 0) object->put_ParameterNumber(number);
  return object;
}

void ModbusLibrary::refresh() {
  core_->refresh();
}

bool ModbusLibrary::connected() const {
  return core_->connected;
}

bool ModbusLibrary::known(ParameterNumbers number) const {
  const auto index = core_->description->indexOf(number);
  return index && core_->slots[*index].known;
}

std::string ModbusLibrary::connectionProblem() const {
  return core_->problem;
}

const ModbusEndpoint& ModbusLibrary::endpoint() const {
  return core_->endpoint;
}

const DriveDescription& ModbusLibrary::description() const {
  return *core_->description;
}

const std::shared_ptr<BrommetLockLevel>& ModbusLibrary::appLock() const {
  return core_->appLock;
}

}  // namespace kadrelle
