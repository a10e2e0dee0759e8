#pragma once

// The state a Modbus library and its value objects share, kept on the user-interface thread.
// Used by the library's own files only.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "modbus/ModbusLibrary.h"
#include "modbus/ModbusValueObject.h"

namespace kadrelle {

// What the library and its value objects share, on the user-interface thread.
struct ModbusLibrary::Core {
  struct Slot {
    double value = 0;
    std::string text;
    bool known = false;
    std::vector<ModbusValueObject*> watchers;
  };

  ModbusLibrary* owner = nullptr;
  ModbusEndpoint endpoint;
  std::shared_ptr<const DriveDescription> description;
  std::shared_ptr<BrommetLockLevel> appLock = std::make_shared<BrommetLockLevel>();
  std::vector<Slot> slots;
  bool connected = false;
  std::string problem;
  std::uint64_t lastWrite = 0;
  std::unique_ptr<ModbusLink> link;

  void watch(ModbusValueObject* object, std::size_t index) {
    const ParameterInfo& info = description->parameters()[index];
    slots[index].watchers.push_back(object);
    link->read(index);
    if (info.measured && slots[index].watchers.size() == 1) updatePolled();
  }

  void unwatch(ModbusValueObject* object, std::size_t index) {
    auto& w = slots[index].watchers;
    w.erase(std::remove(w.begin(), w.end(), object), w.end());
    if (description->parameters()[index].measured && w.empty()) updatePolled();
  }

  void updatePolled() {
    std::vector<std::size_t> polled;
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (!slots[i].watchers.empty() && description->parameters()[i].measured) polled.push_back(i);
    link->poll(std::move(polled));
  }

  void refresh() {
    for (std::size_t i = 0; i < slots.size(); ++i)
      if (!slots[i].watchers.empty() && !description->parameters()[i].measured) link->read(i);
  }

  // Each watcher of the parameter raises its events; a handler may unbind any of them.
  void notify(std::size_t index, bool changed) {
    const auto watchers = slots[index].watchers;
    for (ModbusValueObject* w : watchers) {
      const auto& now = slots[index].watchers;
      if (std::find(now.begin(), now.end(), w) != now.end()) w->onValue(changed);
    }
  }

  void onOutcome(ModbusLink::Outcome& outcome) {
    using Kind = ModbusLink::Outcome::Kind;
    if (outcome.kind == Kind::Connection) return onConnection(outcome.ok, outcome.reason);
    if (outcome.kind == Kind::Read) {
      for (std::size_t index : outcome.indices) {
        const RegisterLocation& at = *description->location(index);
        const std::uint16_t* registers = outcome.registers.data() + (at.address - outcome.address);
        Slot& slot = slots[index];
        bool changed = !slot.known;
        if (description->parameters()[index].text) {
          std::string text = decodeText(at, registers);
          changed = changed || text != slot.text;
          slot.text = std::move(text);
        } else {
          const double value = decodeNumber(at, registers);
          changed = changed || value != slot.value;
          slot.value = value;
        }
        slot.known = true;
        if (changed) notify(index, true);
      }
      return;
    }
    ModbusValueObject* writer = nullptr;
    for (ModbusValueObject* w : slots[outcome.index].watchers)
      if (w->writing_ && w->writing_->id == outcome.write) writer = w;
    if (!outcome.ok || !writer) link->read(outcome.index);  // what does the drive hold now?
    if (writer) writer->onWritten(outcome.ok, outcome.fromDrive, outcome.reason);
  }

  void onConnection(bool ok, const std::string& reason) {
    if (ok == connected && reason == problem) return;
    const bool back = ok && !connected;
    connected = ok;
    problem = reason;
    if (back) refresh();
    if (owner) owner->ConnectionChanged.raise();
  }
};

}  // namespace kadrelle
