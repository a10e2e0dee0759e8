#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "binding/ValueObject.h"
#include "brommet/BrommetLockLevel.h"
#include "modbus/ModbusLibrary.h"
#include "platform/NumberFormat.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A value object of the Modbus library (see ModbusLibrary for its events): one parameter of the
// drive, selected by ParameterNumber, seen through an application view and a drive view.
class ModbusValueObject : public ValueObject,
                          public std::enable_shared_from_this<ModbusValueObject> {
 public:
  explicit ModbusValueObject(std::shared_ptr<ModbusLibrary::Core> core);
  ~ModbusValueObject() override;
  ModbusValueObject(const ModbusValueObject&) = delete;
  ModbusValueObject& operator=(const ModbusValueObject&) = delete;

  ViewRef get_AppView() override;
  ViewRef get_DriveView() override;
  Boolean get_ReadOnly() override;
  std::string get_Key() override;
  void put_ParameterNumber(ParameterNumbers number) override;
  void Commit() override;
  LockLevelRef get_AppLock() override;
  void putref_AppLock(LockLevelRef lock) override;
  LockLevelRef get_RequiredLock() override;
  void putref_Link(std::shared_ptr<Object> link) override;
  std::int32_t get_IsText() override;

  const ParameterInfo* info() const { return info_; }
  // The value as the events carry it: application units, the text, or Empty.
  Variant currentValue() const;
  // True from Commit until the drive answers.
  bool writing() const { return writing_.has_value(); }

 private:
  friend class ModbusView;
  friend struct ModbusLibrary::Core;

  struct Value {
    bool notANumber = false;
    bool appView = false;
    double number = 0;
    std::string text;
  };

  double driveValue() const;
  std::string textValue() const;
  void setPending(Value value) { pending_ = std::move(value); }
  void refuse(std::int32_t code, const std::string& what);
  bool refusedBeforeWrite();
  void write(double driveValue, const std::string& text);
  void step(bool appView, bool up, std::int16_t shift);
  // Raises events; what a handler throws is reported through UpdateError.
  template <class Raise>
  void reporting(Raise&& raise);
  // From the library, on the user-interface thread.
  void onValue(bool changed);
  void onWritten(bool ok, bool fromDrive, const std::string& reason);

  std::shared_ptr<ModbusLibrary::Core> core_;
  ParameterNumbers number_ = 0;
  const ParameterInfo* info_ = nullptr;
  std::size_t index_ = 0;
  std::optional<Value> pending_;
  struct Writing {
    std::uint64_t id;
    double value;
    std::string text;
  };
  std::optional<Writing> writing_;
  LockLevelRef appLock_;
  std::shared_ptr<BrommetLockLevel> requiredLock_;
  std::shared_ptr<Object> link_;
  std::shared_ptr<View> appView_;
  std::shared_ptr<View> driveView_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
