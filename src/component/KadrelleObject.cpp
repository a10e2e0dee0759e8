#include "component/KadrelleObject.h"

#include <cstring>
#include <new>

#include "platform/Error.h"

namespace kadrelle::com {

namespace {

// A null pointer where a member needs one: E_POINTER, not a control error.
struct NullArgument {};

template <class T>
T& need(T* p) {
  if (!p) throw NullArgument{};
  return *p;
}

const Error kWrongArgumentCount(450, "Wrong number of arguments or invalid property assignment");
// What a failure that is no exception at all is reported as.
constexpr int kAutomationError = 440;

std::atomic<long> live{0};

}  // namespace

long KadrelleObject::liveObjects() noexcept {
  return live.load();
}

KadrelleObject::KadrelleObject(std::unique_ptr<Kadrelle> owned, Kadrelle& control,
                               ModuleInfo module)
    : module_(std::move(module)), owned_(std::move(owned)), control_(control) {
  ++live;
}

KadrelleObject::~KadrelleObject() {
  for (auto& advised : sinks_) {
    for (auto& c : advised.connections) c.disconnect();
    advised.sink->Release();
  }
  sinks_.clear();
  owned_.reset();
  --live;
}

ModuleInfo KadrelleObject::controlModule() {
  // The address of a member function of the control: on this ABI the first word of a pointer
  // to a non-virtual member function is the function's address.
  void (Kadrelle::*member)() = &Kadrelle::Refresh;
  const void* address = nullptr;
  std::memcpy(&address, &member, sizeof address);
  return ModuleInfo::containing(address);
}

HRESULT KadrelleObject::made(KadrelleObject* object, const Guid& iid, void** out) noexcept {
  object->AddRef();
  HRESULT r = object->QueryInterface(iid, out);
  object->Release();
  return r;
}

HRESULT KadrelleObject::wrap(Kadrelle& control, const Guid& iid, void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    return made(new KadrelleObject(nullptr, control, controlModule()), iid, out);
  } catch (const std::bad_alloc&) {
    return controlError(7);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KadrelleObject::create(const ControlSite* site, const ModuleInfo& module, const Guid& iid,
                               void** out) noexcept {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (!site) return E_POINTER;
  try {
    auto owned = std::make_unique<Kadrelle>(*site);
    Kadrelle& control = *owned;
    return made(new KadrelleObject(std::move(owned), control, module), iid, out);
  } catch (const Error& e) {
    return controlError(e.number());
  } catch (const std::bad_alloc&) {
    return controlError(7);
  } catch (...) {
    return E_FAIL;
  }
}

HRESULT KadrelleObject::QueryInterface(const Guid& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IDispatch) {
    *out = static_cast<IDispatch*>(this);
  } else if (iid == IID_IControlObject) {
    *out = static_cast<IControlObject*>(this);
  } else {
    for (const auto& id : kInterfaceIds)
      if (iid == id) *out = static_cast<_Kadrelle*>(this);
  }
  if (!*out) return E_NOINTERFACE;
  AddRef();
  return S_OK;
}

std::uint32_t KadrelleObject::AddRef() {
  return ++refs_;
}

std::uint32_t KadrelleObject::Release() {
  std::uint32_t left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT KadrelleObject::keep(int number, std::string description) noexcept {
  lastError_.number = number;
  lastError_.description = std::move(description);
  return controlError(number);
}

template <class F>
HRESULT KadrelleObject::call(F&& f) noexcept {
  lastError_ = {};
  try {
    f();
    return S_OK;
  } catch (const NullArgument&) {
    return E_POINTER;
  } catch (const Error& e) {
    return keep(e.number(), e.description());
  } catch (const std::bad_alloc&) {
    return keep(7, "Out of memory");
  } catch (const std::exception& e) {
    return keep(Error::kInvalidCall, e.what());
  } catch (...) {
    return keep(kAutomationError, "Automation error");
  }
}

// The members of _Kadrelle: each calls its function and returns the result code.
#define KADRELLE_DEFINE(kind, name, id, type, ref, help, target)      \
  HRESULT KadrelleObject::KADRELLE_SIGNATURE(kind, name, ref, type) { \
    return call([&] { KADRELLE_CALL(kind, ref, target); });           \
  }
KADRELLE_MEMBERS(KADRELLE_DEFINE)
#undef KADRELLE_DEFINE

HRESULT KadrelleObject::GetIDsOfNames(const char* name, DISPID* id) {
  if (!name || !id) return E_POINTER;
  return findDispId(name, *id) ? S_OK : DISP_E_UNKNOWNNAME;
}

HRESULT KadrelleObject::Invoke(DISPID id, std::uint16_t kind, Variant* args, std::uint32_t count,
                               Variant* result, ErrorInfo* error) {
  auto fail = [&](HRESULT r, int number, const std::string& description) {
    lastError_ = {number, description};
    if (error) *error = lastError_;
    return r;
  };
  const MemberInfo* member = findMember(id, kind);
  if (!member) {
    Error e = Error::noSuchMember();
    return fail(DISP_E_MEMBERNOTFOUND, e.number(), e.description());
  }
  const std::uint32_t expected = (member->kind & (kLet | kSet)) ? 1 : 0;
  if (count != expected || (expected && !args))
    return fail(DISP_E_BADPARAMCOUNT, kWrongArgumentCount.number(),
                kWrongArgumentCount.description());
  HRESULT r;
  try {
    r = member->invoke(*this, args, result);
  } catch (const Error& e) {
    // Only the argument conversion throws: the member itself returns a result code.
    HRESULT code = e.number() == Error::kTypeMismatch ? DISP_E_TYPEMISMATCH
                   : e.number() == Error::kOverflow   ? DISP_E_OVERFLOW
                                                      : DISP_E_EXCEPTION;
    return fail(code, e.number(), e.description());
  } catch (const std::exception& e) {
    return fail(DISP_E_EXCEPTION, Error::kInvalidCall, e.what());
  }
  if (succeeded(r)) return r;
  if (lastError_.number == 0) return fail(r, kAutomationError, "Automation error");
  if (error) *error = lastError_;
  return DISP_E_EXCEPTION;
}

HRESULT KadrelleObject::InitNew() {
  return call([&] { control().UserControl_InitProperties(); });
}

HRESULT KadrelleObject::Load(PropertyBag* bag) {
  return call([&] { control().UserControl_ReadProperties(need(bag)); });
}

HRESULT KadrelleObject::Save(PropertyBag* bag) {
  return call([&] { control().UserControl_WriteProperties(need(bag)); });
}

HRESULT KadrelleObject::GetChildren(ControlChildren* out) {
  return call([&] {
    const Kadrelle::Children c = control().children();
    need(out) = {&c.surface, &c.editBox, &c.captionBox, &c.caption, &c.measuringLabel};
  });
}

void KadrelleObject::raise(IDispatch& sink, const EventInfo& event, Variant* args,
                           std::uint32_t count) {
  // The sink may let go of itself (Unadvise) while it handles the event.
  sink.AddRef();
  ErrorInfo error;
  HRESULT r = sink.Invoke(event.id, kMethod, args, count, nullptr, &error);
  sink.Release();
  // A sink need not handle every event; an error it raises reaches the control like a handler's.
  if (r == DISP_E_EXCEPTION) throw Error(error.number, error.description);
}

HRESULT KadrelleObject::Advise(IDispatch* sink, std::uint32_t* cookie) {
  return call([&] {
    need(cookie) = 0;
    Advised advised{nextCookie_, &need(sink), {}};
    for (const auto& event : kEvents)
      advised.connections.push_back(event.connect(
          control(), event, [this, sink](const EventInfo& e, Variant* args, std::uint32_t count) {
            raise(*sink, e, args, count);
          }));
    sink->AddRef();
    sinks_.push_back(std::move(advised));
    *cookie = nextCookie_++;
  });
}

HRESULT KadrelleObject::Unadvise(std::uint32_t cookie) {
  for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
    if (it->cookie != cookie) continue;
    IDispatch* sink = it->sink;
    sinks_.erase(it);
    sink->Release();
    return S_OK;
  }
  return E_INVALIDARG;
}

HRESULT KadrelleObject::GetErrorInfo(ErrorInfo* out) {
  if (!out) return E_POINTER;
  *out = lastError_;
  return lastError_.number ? S_OK : S_FALSE;
}

}  // namespace kadrelle::com
