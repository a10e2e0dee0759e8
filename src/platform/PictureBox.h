#pragma once

#include "platform/ChildControl.h"
#include "platform/OleColor.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A container for other children; moving it moves what it holds.
class PictureBox : public ChildControl {
 public:
  virtual OleColor get_BackColor() const = 0;
  virtual void put_BackColor(OleColor color) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
