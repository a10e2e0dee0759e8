#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "component/ComPtr.h"
#include "component/KadrelleInterface.h"
#include "control/Kadrelle.h"
#include "platform/Event.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Late-bound access to one control's published members and events by name (matched without
// regard to case), for scripts and design tools: the names, kinds and types come from the
// component's type library, and every member is called through the control's dual interface
// (KadrelleObject::wrap) with IDispatch::Invoke. Failures are Error exceptions with the number
// and description the interface reports: 438 for a name that is no member, or a member that
// cannot be used that way; 13, 6 or 424 for a value Basic cannot convert to the member's type.
class ControlDispatch {
 public:
  enum class Member { None, Property, Method };
  // Is called with the event's arguments: by-reference cells over the control's own variables.
  using EventHandler = std::function<void(Variant* args, std::uint32_t count)>;

  // The form owns the control; it must outlive this object.
  explicit ControlDispatch(Kadrelle& control);

  Member find(std::string_view name);
  Variant get(std::string_view name);
  // Assigns a property: by reference (set) for an object where the member takes one, else by
  // value (let). Empty assigned to a property that takes only objects is Nothing.
  void put(std::string_view name, const Variant& value);
  Variant call(std::string_view name);
  // The names of an event's parameters, or nothing when there is no such event.
  std::optional<std::vector<std::string>> eventParameters(std::string_view event);
  [[nodiscard]] Connection connect(std::string_view event, EventHandler handler);

  // A published property that can be read, as the type library describes it.
  struct Property {
    std::string name;
    std::string type;  // as the type library prints it
    bool writable;     // has a let or set member
    bool object;       // takes an object reference
    std::string help;
  };
  // In the order of the interface's function table.
  static const std::vector<Property>& properties();
  // The value as text that converts back to it (&H00FF00FF for a colour; "" for an object).
  static std::string text(const Variant& value, std::string_view property);
  // The value as a design tool shows it: text, number (with an enumeration's member name), or
  // the kind of object.
  static std::string display(const Variant& value, std::string_view property);

 private:
  Variant invoke(com::DISPID id, std::uint16_t kind, Variant* argument);

  Kadrelle& control_;
  com::ComPtr<com::_Kadrelle> object_;
};

}  // namespace kadrelle
#pragma GCC visibility pop
