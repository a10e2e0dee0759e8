#include "brommet/ServoDrive.h"

#include <algorithm>
#include <cmath>

#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {

constexpr double kAmbient = 25;               // degrees C
constexpr double kDriveThermalSeconds = 120;  // heatsink time constant
constexpr double kNominalBus = 3250;          // 0.1 V
constexpr double kAtSpeedWindow = 2185;       // counts/s, about 1 RPM

enum StatusBits : int {
  kStatusEnabled = 1,
  kStatusAtSpeed = 2,
  kStatusMoving = 4,
  kStatusCurrentLimited = 8,
  kStatusMotorHot = 16,
};

// Every member of the drive's value objects, views, lock levels and library, as faults name them.
constexpr std::string_view kMembers[] = {"get_AppView",
                                         "get_DriveView",
                                         "get_ReadOnly",
                                         "get_Key",
                                         "put_ParameterNumber",
                                         "Commit",
                                         "get_AppLock",
                                         "putref_AppLock",
                                         "get_RequiredLock",
                                         "putref_Link",
                                         "get_IsText",
                                         "get_NumericValue",
                                         "put_NumericValue",
                                         "get_DriveValue",
                                         "put_DriveValue",
                                         "get_TextValue",
                                         "put_TextValue",
                                         "get_UpperLimit",
                                         "get_LowerLimit",
                                         "get_DriveUpperLimit",
                                         "get_DriveLowerLimit",
                                         "get_LimitsEnabled",
                                         "get_NumberFormat",
                                         "get_DisplayBase",
                                         "get_Description",
                                         "get_DriveDescription",
                                         "get_Units",
                                         "get_Stepper",
                                         "Step",
                                         "get_Level",
                                         "put_Level",
                                         "createValueObject",
                                         "createLockLevel",
                                         "sharedValueObject"};

}  // namespace

ServoDrive::ServoDrive(std::int32_t axis) : ServoDrive(DriveDescription::simulated(), axis) {}

ServoDrive::ServoDrive(std::shared_ptr<const DriveDescription> description, std::int32_t axis)
    : description_(std::move(description)),
      axis_(axis),
      faults_(std::make_shared<SimulatedFaults>(
          std::vector<std::string_view>(std::begin(kMembers), std::end(kMembers)))),
      appLock_(std::make_shared<BrommetLockLevel>(0, false, faults_)) {
  if (!description_) throw Error::objectNotSet();
  enableIndex_ = description_->indexOf(param::DriveEnable);
  const auto catalog = description_->parameters();
  slots_.resize(catalog.size());
  for (std::size_t i = 0; i < catalog.size(); ++i) {
    slots_[i].value = catalog[i].defaultValue;
    slots_[i].text = std::string(catalog[i].defaultText);
  }
  driveTemperature_ = value(param::DriveTemperature) / 10;
  motorTemperature_ = value(param::MotorTemperature) / 10;
  appLock_->setFaultListener(this);
}

ServoDrive::~ServoDrive() {
  appLock_->setFaultListener(nullptr);  // a host may keep the lock level longer
}

std::size_t ServoDrive::indexOrThrow(ParameterNumbers number) const {
  auto index = description_->indexOf(number);
  if (!index)
    throw Error(Error::kInvalidCall,
                "Parameter " + std::to_string(number) + " is not known to this drive");
  return *index;
}

double ServoDrive::value(ParameterNumbers number) const {
  auto index = description_->indexOf(number);
  return index ? slots_[*index].value : 0;
}

const std::string& ServoDrive::text(ParameterNumbers number) const {
  static const std::string kNone;
  auto index = description_->indexOf(number);
  return index ? slots_[*index].text : kNone;
}

void ServoDrive::setValue(ParameterNumbers number, double driveValue) {
  const std::size_t index = indexOrThrow(number);
  if (slots_[index].value == driveValue) return;
  const bool wasEnabled = enabled();
  slots_[index].value = driveValue;
  notify(index);
  if (enabled() != wasEnabled) EnabledChanged.raise();
}

void ServoDrive::setText(ParameterNumbers number, const std::string& text) {
  const std::size_t index = indexOrThrow(number);
  if (slots_[index].text == text) return;
  slots_[index].text = text;
  notify(index);
}

void ServoDrive::notify(std::size_t index, Notice notice) {
  if (slots_[index].changed) slots_[index].changed->raise(notice);
}

void ServoDrive::refresh(ParameterNumbers number) {
  notify(indexOrThrow(number), Notice::Refresh);
}

void ServoDrive::lockLevelFault(const Error& error) {
  struct Clear {
    std::optional<Error>& fault;
    ~Clear() { fault.reset(); }
  } clear{lockFault_};
  for (std::size_t i = 0; i < slots_.size(); ++i) {
    if (!slots_[i].changed) continue;
    lockFault_ = error;  // again for each: a report made meanwhile clears it
    notify(i, Notice::LockFault);
  }
}

