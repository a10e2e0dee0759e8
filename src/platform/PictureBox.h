#pragma once

#include "platform/ChildControl.h"
#include "platform/OleColor.h"

namespace kadrelle {

// A container for other children; moving it moves what it holds.
class PictureBox : public ChildControl {
 public:
  virtual OleColor get_BackColor() const = 0;
  virtual void put_BackColor(OleColor color) = 0;
};

}  // namespace kadrelle
