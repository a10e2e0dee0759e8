#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "component/KadrelleInterface.h"
#include "component/ModuleInfo.h"
#include "component/TypeLibrary.h"
#include "control/ControlSite.h"
#include "control/Kadrelle.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

// A control as a component object: the dual interface _Kadrelle (and IDispatch) over one Kadrelle,
// and IControlObject for its container. Reference-counted; deletes itself on the last Release.
// Every call catches whatever the control throws and returns a result code instead. The object
// either owns its control (create) or wraps one a form or widget owns (wrap).
class KadrelleObject final : public _Kadrelle, public IControlObject {
 public:
  // Creates a control on that site (its services must outlive the object) and returns it
  // as the interface asked for. The module is where VersionStr says the control comes from.
  static HRESULT create(const ControlSite* site, const ModuleInfo& module, const Guid& iid,
                        void** out) noexcept;

  // The interface over a control the object does not own, which must outlive it; VersionStr names
  // the module that holds the control's code (see controlModule).
  static HRESULT wrap(Kadrelle& control, const Guid& iid, void** out) noexcept;
  // The module (shared library or program) that holds the control's code.
  static ModuleInfo controlModule();

  // Objects alive, for DllCanUnloadNow. Counted in one place, the library that holds this class,
  // which the module links.
  static long liveObjects() noexcept;

  HRESULT QueryInterface(const Guid& iid, void** out) override;
  std::uint32_t AddRef() override;
  std::uint32_t Release() override;

  HRESULT GetIDsOfNames(const char* name, DISPID* id) override;
  HRESULT Invoke(DISPID id, std::uint16_t kind, Variant* args, std::uint32_t count, Variant* result,
                 ErrorInfo* error) override;

  HRESULT InitNew() override;
  HRESULT Load(PropertyBag* bag) override;
  HRESULT Save(PropertyBag* bag) override;
  HRESULT GetChildren(ControlChildren* out) override;
  HRESULT Advise(IDispatch* sink, std::uint32_t* cookie) override;
  HRESULT Unadvise(std::uint32_t cookie) override;
  HRESULT GetErrorInfo(ErrorInfo* out) override;

#define KADRELLE_OVERRIDE(kind, name, id, type, ref, help, target) \
  HRESULT KADRELLE_SIGNATURE(kind, name, ref, type) override;
  KADRELLE_MEMBERS(KADRELLE_OVERRIDE)
#undef KADRELLE_OVERRIDE

 private:
  KadrelleObject(std::unique_ptr<Kadrelle> owned, Kadrelle& control, ModuleInfo module);
  ~KadrelleObject();
  static HRESULT made(KadrelleObject* object, const Guid& iid, void** out) noexcept;

  Kadrelle& control() {
    return control_;
  }
  std::string versionStr() {
    return com::versionStr(module_);
  }
  // Runs f, turning any exception into a result code and keeping its number and description.
  template <class F>
  HRESULT call(F&& f) noexcept;
  HRESULT keep(int number, std::string description) noexcept;
  void raise(IDispatch& sink, const EventInfo& event, Variant* args, std::uint32_t count);

  struct Advised {
    std::uint32_t cookie;
    IDispatch* sink;
    std::vector<Connection> connections;
  };

  std::atomic<std::uint32_t> refs_{0};
  ModuleInfo module_;
  std::unique_ptr<Kadrelle> owned_;  // null when the control is borrowed
  Kadrelle& control_;
  ErrorInfo lastError_;
  std::vector<Advised> sinks_;
  std::uint32_t nextCookie_ = 1;
};

}  // namespace kadrelle::com
#pragma GCC visibility pop
