#pragma once

#include <memory>

#include "platform/ControlSurface.h"
#include "platform/Label.h"
#include "platform/PictureBox.h"
#include "platform/RichTextBox.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Makes the surface of a control and the children that sit on it. A GUI backend, a terminal host
// and the headless toolkit each give their own.
// Any member may fail by throwing Error (any other std::exception counts as error 5).
class Toolkit {
 public:
  virtual ~Toolkit() = default;
  virtual std::unique_ptr<ControlSurface> createSurface() = 0;
  virtual std::unique_ptr<Label> createLabel(ControlSurface& parent) = 0;
  virtual std::unique_ptr<PictureBox> createPictureBox(ControlSurface& parent) = 0;
  virtual std::unique_ptr<RichTextBox> createRichTextBox(PictureBox& parent) = 0;
};

}  // namespace kadrelle
#pragma GCC visibility pop
