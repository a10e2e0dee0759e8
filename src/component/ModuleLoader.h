#pragma once

#include <string>
#include <string_view>

#include "component/ComPtr.h"
#include "component/Interfaces.h"
#include "component/Registry.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// The module's entry points, as the component runtime calls them.
using DllCanUnloadNowFn = HRESULT (*)();
using DllGetClassObjectFn = HRESULT (*)(const Guid* clsid, const Guid* iid, void** out);
using DllRegisterServerFn = HRESULT (*)();

// The host's side of the component runtime: loads modules with dlopen and calls their four entry
// points. A loaded module stays loaded until unloadUnusedModules finds it unused. Failures are
// Error exceptions whose description names the module or registry file.

// Loads the module at that path (as trustedModulePath allows) and runs its DllRegisterServer (or
// DllUnregisterServer), which writes the per-user registry.
void registerServer(const std::string& modulePath);
void unregisterServer(const std::string& modulePath);

// Creates a control of the class registered under that programmatic name (or class identifier)
// on the site, as the interface asked for. The registry file must be trusted (checkTrusted), and
// the module it names is loaded only as trustedModulePath allows.
ComPtr<IUnknown> createObject(const Registry& registry, std::string_view progId,
                              const ControlSite& site, const Guid& iid);

// Unloads every loaded module whose DllCanUnloadNow allows it; returns how many were unloaded.
int unloadUnusedModules();
// How many modules are loaded through createObject.
int loadedModules();

}  // namespace kadrelle::com
#pragma GCC visibility pop
