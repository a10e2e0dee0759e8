// Calls the control's dispatch interface with arbitrary identifiers, names, kinds and argument
// lists against a live control bound to the simulated drive: every call must end with a result
// code (and, on failure, an error number and description), never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "Harness.h"
#include "brommet/ParameterCatalog.h"
#include "component/ComPtr.h"
#include "component/KadrelleObject.h"
#include "platform/ControlSurface.h"

namespace {

using namespace kadrelle;
using namespace kadrelle::com;

class Host : public Container {
 public:
  void PropertyChanged(const std::string&) override {}
  FontRef AmbientFont() override {
    return std::make_shared<StdFont>("Arial", Currency::fromScaled(82500));
  }
  std::string AmbientDisplayName() override { return "Kadrelle1"; }
};

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool empty() const { return at_ >= size_; }
  std::uint8_t byte() { return at_ < size_ ? data_[at_++] : 0; }
  template <class T>
  T number() {
    T v{};
    std::uint8_t raw[sizeof(T)] = {};
    for (auto& b : raw) b = byte();
    std::memcpy(&v, raw, sizeof v);
    return v;
  }
  std::string text() {
    std::size_t n = byte() % 24;
    std::string s;
    while (n-- && !empty()) s += static_cast<char>(byte());
    return s;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Harness h;
  BrommetLibrary& library = h.library();
  Host host;
  ControlSite site{host, h.toolkit, h.boxes, library, h.settings, h.quiet};
  ComPtr<IDispatch> object;
  if (KadrelleObject::create(&site, {}, IID_IDispatch, object.out()) != S_OK) std::abort();
  auto control = object.query<IControlObject>(IID_IControlObject);
  control->InitNew();
  ControlChildren children;
  control->GetChildren(&children);
  children.surface->resize(4000, 400);
  Variant bound = library.makeValueObject(param::SpeedLimit);
  object->Invoke(0x68030008, kSet, &bound, 1, nullptr, nullptr);

  // Variables that by-reference arguments point at.
  std::int16_t cellInteger = 0;
  std::int32_t cellLong = 0;
  float cellSingle = 0;
  std::string cellString;
  ObjectRef cellObject;

  Input in(data, size);
  for (int calls = 0; calls < 32 && !in.empty(); ++calls) {
    const std::uint8_t how = in.byte();
    DISPID id = 0;
    if (how % 3 == 0) {
      id = kMembers[in.byte() % kMembers.size()].id;
    } else if (how % 3 == 1) {
      if (object->GetIDsOfNames(in.text().c_str(), &id) != S_OK) continue;
    } else {
      id = in.number<DISPID>();
    }
    const std::uint16_t kind = in.byte() & 0x0F;
    std::vector<Variant> args(in.byte() % 3);
    for (auto& arg : args) {
      switch (in.byte() % 16) {
        case 0:
          break;
        case 1:
          arg = Variant(Boolean::fromRaw(in.number<std::int16_t>()));
          break;
        case 2:
          arg = Variant(in.number<std::int16_t>());
          break;
        case 3:
          arg = Variant(in.number<std::int32_t>());
          break;
        case 4:
          arg = Variant(in.number<float>());
          break;
        case 5:
          arg = Variant(in.number<double>());
          break;
        case 6:
          arg = Variant(in.text());
          break;
        case 7:
          arg = Variant(nullptr);
          break;
        case 8:
          arg = Variant(library.makeValueObject(in.number<std::int16_t>()));
          break;
        case 9:
          arg = Variant(library.createLockLevel());
          break;
        case 10:
          arg = Variant(std::make_shared<StdFont>(in.text(), Currency::fromScaled(100000)));
          break;
        case 11:
          arg = Variant::ref(cellInteger);
          break;
        case 12:
          arg = Variant::ref(cellLong);
          break;
        case 13:
          arg = Variant::ref(cellSingle);
          break;
        case 14:
          arg = Variant::ref(cellString);
          break;
        default:
          arg = Variant::ref(cellObject);
          break;
      }
    }
    Variant result;
    ErrorInfo error;
    HRESULT r = object->Invoke(id, kind, args.data(), static_cast<std::uint32_t>(args.size()),
                               &result, &error);
    if (!succeeded(r) && r != DISP_E_UNKNOWNNAME &&
        (error.number == 0 || error.description.empty()))
      std::abort();
  }
  return 0;
}
