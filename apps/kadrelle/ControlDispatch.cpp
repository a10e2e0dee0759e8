// By-name access to a control's published members. Dispatch by name comes with the component's
// type library; until this build has it, every name is refused.
#include "ControlDispatch.h"

#include "platform/Error.h"

namespace kadrelle {

namespace {

class NoDispatch : public ControlDispatch {
 public:
  Member find(std::string_view) override { return Member::None; }
  Variant get(std::string_view name) override { refuse(name); }
  void put(std::string_view name, const Variant&) override { refuse(name); }
  Variant call(std::string_view name) override { refuse(name); }
  std::optional<std::vector<std::string>> eventParameters(std::string_view) override {
    return std::nullopt;
  }
  Connection connect(std::string_view event, EventHandler) override { refuse(event); }

 private:
  [[noreturn]] static void refuse(std::string_view name) {
    throw Error(Error::kNoSuchMember,
                "Object doesn't support this property or method: " + std::string(name));
  }
};

}  // namespace

std::unique_ptr<ControlDispatch> ControlDispatch::over(Kadrelle&) {
  return std::make_unique<NoDispatch>();
}

}  // namespace kadrelle
