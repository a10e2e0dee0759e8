#pragma once

#include <memory>

#include "editing/EditBox.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Makes OmbrelEditBox edit boxes; the parent surface is not needed by the editing logic. A host
// reaches a control's box through the control's children.
class OmbrelFactory : public EditBoxFactory {
 public:
  std::unique_ptr<EditBox> createEditBox(ControlSurface& parent) override;
};

}  // namespace kadrelle
#pragma GCC visibility pop
