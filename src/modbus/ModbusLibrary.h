#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "binding/ValueObject.h"
#include "brommet/BrommetLockLevel.h"
#include "brommet/DriveDescription.h"
#include "modbus/Dispatcher.h"
#include "modbus/ModbusLink.h"
#include "modbus/Registers.h"
#include "platform/Event.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

class ModbusValueObject;

// The value library of a drive on the network, over Modbus TCP: value objects for the
// parameters a drive description lists, read from and written to the drive's registers.
//
//   auto dispatcher = std::make_shared<Dispatcher>();   // one for the whole program
//   ModbusLibrary drive(parseModbusAddress("modbus://127.0.0.1:1502"),
//                       DriveDescription::simulated(), dispatcher);
//   control->putref_ValueObjRef(drive.makeValueObject(param::SpeedLimit));
//   // in the host's loop, when dispatcher->fd() is readable:  dispatcher->pump();
//
// The network is worked on a thread of the library's own; what it brings reaches the value
// objects only in Dispatcher::pump(), on the thread that calls it (the user-interface thread),
// and no call of a value object waits for the network.
//
// A configuration parameter is read when a value object selects it and on refresh(); a measured
// one is polled while a value object shows it, and raises ValueChanged and ContentChanged only
// when its value changed. Until the first answer a value reads as 0 (or ""). Commit writes the
// value in one request; the box shows the value written until the drive answers. Then every value
// object of the parameter raises ValueChanged and ContentChanged and the committing one Changed;
// or, when the drive refused the value, did not answer or is not connected, the committing one
// raises UpdateError with the reason (kDriveRefused, kNotAnswered) and every one ContentChanged
// with the value the drive holds. A lost connection comes back by itself, tried again after 0.1,
// 0.2, 0.4 ... s up to 5 s; ConnectionChanged says when the state changes. A handler of a value
// object's events that throws is told its error through that object's UpdateError; whatever
// throws beyond that (an UpdateError or ConnectionChanged handler) reaches the host from
// Dispatcher::pump, and the other results are still delivered.
class ModbusLibrary : public ValueLibrary {
 public:
  // UpdateError codes besides those of the checks made before writing (BrommetValueObject's).
  static constexpr std::int32_t kDriveRefused = 30110;  // a Modbus exception
  static constexpr std::int32_t kNotAnswered = 30111;   // timeout, refused or lost connection

  ModbusLibrary(ModbusEndpoint endpoint, std::shared_ptr<const DriveDescription> description,
                std::shared_ptr<Dispatcher> dispatcher, ModbusLink::Options options = {});
  ~ModbusLibrary() override;

  ValueObjectRef createValueObject() override;
  LockLevelRef createLockLevel() override;
  ValueObjectRef sharedValueObject() override;
  std::shared_ptr<ModbusValueObject> makeValueObject(ParameterNumbers number = 0);

  // Reads every configuration parameter a value object shows again.
  void refresh();
  bool connected() const;
  // True once the drive's value of the parameter has been read (or written).
  bool known(ParameterNumbers number) const;
  // Why the drive is not connected ("" while connected or before the first attempt).
  std::string connectionProblem() const;
  const ModbusEndpoint& endpoint() const;
  const DriveDescription& description() const;
  // The application lock level every value object hands out.
  const std::shared_ptr<BrommetLockLevel>& appLock() const;

  // Raised on the user-interface thread when the connection comes or goes.
  Event<> ConnectionChanged;

  struct Core;

 private:
  std::shared_ptr<Core> core_;
  std::shared_ptr<ModbusValueObject> shared_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
