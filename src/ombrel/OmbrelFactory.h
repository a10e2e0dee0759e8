#pragma once

#include <memory>
#include <vector>

#include "editing/EditBox.h"

namespace kadrelle {

class OmbrelEditBox;

// Makes OmbrelEditBox edit boxes; the parent surface is not needed by the editing logic. It
// remembers each box it made, so a host or test can drive its input; the boxes belong to the
// controls that asked for them and the pointers are valid while those controls live.
class OmbrelFactory : public EditBoxFactory {
 public:
  std::unique_ptr<EditBox> createEditBox(ControlSurface& parent) override;

  std::vector<OmbrelEditBox*> boxes;
};

}  // namespace kadrelle
