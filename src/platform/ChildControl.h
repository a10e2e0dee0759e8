#pragma once

#include <cstdint>
#include <string>

#include "platform/Boolean.h"

namespace kadrelle {

// The members the container gives every child control. Lengths are twips.
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
};

}  // namespace kadrelle
