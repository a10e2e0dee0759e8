#pragma once

// The small component runtime that hosts and the module share: result codes, identifiers and the
// abstract interfaces that cross between them. Nothing crosses as an exception; every call returns
// a result code, and objects are reference-counted and found by interface identifier.

#include <cstdint>
#include <string>

#include "component/Guid.h"
#include "platform/Variant.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {
struct ControlSite;
class ControlSurface;
class EditBox;
class Label;
class PictureBox;
class PropertyBag;
class RichTextBox;
}  // namespace kadrelle

namespace kadrelle::com {

using HRESULT = std::int32_t;
using DISPID = std::int32_t;

constexpr HRESULT hr(std::uint32_t code) {
  return static_cast<HRESULT>(code);
}
inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = hr(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = hr(0x80004002);
inline constexpr HRESULT E_POINTER = hr(0x80004003);
inline constexpr HRESULT E_FAIL = hr(0x80004005);
inline constexpr HRESULT E_UNEXPECTED = hr(0x8000FFFF);
inline constexpr HRESULT E_INVALIDARG = hr(0x80070057);
inline constexpr HRESULT E_ACCESSDENIED = hr(0x80070005);
inline constexpr HRESULT DISP_E_MEMBERNOTFOUND = hr(0x80020003);
inline constexpr HRESULT DISP_E_TYPEMISMATCH = hr(0x80020005);
inline constexpr HRESULT DISP_E_UNKNOWNNAME = hr(0x80020006);
inline constexpr HRESULT DISP_E_EXCEPTION = hr(0x80020009);
inline constexpr HRESULT DISP_E_OVERFLOW = hr(0x8002000A);
inline constexpr HRESULT DISP_E_BADPARAMCOUNT = hr(0x8002000E);
inline constexpr HRESULT CLASS_E_NOAGGREGATION = hr(0x80040110);
inline constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = hr(0x80040111);
inline constexpr HRESULT REGDB_E_CLASSNOTREG = hr(0x80040154);
inline constexpr HRESULT SELFREG_E_CLASS = hr(0x80040201);

constexpr bool succeeded(HRESULT r) {
  return r >= 0;
}
// The result code of a control error with a Basic error number (facility "control").
constexpr HRESULT controlError(int number) {
  return hr(0x800A0000u | (static_cast<std::uint32_t>(number) & 0xFFFFu));
}

// A failure's Basic error number and description, kept for the caller.
struct ErrorInfo {
  std::int32_t number = 0;
  std::string description;
};

// How a member is called: read, assigned by value, assigned an object reference, or run. Flags, so
// a caller may allow either of method and get as Basic does for a call without arguments.
enum InvokeKind : std::uint16_t { kMethod = 1, kGet = 2, kLet = 4, kSet = 8 };

inline constexpr Guid IID_IUnknown = makeGuid("00000000-0000-0000-C000-000000000046");
inline constexpr Guid IID_IDispatch = makeGuid("00020400-0000-0000-C000-000000000046");
inline constexpr Guid IID_IClassFactory = makeGuid("00000001-0000-0000-C000-000000000046");
inline constexpr Guid IID_IControlObject = makeGuid("761F5F10-BA62-4A2C-9194-7E8FF1FA2081");

class IUnknown {
 public:
  // On success *out holds the object as that interface, with one reference added.
  virtual HRESULT QueryInterface(const Guid& iid, void** out) = 0;
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

// Late-bound calls by dispatch identifier. Arguments are in call order; a by-reference argument is
// a Variant cell over the caller's variable. On DISP_E_EXCEPTION (and on argument errors) *error,
// when given, holds the error number and description.
class IDispatch : public IUnknown {
 public:
  // The identifier of a member or event name, matched without regard to case.
  virtual HRESULT GetIDsOfNames(const char* name, DISPID* id) = 0;
  virtual HRESULT Invoke(DISPID id, std::uint16_t kind, Variant* args, std::uint32_t count,
                         Variant* result, ErrorInfo* error) = 0;

 protected:
  ~IDispatch() = default;
};

// Creates objects of one class. A control is given its site before anything else happens to it;
// `outer` (aggregation) is not supported and must be null.
class IClassFactory : public IUnknown {
 public:
  virtual HRESULT CreateInstance(IUnknown* outer, const ControlSite* site, const Guid& iid,
                                 void** out) = 0;
  // Keeps the module loaded while locked.
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~IClassFactory() = default;
};

// The surface and the four children of a control, by role. The control owns them; a host sizes
// the surface, draws them and feeds the edit box its input.
struct ControlChildren {
  ControlSurface* surface = nullptr;
  EditBox* editBox = nullptr;
  PictureBox* captionBox = nullptr;
  RichTextBox* caption = nullptr;
  Label* measuringLabel = nullptr;
};

// What a container does with a control besides calling its members: start it new or from a saved
// state, save it, reach its surface and children, connect an event sink (the events are called on
// the sink's Invoke by their dispatch identifiers, every argument a by-reference cell), and read
// the error of the last failed call on the dual interface.
class IControlObject : public IUnknown {
 public:
  virtual HRESULT InitNew() = 0;
  virtual HRESULT Load(PropertyBag* bag) = 0;
  virtual HRESULT Save(PropertyBag* bag) = 0;
  virtual HRESULT GetChildren(ControlChildren* out) = 0;
  virtual HRESULT Advise(IDispatch* sink, std::uint32_t* cookie) = 0;
  virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
  virtual HRESULT GetErrorInfo(ErrorInfo* out) = 0;

 protected:
  ~IControlObject() = default;
};

}  // namespace kadrelle::com
#pragma GCC visibility pop
