#pragma once

#include "binding/ValueObject.h"
#include "editing/EditBox.h"
#include "platform/Container.h"
#include "platform/DebugChannel.h"
#include "platform/SettingsStore.h"
#include "platform/Toolkit.h"

namespace kadrelle {

// Everything a host gives one control at creation. The control keeps these references for its
// whole life, so each must outlive the control. The container is per instance (it knows the
// instance's name); the rest may be shared by every control of a host.
struct ControlSite {
  Container& container;
  Toolkit& toolkit;
  EditBoxFactory& editBoxes;
  ValueLibrary& values;
  SettingsStore& settings;
  DebugChannel& debug;
};

}  // namespace kadrelle
