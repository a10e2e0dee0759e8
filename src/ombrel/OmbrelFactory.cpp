#include "ombrel/OmbrelFactory.h"

#include "ombrel/OmbrelEditBox.h"

namespace kadrelle {

std::unique_ptr<EditBox> OmbrelFactory::createEditBox(ControlSurface& /*parent*/) {
  auto box = std::make_unique<OmbrelEditBox>();
  boxes.push_back(box.get());
  return box;
}

}  // namespace kadrelle
