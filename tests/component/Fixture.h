#pragma once

// A control created as a component object on a site with the real edit box and the simulated
// drive.
#include <gtest/gtest.h>

#include <memory>

#include "brommet/BrommetLibrary.h"
#include "brommet/ParameterCatalog.h"
#include "component/ComPtr.h"
#include "component/KadrelleInterface.h"
#include "kadrelle_test/Fakes.h"
#include "ombrel/OmbrelEditBox.h"
#include "ombrel/OmbrelFactory.h"

namespace kadrelle::com::test {

struct ComponentSite {
  kadrelle::test::TestSite t;
  std::shared_ptr<ServoDrive> drive = std::make_shared<ServoDrive>();
  BrommetLibrary library{drive};
  OmbrelFactory boxes;
  ControlSite site{t.container, t.toolkit, boxes, library, t.settings, t.debug};
};

// Starts a new control and sizes it, as a container does; returns its children.
inline ControlChildren start(IUnknown& object) {
  ComPtr<IControlObject> control;
  ControlChildren children;
  EXPECT_EQ(object.QueryInterface(IID_IControlObject, control.out()), S_OK);
  EXPECT_EQ(control->InitNew(), S_OK);
  EXPECT_EQ(control->GetChildren(&children), S_OK);
  children.surface->resize(4000, 400);
  return children;
}

}  // namespace kadrelle::com::test
