#pragma once

#include "binding/ValueObject.h"
#include "editing/EditBox.h"
#include "platform/Container.h"
#include "platform/DebugChannel.h"
#include "platform/SettingsStore.h"
#include "platform/Toolkit.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Everything a host gives one control at creation. The control keeps its own copy of the site,
// so a temporary site is fine; the services it names are references the host keeps alive for the
// control's whole life. The container is per instance (it knows the instance's name); the rest
// may be shared by every control of a host.
struct ControlSite {
  Container& container;
  Toolkit& toolkit;
  EditBoxFactory& editBoxes;
  ValueLibrary& values;
  SettingsStore& settings;
  DebugChannel& debug;
};

}  // namespace kadrelle
#pragma GCC visibility pop
