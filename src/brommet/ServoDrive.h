#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "brommet/BrommetLockLevel.h"
#include "brommet/DriveDescription.h"
#include "brommet/ParameterCatalog.h"
#include "brommet/SimulatedFaults.h"
#include "platform/Event.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// A simulated single-axis servo drive: the live value of every parameter of its description
// (the built-in catalog unless another is given), the drive session's application lock level, a
// motion model advanced by tick(), and the parameter file. The motion model drives the measured
// parameters of the catalog's numbers the description has; a description without them simply
// holds its values.
//
// Values are held in drive units. Every value object bound to a parameter watches it here, so a
// change made through one of them, by tick() or by load() reaches all of them.
//
// While the drive is enabled (P1910 = 1), parameters marked stopOnly in the catalog require the
// factory level (3) instead of their own.
//
// Simulating faults: a program's error handling can be tested against the drive by telling it to
// fail. Members are named as in the value-library interfaces ("Commit", "get_NumericValue",
// "put_Level"), and a fault applies to every value object, view and lock level of the drive:
//
//   drive->failNext("Commit");                  // the next Commit fails (error 30100)
//   drive->failNext("get_NumericValue", 3);     // the next three reads of a value fail
//   drive->failNext("put_Level", 1, Error(75, "Lock store unavailable"));  // with this error
//   drive->simulateCommunicationFault(2);       // the next two calls that reach the drive (value
//                                               // reads, Commit, Step) fail (error 30101)
//   drive->clearFaults();
//
//   drive->failNext("get_IsText", 1, {}, 2);    // the third read of IsText fails
//
// A failing call of a value object or view is reported as a real value library reports a lost
// request: the value waiting for Commit is dropped, the value object raises UpdateError with the
// error's number and description, every value object of the parameter raises ContentChanged with
// the value the drive holds (so every control shows it again), and then the call throws the
// error. A call failing inside a handler of the object's own ContentChanged only throws: the
// object reports what its handlers throw (see BrommetValueObject). A lock level that cannot be
// read is reported by the value objects that hold it (UpdateError, ContentChanged), then throws;
// the library's own members just throw.
class ServoDrive : private LockFaultListener {
 public:
  // The format name and version written into, and expected in, a parameter file.
  static constexpr const char* kFileFormat = "Brommet drive parameters";
  static constexpr int kFileVersion = 1;
  // Longer files are refused unread.
  static constexpr std::uintmax_t kMaxFileSize = 4u << 20;

  // Every parameter at its default; disabled; application lock level 0 (operator).
  // Descriptions name the axis ("Axis 1 Speed Limit"). A null description is error 91.
  explicit ServoDrive(std::int32_t axis = 1);
  explicit ServoDrive(std::shared_ptr<const DriveDescription> description, std::int32_t axis = 1);
  ~ServoDrive();
  ServoDrive(const ServoDrive&) = delete;
  ServoDrive& operator=(const ServoDrive&) = delete;

  // The value in drive units (0 for unknown numbers and for text parameters).
  double value(ParameterNumbers number) const;
  // The text of a text parameter ("" otherwise).
  const std::string& text(ParameterNumbers number) const;
  // Store a value without any check (values come from the host, the simulation or a checked
  // write); a change notifies the parameter's watchers. Unknown numbers are error 5.
  void setValue(ParameterNumbers number, double driveValue);
  void setText(ParameterNumbers number, const std::string& text);

  // By catalog index, for the value objects, which look the index up once.
  double valueAt(std::size_t index) const { return slots_[index].value; }
  const std::string& textAt(std::size_t index) const { return slots_[index].text; }

  const DriveDescription& description() const { return *description_; }
  std::int32_t axis() const { return axis_; }
  // The description with the catalog's axis marker "@*@" given as "Axis <n> ".
  std::string withAxis(std::string_view description) const;

  bool enabled() const;
  void setEnabled(bool enabled) { setValue(param::DriveEnable, enabled ? 1 : 0); }

  // The level needed to change the parameter now (0 for unknown numbers).
  std::int32_t requiredLevel(ParameterNumbers number) const;

