#pragma once

// A control created as a component object on a site with the real edit box and the simulated
// drive.
#include <gtest/gtest.h>

#include <memory>
#include <string_view>
#include <vector>

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

// Calls a member by name through IDispatch; the error of a failed call lands in `error`.
inline HRESULT invoke(IDispatch& object, std::string_view name, std::uint16_t kind,
                      std::vector<Variant> args = {}, Variant* result = nullptr,
                      ErrorInfo* error = nullptr) {
  DISPID id = 0;
  HRESULT r = object.GetIDsOfNames(std::string(name).c_str(), &id);
  if (!succeeded(r)) return r;
  return object.Invoke(id, kind, args.data(), static_cast<std::uint32_t>(args.size()), result,
                       error);
}

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
