#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "binding/LockLevel.h"
#include "binding/View.h"
#include "platform/Event.h"
#include "platform/Object.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The value library's 32-bit enumeration of standard drive parameter numbers; 0 is none.
using ParameterNumbers = std::int32_t;
// The value library's enumeration of editor positions, where the edit box sits.
using EditorPositions = std::int32_t;
inline constexpr EditorPositions kEditorLeft = 0;
inline constexpr EditorPositions kEditorRight = 1;
inline constexpr EditorPositions kEditorTop = 2;
inline constexpr EditorPositions kEditorBottom = 3;

// One parameter of a drive, seen through two views.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class ValueObject : public Object {
 public:
  // The view in application units (APP_VIEW).
  virtual ViewRef get_AppView() = 0;
  // The view in drive units (CONFIG_VIEW, DRIVE_VIEW); holds a text parameter's text.
  virtual ViewRef get_DriveView() = 0;
  virtual Boolean get_ReadOnly() = 0;
  virtual std::string get_Key() = 0;
  // Selects the parameter.
  virtual void put_ParameterNumber(ParameterNumbers number) = 0;
  // Applies a value just stored in a view; a refused value raises UpdateError.
  virtual void Commit() = 0;
  virtual LockLevelRef get_AppLock() = 0;
  virtual void putref_AppLock(LockLevelRef lock) = 0;
  virtual LockLevelRef get_RequiredLock() = 0;
  virtual void putref_Link(std::shared_ptr<Object> link) = 0;
  // Nonzero: a text parameter.
  virtual std::int32_t get_IsText() = 0;

  // Each carries the parameter's new value.
  Event<const Variant&> Changed;
  Event<const Variant&> ContentChanged;
  Event<const Variant&> Refresh;
  Event<const Variant&> ValueChanged;
  // Code and description of a refused write, by reference.
  Event<std::int32_t&, std::string&> UpdateError;
};

using ValueObjectRef = std::shared_ptr<ValueObject>;

// The value library's entry points.
class ValueLibrary {
 public:
  virtual ~ValueLibrary() = default;
  // A new, unbound value object (no parameter selected).
  virtual ValueObjectRef createValueObject() = 0;
  // A new lock-level object.
  virtual LockLevelRef createLockLevel() = 0;
  // The library's shared instance of the value-object class, made on first use.
  virtual ValueObjectRef sharedValueObject() = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