  // The application lock level of this drive session, handed out by every value object.
  const std::shared_ptr<BrommetLockLevel>& appLock() const { return appLock_; }

  // Advances the motion and thermal model by the given time: actual speed follows the speed
  // command (clamped to the speed limit) at the set acceleration while enabled and coasts to a
  // stop while disabled; current, position, following error, bus voltage, temperatures,
  // operating hours and the status word follow. Only values that change notify.
  void tick(double seconds);

  // Writes every non-volatile parameter to the file with writeFileAtomically (platform/FileIo.h):
  // the file holds its old or its new content whatever happens. Top-level entries of the file
  // other than the drive's own are kept. Error 75 names the file and the system's reason on
  // failure.
  void save(const std::filesystem::path& file) const;
  // Reads a parameter file written by save(). Every entry is checked before any is applied: a
  // file that cannot be read (53, 75) or holds a bad entry (321) is refused with an error naming
  // the file and the first bad entry, and the drive keeps all its values. Parameters the file
  // does not name keep their values.
  void load(const std::filesystem::path& file);

  // What is wrong with a value for the parameter in one of its views (application view or drive
  // view units), as a phrase such as "12000 RPM is above the maximum of 6000 RPM"; nothing when
  // the value is acceptable. Limits are checked only when the parameter's limits are enabled.
  static std::optional<std::string> checkValue(const ParameterInfo& info, double value,
                                               bool appView);
  // What is wrong with a text for a text parameter; nothing when it is acceptable.
  static std::optional<std::string> checkText(const ParameterInfo& info, std::string_view text);

  // What a watcher of a parameter hears: its value changed; every value object of the parameter
  // is asked to show the drive's value again (refresh); the session's lock level could not be
  // read (lockFault() says why), so whoever holds it should say so and show its value again.
  enum class Notice { Changed, Refresh, LockFault };
  // Calls the handler with each notice about the parameter until the connection is dropped.
  [[nodiscard]] Connection watch(ParameterNumbers number, std::function<void(Notice)> handler);
  // Asks every watcher of the parameter to show its value again, after a write that failed.
  void refresh(ParameterNumbers number);

  // Simulated faults (see above). An unknown member name is error 5.
  void failNext(std::string_view member, int count = 1, std::optional<Error> error = {},
                int after = 0) {
    faults_->failNext(member, count, std::move(error), after);
  }
  void simulateCommunicationFault(int calls = 1) { faults_->failCommunication(calls); }
  void clearFaults() { faults_->clear(); }
  // Shared by the drive's value objects, views and lock levels (and any the library makes).
  const std::shared_ptr<SimulatedFaults>& faults() const { return faults_; }
  // While a LockFault notice is raised, the error of the lock level's read; else nullptr.
  const Error* lockFault() const { return lockFault_ ? &*lockFault_ : nullptr; }

  // Raised after the enable state changes (the required levels of stopOnly parameters follow).
  Event<> EnabledChanged;
  // Raised after a parameter file was loaded.
  Event<> Loaded;

 private:
  struct Slot {
    double value = 0;
    std::string text;
    std::unique_ptr<Event<Notice>> changed;
  };

  void notify(std::size_t index, Notice notice = Notice::Changed);
  // Tells every watcher that the session's lock level could not be read.
  void lockLevelFault(const Error& error) override;
  std::size_t indexOrThrow(ParameterNumbers number) const;
  // Writes a measured quantity, rounded to whole drive units.
  void setMeasured(ParameterNumbers number, double driveValue);

  std::shared_ptr<const DriveDescription> description_;
  std::vector<Slot> slots_;
  std::optional<std::size_t> enableIndex_;  // P1910, when the description has it
  std::int32_t axis_;
  std::shared_ptr<SimulatedFaults> faults_;
  std::shared_ptr<BrommetLockLevel> appLock_;
  std::optional<Error> lockFault_;
  // Simulation state kept at full precision between ticks.
  double speed_ = 0;     // counts/s
  double position_ = 0;  // counts
  double driveTemperature_ = 25;
  double motorTemperature_ = 25;
  double seconds_ = 0;  // power-on time beyond the stored hours
};

}  // namespace kadrelle
#pragma GCC visibility pop
