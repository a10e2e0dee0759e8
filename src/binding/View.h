#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/Boolean.h"
#include "platform/Object.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// One view of a parameter: its value, limits, format, description and units in one system of
// units (application units or drive units).
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class View : public Object {
 public:
  virtual double get_NumericValue() = 0;
  virtual void put_NumericValue(double value) = 0;
  virtual double get_DriveValue() = 0;
  virtual void put_DriveValue(double value) = 0;
  virtual std::string get_TextValue() = 0;
  virtual void put_TextValue(const std::string& text) = 0;

  virtual double get_UpperLimit() = 0;
  virtual double get_LowerLimit() = 0;
  virtual double get_DriveUpperLimit() = 0;
  virtual double get_DriveLowerLimit() = 0;
  virtual Boolean get_LimitsEnabled() = 0;

  // Basic-style number format ("0.0", "#,##0").
  virtual std::string get_NumberFormat() = 0;
  // 1: hexadecimal.
  virtual std::int32_t get_DisplayBase() = 0;
  // May hold "@*@" where a multi-axis drive puts the axis number.
  virtual std::string get_Description() = 0;
  virtual std::string get_DriveDescription() = 0;
  // The units ("" for none); the argument is always 0.
  virtual std::string get_Units(std::int32_t& which) = 0;

  // Non-null when the value can be stepped.
  virtual std::shared_ptr<Object> get_Stepper() = 0;
  // One step up (True) or down; the shift state chooses the step size.
  virtual void Step(Boolean up, std::int16_t shift) = 0;
};

using ViewRef = std::shared_ptr<View>;

}  // namespace kadrelle
#pragma GCC visibility pop
