// The module Kadrelle.ocx: its four entry points. Everything else in the module is hidden (see
// Kadrelle.map). No exception leaves an entry point.

#include <atomic>

#include "component/Interfaces.h"
#include "component/KadrelleObject.h"
#include "component/ModuleInfo.h"
#include "component/Registry.h"
#include "component/Resources.h"
#include "component/TypeLibrary.h"
#include "platform/Error.h"

using namespace kadrelle;
using namespace kadrelle::com;

// The module's resources, placed in their section by the generated ModuleResources.cpp; the
// linker marks where the section starts and stops. Hidden, so that no linker (lld exports such
// markers otherwise) adds them to the module's four exports.
extern "C" [[gnu::visibility("hidden")]] const std::uint8_t __start_kadrelle_rsrc[];
extern "C" [[gnu::visibility("hidden")]] const std::uint8_t __stop_kadrelle_rsrc[];

extern "C" {
[[gnu::visibility("default")]] HRESULT DllCanUnloadNow();
[[gnu::visibility("default")]] HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid,
                                                         void** out);
[[gnu::visibility("default")]] HRESULT DllRegisterServer();
[[gnu::visibility("default")]] HRESULT DllUnregisterServer();
}

namespace {

std::atomic<long> serverLocks{0};

std::vector<Resource> ownResources() {
  return unpackResources(std::span<const std::uint8_t>(
      __start_kadrelle_rsrc,
      static_cast<std::size_t>(__stop_kadrelle_rsrc - __start_kadrelle_rsrc)));
}

RegistrationData registrationData() {
  auto resources = ownResources();
  const Resource* r = findResource(resources, "REGDATA", "1");
  if (!r) throw Error(321, "The module carries no registration data");
  return RegistrationData::parse(
      std::string_view(reinterpret_cast<const char*>(r->data.data()), r->data.size()));
}

// This module: its own file version (from its version block) and where it was loaded from.
ModuleInfo thisModule() {
  ModuleInfo info = ModuleInfo::containing(reinterpret_cast<const void*>(&DllGetClassObject));
  auto resources = ownResources();
  if (const Resource* r = findResource(resources, "VERSION", "1"))
    info.version = VersionBlock::unpack(r->data).fileVersion;
  return info;
}

template <class F>
HRESULT guarded(F&& f) noexcept {
  try {
    return f();
  } catch (const Error& e) {
    return controlError(e.number());
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// The one class factory; it lives as long as the module, so its references count nothing.
class Factory final : public IClassFactory {
 public:
  HRESULT QueryInterface(const Guid& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *out = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  std::uint32_t AddRef() override { return 2; }
  std::uint32_t Release() override { return 1; }
  HRESULT CreateInstance(IUnknown* outer, const ControlSite* site, const Guid& iid,
                         void** out) override {
    if (out) *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return guarded([&] { return KadrelleObject::create(site, thisModule(), iid, out); });
  }
  HRESULT LockServer(bool lock) override {
    serverLocks += lock ? 1 : -1;
    return S_OK;
  }
};

Factory factory;

}  // namespace

HRESULT DllCanUnloadNow() {
  return KadrelleObject::liveObjects() == 0 && serverLocks == 0 ? S_OK : S_FALSE;
}

HRESULT DllGetClassObject(const Guid* clsid, const Guid* iid, void** out) {
  if (!clsid || !iid || !out) return E_POINTER;
  *out = nullptr;
  if (*clsid != CLSID_Kadrelle) return CLASS_E_CLASSNOTAVAILABLE;
  return factory.QueryInterface(*iid, out);
}

HRESULT DllRegisterServer() {
  return guarded([] {
    Registry().registerModule(registrationData(), thisModule().path);
    return S_OK;
  });
}

HRESULT DllUnregisterServer() {
  return guarded([] {
    Registry().unregisterModule(registrationData());
    return S_OK;
  });
}
