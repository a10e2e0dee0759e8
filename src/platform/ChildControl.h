#pragma once

#include <cstdint>
#include <string>

#include "platform/Boolean.h"
#include "platform/Event.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// The members the container gives every child control. Lengths are twips.
//
// DisplayChanged is raised once, synchronously, after each change of what the child shows (its
// text, font, colours, geometry, enabled state, visibility, selection), so a toolkit redraws only
// what changed; a write that changes nothing raises nothing. Implementations throw Error (or any
// std::exception) for a refused call; the control treats both as failures.
class ChildControl {
 public:
  virtual ~ChildControl() = default;

  virtual float get_Left() const = 0;
  virtual float get_Top() const = 0;
  virtual float get_Width() const = 0;
  virtual float get_Height() const = 0;
  // Places the child; a negative width or height is refused with error 380.
  virtual void Move(float left, float top, float width, float height) = 0;

  virtual std::int16_t get_TabIndex() const = 0;
  virtual void put_TabIndex(std::int16_t index) = 0;
  virtual Boolean get_Visible() const = 0;
  virtual void put_Visible(Boolean visible) = 0;
  virtual Boolean get_CausesValidation() const = 0;
  virtual void put_CausesValidation(Boolean value) = 0;
  virtual std::string get_ToolTipText() const = 0;
  virtual void put_ToolTipText(const std::string& text) = 0;

  // Redraw from the current settings.
  virtual void Refresh() = 0;

  Event<> DisplayChanged;
};

}  // namespace kadrelle
#pragma GCC visibility pop
