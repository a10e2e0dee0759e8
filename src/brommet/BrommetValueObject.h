#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "binding/ValueObject.h"
#include "brommet/BrommetLockLevel.h"
#include "brommet/BrommetView.h"
#include "brommet/ServoDrive.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A value object of the library: one parameter of a ServoDrive, selected by ParameterNumber,
// seen through an application view and a drive view.
//
// Events: every value object bound to a parameter raises ValueChanged and then ContentChanged
// (with the new value: application units, or the text) whenever the drive's value changes, by
// whichever object or by the drive itself. The object whose Commit or Step changed the value then
// also raises Changed. A refused Commit or Step raises UpdateError with one of the codes below
// and a description naming the parameter; the drive keeps its value and nothing is thrown.
// Simulated faults (ServoDrive::failNext) are reported as the drive's comment describes.
//
// Nothing a handler throws is lost and none of it reaches the object's caller: a ContentChanged
// handler that fails (a control whose refresh read failed) is told its error through UpdateError
// and given ContentChanged again, a bounded number of times, so a failure of one control neither
// leaves it showing an old value nor fails the write another made. A Commit or Step that fails
// for any reason (a lock level that cannot be read) is reported as a failed write is.
// ParameterNumber 0 selects no parameter (key and descriptions ""); an unknown number selects
// nothing either, but the descriptions name the number. Both are read-only.
class BrommetValueObject : public ValueObject,
                           public std::enable_shared_from_this<BrommetValueObject>,
                           private LockFaultListener {
 public:
  // UpdateError codes.
  static constexpr std::int32_t kAboveMaximum = 30001;
  static constexpr std::int32_t kBelowMinimum = 30002;
  static constexpr std::int32_t kReadOnly = 30003;
  static constexpr std::int32_t kBadText = 30004;
  static constexpr std::int32_t kNoParameter = 30005;
  static constexpr std::int32_t kLockTooLow = 30006;
  static constexpr std::int32_t kNotSteppable = 30007;

  // Unbound (no parameter selected); AppLock is the drive session's lock level. A null drive is
  // error 91.
  explicit BrommetValueObject(std::shared_ptr<ServoDrive> drive);
  ~BrommetValueObject() override;
  BrommetValueObject(const BrommetValueObject&) = delete;
  BrommetValueObject& operator=(const BrommetValueObject&) = delete;

  ViewRef get_AppView() override;
  ViewRef get_DriveView() override;
  Boolean get_ReadOnly() override;
  std::string get_Key() override;
  void put_ParameterNumber(ParameterNumbers number) override;
  void Commit() override;
  LockLevelRef get_AppLock() override;
  void putref_AppLock(LockLevelRef lock) override;
  LockLevelRef get_RequiredLock() override;
  void putref_Link(std::shared_ptr<Object> link) override;
  std::int32_t get_IsText() override;

  ParameterNumbers parameterNumber() const { return number_; }
  // The selected parameter's catalog entry, or nullptr.
  const ParameterInfo* info() const { return info_; }
  ServoDrive& drive() const { return *drive_; }
  const std::shared_ptr<ServoDrive>& driveRef() const { return drive_; }
  const std::shared_ptr<BrommetView>& appView() const { return appView_; }
  const std::shared_ptr<BrommetView>& driveView() const { return driveView_; }
  const std::shared_ptr<BrommetLockLevel>& requiredLock() const { return requiredLock_; }
  const std::shared_ptr<Object>& link() const { return link_; }
  // The parameter's value as the events carry it: application units, the text, or Empty.
  Variant currentValue() const;
  // True while a value written into a view waits for Commit.
  bool hasPending() const { return pending_.has_value(); }

 private:
  friend class BrommetView;

  // A simulated fault of the parameter's lock level, reported unless a view is being shown.
  void lockLevelFault(const Error& error) override;

  // A value written into a view, waiting for Commit.
  struct Pending {
    bool isText = false;      // a text for a text parameter
    bool notANumber = false;  // text written to a numeric parameter that does not read as one
    bool appView = false;     // value in application units (else drive units)
    double value = 0;
    std::string text{};
  };

  // The drive value in drive units, or the pending one.
  double driveValue() const;
  std::string textValue() const;
  void setPendingNumber(double value, bool appView);
  void setPendingText(const std::string& text, bool appView);
  void step(bool appView, bool up, std::int16_t shift);
  // Runs a write; a failure that raised no UpdateError on its way is reported (report()), then
  // thrown on.
  template <class Write>
  void reportingFailures(Write&& write);
  void commitPending();
  void stepValue(bool appView, bool up, std::int16_t shift);
  // Throws the fault the drive simulates for the member, if any, reported first (report()) unless
  // the call comes from a handler of this object's ContentChanged, which reports it itself.
  // Inline, so a call with no fault armed costs a test.
  void simulate(std::string_view member, bool reachesDrive = false) {
    if (drive_->faults()->planned()) simulateFault(member, reachesDrive);
  }
  void simulateFault(std::string_view member, bool reachesDrive);
  // A request that failed: the pending value is dropped, UpdateError says why, and every object
  // of the parameter shows the drive's value again.
  void report(const Error& error);
  // Raises ContentChanged with the current value; a handler that throws is told its error through
  // UpdateError and the event is raised again, up to kRetries times, then the error is dropped.
  void showValue();
  static constexpr int kRetries = 2;
  // Raises UpdateError with the code and the parameter name before the description.
  void refuse(std::int32_t code, const std::string& what);
  // Refuses the write when the parameter is missing, read-only or locked; true if refused.
  bool refusedBeforeWrite();
  std::string unknownDescription() const;
  void onDriveNotice(ServoDrive::Notice notice);
  void onEnabledChanged();
  // Keeps the object alive through a raise whose handler may drop the last reference to it.
  std::shared_ptr<BrommetValueObject> held() { return weak_from_this().lock(); }

  std::shared_ptr<ServoDrive> drive_;
  ParameterNumbers number_ = 0;
  const ParameterInfo* info_ = nullptr;
  std::size_t index_ = 0;
  std::optional<Pending> pending_;
  LockLevelRef appLock_;
  std::shared_ptr<BrommetLockLevel> requiredLock_;
  std::shared_ptr<Object> link_;
  std::shared_ptr<BrommetView> appView_;
  std::shared_ptr<BrommetView> driveView_;
  Connection valueWatch_;
  Connection enabledWatch_;
  int showing_ = 0;   // ContentChanged raises under way
  int reported_ = 0;  // UpdateError raises, so that no failure is reported twice
};

}  // namespace kadrelle
#pragma GCC visibility pop
