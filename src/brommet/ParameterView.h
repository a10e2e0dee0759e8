#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "binding/View.h"
#include "brommet/ParameterInfo.h"
#include "platform/NumberFormat.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// What every view of a described parameter gives alike, whichever library holds the value: the
// limits, number format, display base and units of its application or drive view, and the text
// of a value in the view's format. A library's view says which parameter it shows (parameter())
// and supplies the value, the descriptions and the stepper.
class ParameterView : public View {
 public:
  explicit ParameterView(bool appView) : appView_(appView) {}

  double get_UpperLimit() override;
  double get_LowerLimit() override;
  double get_DriveUpperLimit() override;
  double get_DriveLowerLimit() override;
  Boolean get_LimitsEnabled() override;
  std::string get_NumberFormat() override;
  std::int32_t get_DisplayBase() override;
  std::string get_Units(std::int32_t& which) override;

  bool isAppView() const { return appView_; }

 protected:
  // The parameter the view shows (nullptr: none), once whatever the library checks before the
  // member runs has passed (it throws when the member fails).
  virtual const ParameterInfo* parameter(std::string_view member) = 0;
  // A drive value in this view's units, and its text in this view's format (hexadecimal
  // parameters in hex). The format is compiled again only when it differs from the last one.
  double viewed(const ParameterInfo& info, double driveValue) const {
    return appView_ ? driveValue * info.scale : driveValue;
  }
  std::string formatted(const ParameterInfo& info, double driveValue);

  const bool appView_;

 private:
  NumberFormat textFormat_;  // the format formatted() last used, compiled
};

// The rules a value library applies to a number committed to or stepped on a parameter, the same
// for every drive.
namespace valueRules {
using Refusal = std::optional<std::pair<std::int32_t, std::string>>;
// Why a write cannot be made at all: no parameter selected (`number` 0) or an unknown one (info
// null), or a read-only one; nothing when it can.
Refusal unwritable(const ParameterInfo* info, std::int32_t number, bool readOnly);
// Why a write needing lock level `required` is refused to the application holding `held`.
Refusal locked(std::int32_t required, std::int32_t held);
// Why the number (in application units when appView, else drive units) is refused, with the
// UpdateError code of the refusal (above the maximum, below the minimum, not a number); nothing
// when it is accepted.
std::optional<std::pair<std::int32_t, std::string>> refusal(const ParameterInfo& info, double value,
                                                            bool appView);
// The drive value an accepted number is stored as: in drive units, whole when the parameter is
// integral (halves to even), within the drive limits when they are enabled.
double stored(const ParameterInfo& info, double value, bool appView);
// The drive value one step (ten with Shift) up or down from `driveValue` lands on: the view's
// step, kept on the step grid and within the limits.
double stepped(const ParameterInfo& info, double driveValue, bool appView, bool up,
               std::int16_t shift);
}  // namespace valueRules

}  // namespace kadrelle
#pragma GCC visibility pop
