#pragma once

#include "component/Arg.h"
#include "component/Interfaces.h"
#include "component/KadrelleMembers.h"

// Expansion helpers for KADRELLE_MEMBERS: the function name of each kind and its parameter list.
#define KADRELLE_FN_get(name) get_##name
#define KADRELLE_FN_put(name) put_##name
#define KADRELLE_FN_putref(name) putref_##name
#define KADRELLE_FN_method(name) name
#define KADRELLE_ARG(t) ::kadrelle::com::Arg<::kadrelle::com::VarType::t>::type
#define KADRELLE_PARAMS_get_ByVal(type) KADRELLE_ARG(type) * value
#define KADRELLE_PARAMS_put_ByVal(type) ::kadrelle::com::In<KADRELLE_ARG(type)> value
#define KADRELLE_PARAMS_put_ByRef(type) KADRELLE_ARG(type) * value
#define KADRELLE_PARAMS_putref_ByVal(type) KADRELLE_PARAMS_put_ByVal(type)
#define KADRELLE_PARAMS_putref_ByRef(type) KADRELLE_PARAMS_put_ByRef(type)
#define KADRELLE_PARAMS_method_ByVal(type)
#define KADRELLE_SIGNATURE(kind, name, ref, type) \
  KADRELLE_FN_##kind(name)(KADRELLE_PARAMS_##kind##_##ref(type))
// The body of a member implemented over a control, `target` being the table's call on it. A
// by-reference or out parameter `value` passes through `need`, which refuses a null pointer.
#define KADRELLE_CALL_get_ByVal(target) need(value) = target()
#define KADRELLE_CALL_put_ByVal(target) target(value)
#define KADRELLE_CALL_put_ByRef(target) target(need(value))
#define KADRELLE_CALL_putref_ByVal(target) target(value)
#define KADRELLE_CALL_putref_ByRef(target) target(need(value))
#define KADRELLE_CALL_method_ByVal(target) target()
#define KADRELLE_CALL(kind, ref, target) KADRELLE_CALL_##kind##_##ref(target)

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::com {

inline constexpr Guid IID__Kadrelle = makeGuid("8D0EAA5D-7FC3-40DD-9AEE-4A4FBA729A76");

// The control's dual interface: dispatch (IDispatch) and direct calls through this function table,
// in the published order. Every member returns a result code; a getter's value is its last
// parameter. A failing member returns the control error code of the error's number
// (controlError), and the object keeps the number and description (IControlObject::GetErrorInfo).
class _Kadrelle : public IDispatch {
 public:
#define KADRELLE_DECLARE(kind, name, id, type, ref, help, target) \
  virtual HRESULT KADRELLE_SIGNATURE(kind, name, ref, type) = 0;
  KADRELLE_MEMBERS(KADRELLE_DECLARE)
#undef KADRELLE_DECLARE

 protected:
  ~_Kadrelle() = default;
};

}  // namespace kadrelle::com
#pragma GCC visibility pop
