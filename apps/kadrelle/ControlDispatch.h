#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "control/Kadrelle.h"
#include "platform/Event.h"
#include "platform/Variant.h"

namespace kadrelle {

// Late-bound access to one control's published members and events by name (matched without
// regard to case), as the component's type library describes them. Failures are Error exceptions
// with the control's number and description (438 for a name that is no member, or a member that
// cannot be used that way).
class ControlDispatch {
 public:
  enum class Member { None, Property, Method };
  // Is called with the event's arguments: by-reference cells over the control's own variables.
  using EventHandler = std::function<void(Variant* args, std::uint32_t count)>;

  virtual ~ControlDispatch() = default;
  virtual Member find(std::string_view name) = 0;
  virtual Variant get(std::string_view name) = 0;
  // Assigns a property: by reference (set) for an object, else by value (let).
  virtual void put(std::string_view name, const Variant& value) = 0;
  virtual Variant call(std::string_view name) = 0;
  // The names of an event's parameters, or nothing when there is no such event.
  virtual std::optional<std::vector<std::string>> eventParameters(std::string_view event) = 0;
  [[nodiscard]] virtual Connection connect(std::string_view event, EventHandler handler) = 0;

  // By-name access to a control of a form.
  static std::unique_ptr<ControlDispatch> over(Kadrelle& control);
};

}  // namespace kadrelle
