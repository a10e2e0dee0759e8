#include "brommet/ParameterView.h"

#include <algorithm>
#include <cmath>

#include "brommet/BrommetValueObject.h"
#include "brommet/ParameterCatalog.h"
#include "brommet/ServoDrive.h"
#include "brommet/ValueText.h"
#include "platform/Variant.h"

namespace kadrelle {

double ParameterView::get_UpperLimit() {
  const ParameterInfo* info = parameter("get_UpperLimit");
  return !info ? 0 : appView_ ? info->appUpper : info->driveUpper;
}

double ParameterView::get_LowerLimit() {
  const ParameterInfo* info = parameter("get_LowerLimit");
  return !info ? 0 : appView_ ? info->appLower : info->driveLower;
}

double ParameterView::get_DriveUpperLimit() {
  const ParameterInfo* info = parameter("get_DriveUpperLimit");
  return info ? info->driveUpper : 0;
}

double ParameterView::get_DriveLowerLimit() {
  const ParameterInfo* info = parameter("get_DriveLowerLimit");
  return info ? info->driveLower : 0;
}

Boolean ParameterView::get_LimitsEnabled() {
  const ParameterInfo* info = parameter("get_LimitsEnabled");
  return Boolean(info && !info->text && info->limitsEnabled);
}

std::string ParameterView::get_NumberFormat() {
  const ParameterInfo* info = parameter("get_NumberFormat");
  if (!info) return std::string();
  return std::string(appView_ ? info->appFormat : info->driveFormat);
}

std::int32_t ParameterView::get_DisplayBase() {
  const ParameterInfo* info = parameter("get_DisplayBase");
  return info ? info->displayBase : 0;
}

std::string ParameterView::get_Units(std::int32_t& /*which*/) {
  const ParameterInfo* info = parameter("get_Units");
  if (!info) return std::string();
  return std::string(appView_ ? info->appUnits : info->driveUnits);
}

std::string ParameterView::formatted(const ParameterInfo& info, double driveValue) {
  const std::string_view format = appView_ ? info.appFormat : info.driveFormat;
  if (format != textFormat_.source()) textFormat_ = NumberFormat(format);
  return ValueText::format(viewed(info, driveValue), textFormat_, info.displayBase);
}

namespace valueRules {

Refusal unwritable(const ParameterInfo* info, std::int32_t number, bool readOnly) {
  if (!info)
    return std::pair(BrommetValueObject::kNoParameter,
                     number == 0 ? std::string("No parameter is selected; nothing was written")
                                 : "Parameter " + std::to_string(number) +
                                       " is not known to this drive; nothing was written");
  if (readOnly)
    return std::pair(BrommetValueObject::kReadOnly,
                     std::string("the parameter is read-only and cannot be changed"));
  return std::nullopt;
}

Refusal locked(std::int32_t required, std::int32_t held) {
  if (held >= required) return std::nullopt;
  return std::pair(BrommetValueObject::kLockTooLow,
                   "needs lock level " + std::to_string(required) + " (" +
                       ParameterCatalog::lockLevelName(required) + "), the application holds " +
                       std::to_string(held) + " (" + ParameterCatalog::lockLevelName(held) + ")");
}

std::optional<std::pair<std::int32_t, std::string>> refusal(const ParameterInfo& info, double value,
                                                            bool appView) {
  auto problem = ServoDrive::checkValue(info, value, appView);
  if (!problem) return std::nullopt;
  const double upper = appView ? info.appUpper : info.driveUpper;
  const std::int32_t code = !std::isfinite(value) ? BrommetValueObject::kBadText
                            : value > upper       ? BrommetValueObject::kAboveMaximum
                                                  : BrommetValueObject::kBelowMinimum;
  return std::pair(code, std::move(*problem));
}

double stored(const ParameterInfo& info, double value, bool appView) {
  if (appView) value /= info.scale;
  if (info.integral) value = roundHalfEven(value);
  if (info.limitsEnabled) value = std::clamp(value, info.driveLower, info.driveUpper);
  return value;
}

double stepped(const ParameterInfo& info, double driveValue, bool appView, bool up,
               std::int16_t shift) {
  const double scale = appView ? info.scale : 1;
  double stepSize = appView ? info.step : info.step / info.scale;
  if (!appView && info.integral) stepSize = std::max(1.0, std::round(stepSize));
  const int count = (shift & 1) != 0 ? 10 : 1;
  double next = driveValue * scale + (up ? 1 : -1) * stepSize * count;
  // Keep application values on the step grid when drive rounding has pushed them off it.
  const double onGrid = std::round(next / stepSize) * stepSize;
  if (std::fabs(next - onGrid) < stepSize * 1e-3) next = onGrid;
  if (info.limitsEnabled)
    next = std::clamp(next, appView ? info.appLower : info.driveLower,
                      appView ? info.appUpper : info.driveUpper);
  return stored(info, next / scale, false);
}

}  // namespace valueRules

}  // namespace kadrelle