std::string ServoDrive::withAxis(std::string_view description) const {
  return replaceAll(std::string(description), "@*@", "Axis " + std::to_string(axis_) + " ");
}

Connection ServoDrive::watch(ParameterNumbers number, std::function<void(Notice)> handler) {
  auto& slot = slots_[indexOrThrow(number)];
  if (!slot.changed) slot.changed = std::make_unique<Event<Notice>>();
  return slot.changed->connect(std::move(handler));
}

bool ServoDrive::enabled() const {
  return enableIndex_ && slots_[*enableIndex_].value != 0;
}

std::int32_t ServoDrive::requiredLevel(ParameterNumbers number) const {
  const ParameterInfo* info = description_->find(number);
  if (!info) return 0;
  return info->stopOnly && enabled() ? 3 : info->lockLevel;
}

void ServoDrive::setMeasured(ParameterNumbers number, double driveValue) {
  // Only what the description calls measured: its other parameters are the user's settings.
  if (const ParameterInfo* info = description_->find(number); info && info->measured)
    setValue(number, std::round(driveValue));
}

void ServoDrive::tick(double seconds) {
  if (!(seconds > 0) || !std::isfinite(seconds)) return;
  const bool on = enabled();

  // Velocity: ramp towards the command, limited by the speed limit.
  const double limit = value(param::SpeedLimit);
  const double target = on ? std::clamp(value(param::SpeedCommand), -limit, limit) : 0;
  const bool speedingUp = std::fabs(target) > std::fabs(speed_) && target * speed_ >= 0;
  const double rate = value(speedingUp ? param::Acceleration : param::Deceleration);
  const double before = speed_;
  speed_ += std::clamp(target - speed_, -rate * seconds, rate * seconds);
  position_ += (before + speed_) / 2 * seconds;

  // Current: acceleration torque share of the peak current, plus friction and viscous load.
  double current = 0;
  bool currentLimited = false;
  if (on) {
    const double acceleration = (speed_ - before) / seconds;
    const double rated = value(param::MotorRatedCurrent);
    const double ratedSpeed = std::max(value(param::MotorRatedSpeed), 1.0);
    current = acceleration / 131072000 * value(param::MotorPeakCurrent);
    if (speed_ != 0) current += (speed_ > 0 ? 1 : -1) * 0.05 * rated;
    current += speed_ / ratedSpeed * 0.1 * rated;
    const double currentLimit = value(param::CurrentLimit);
    currentLimited = std::fabs(current) > currentLimit;
    current = std::clamp(current, -currentLimit, currentLimit);
  }

  // Temperatures: first-order approach to a level set by the current squared.
  const double driveRated = std::max(value(param::DriveRatedCurrent), 1.0);
  const double motorRated = std::max(value(param::MotorRatedCurrent), 1.0);
  const double driveSteady = kAmbient + 40 * std::pow(current / driveRated, 2);
  const double motorSteady = kAmbient + 80 * std::pow(current / motorRated, 2);
  const double motorSeconds = std::max(value(param::MotorThermalTimeConstant) / 1000, 1.0);
  driveTemperature_ +=
      (driveSteady - driveTemperature_) * (1 - std::exp(-seconds / kDriveThermalSeconds));
  motorTemperature_ += (motorSteady - motorTemperature_) * (1 - std::exp(-seconds / motorSeconds));

  const double kv = value(param::PositionLoopGain) / 100;  // 1/s
  const double followingError = on && kv > 0 ? speed_ / kv : 0;

  seconds_ += seconds;
  const double wholeSeconds = std::floor(seconds_);
  seconds_ -= wholeSeconds;

  int status = 0;
  if (on) status |= kStatusEnabled;
  if (on && std::fabs(target - speed_) < kAtSpeedWindow) status |= kStatusAtSpeed;
  if (std::fabs(speed_) >= kAtSpeedWindow) status |= kStatusMoving;
  if (currentLimited) status |= kStatusCurrentLimited;
  if (motorTemperature_ * 10 >= value(param::MotorTemperatureTrip)) status |= kStatusMotorHot;

  setMeasured(param::ActualSpeed, speed_);
  setMeasured(param::ActualCurrent, current);
  setMeasured(param::ActualPosition, std::clamp(position_, -2097152000.0, 2097152000.0));
  setMeasured(param::FollowingError, followingError);
  setMeasured(param::BusVoltage, kNominalBus - std::fabs(current) * 0.002);
  setMeasured(param::DriveTemperature, driveTemperature_ * 10);
  setMeasured(param::MotorTemperature, motorTemperature_ * 10);
  if (wholeSeconds > 0)
    setMeasured(param::OperatingHours, value(param::OperatingHours) + wholeSeconds);
  setMeasured(param::StatusWord, status);
}

}  // namespace kadrelle
