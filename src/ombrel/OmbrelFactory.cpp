#include "ombrel/OmbrelFactory.h"

#include "ombrel/OmbrelEditBox.h"

namespace kadrelle {

std::unique_ptr<EditBox> OmbrelFactory::createEditBox(ControlSurface& /*parent*/) {
  return std::make_unique<OmbrelEditBox>();
}

}  // namespace kadrelle
