#pragma once

// Recording stand-ins for everything a control talks to, so tests can assert what it did, in
// which order, and make any call fail.

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "binding/ValueObject.h"
#include "brommet/SimulatedFaults.h"
#include "control/Kadrelle.h"
#include "editing/EditBox.h"
#include "platform/ChildControlBase.h"
#include "platform/Error.h"
#include "platform/HeadlessToolkit.h"
#include "platform/MemoryPropertyBag.h"

namespace kadrelle::test {

// A shared, ordered log of calls ("editBox.Text=N/A", "view.NumericValue").
using CallLog = std::vector<std::string>;

inline bool contains(const CallLog& log, const std::string& entry) {
  return std::find(log.begin(), log.end(), entry) != log.end();
}

// The number of the error `call` throws; 0 when it throws none.
inline int errorNumber(const std::function<void()>& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

// The messages of one procedure's trace lines, without the head and the ", param=" tail.
inline std::vector<std::string> traceMessages(const std::vector<std::string>& lines,
                                              const std::string& procedure) {
  const std::string head = "Kadrelle." + procedure + " [Kadrelle1] ";
  std::vector<std::string> out;
  for (const auto& line : lines) {
    if (line.rfind(head, 0) != 0) continue;
    std::string message = line.substr(head.size());
    out.push_back(message.substr(0, message.find(", param=")));
  }
  return out;
}

// Makes named calls fail with the value library's own fault feature: fail("view.Step") makes the
// next call of that member throw an Error; failForeign throws a std::runtime_error instead, as a
// host's or library's own code may.
class FaultPlan : public SimulatedFaults {
 public:
  void fail(const std::string& member, int number = 5, std::string description = "Injected") {
    failNext(member, 1, Error(number, std::move(description)));
  }
  void failForeign(const std::string& member, std::string what) {
    foreign_.insert_or_assign(member, std::move(what));
  }
  void check(const std::string& member) {
    if (auto it = foreign_.find(member); it != foreign_.end()) {
      const std::runtime_error error(it->second);
      foreign_.erase(it);
      throw error;
    }
    SimulatedFaults::check(member);
  }

 private:
  std::map<std::string, std::string> foreign_;
};

class RecordingContainer : public Container {
 public:
  void PropertyChanged(const std::string& name) override {
    changed.push_back(name);
    if (onChanged) onChanged(name);
  }
  FontRef AmbientFont() override {
    ++ambientFontRequests;
    if (foreignFontFailure) throw std::runtime_error("no font");
    return makeFont();
  }
  std::string AmbientDisplayName() override {
    ++nameRequests;
    if (foreignNameFailure) throw std::runtime_error("no name");
    return displayName;
  }

  std::vector<std::string> changed;
  // Looks at the control at the moment a notification arrives.
  std::function<void(const std::string&)> onChanged;
  // The ambient font, or the name (so every trace line), throws std::runtime_error.
  bool foreignFontFailure = false, foreignNameFailure = false;
  int ambientFontRequests = 0, nameRequests = 0;
  std::string displayName = "Kadrelle1";
};

class RecordingDebugChannel : public DebugChannel {
 public:
  void Output(std::string_view line) override {
    lines.emplace_back(line);
    if (onLine) onLine(lines.back());
  }
  std::vector<std::string> lines;
  std::function<void(const std::string&)> onLine;
};

class MapSettingsStore : public SettingsStore {
 public:
  std::string GetSetting(const std::string& application, const std::string& section,
                         const std::string& key, const std::string& defaultValue) override {
    auto it = values.find(application + "/" + section + "/" + key);
    return it == values.end() ? defaultValue : it->second;
  }
  void setDebug(const std::string& text) { values["Kadrelle/1/Debug"] = text; }
  std::map<std::string, std::string> values;
};

// The edit box's plain properties: type, type taken by the let, member, field, first value.
#define KADRELLE_EDIT_BOX_PROPERTIES(X)                            \
  X(std::string, const std::string&, Text, text, )                 \
  X(std::string, const std::string&, FormatString, formatString, ) \
  X(double, double, MinValue, minValue, 0)                         \
  X(double, double, MaxValue, maxValue, 0)                         \
  X(Boolean, Boolean, UseLimits, useLimits, kFalse)                \
  X(Boolean, Boolean, TextMode, textMode, kFalse)                  \
  X(Boolean, Boolean, HexMode, hexMode, kFalse)                    \
  X(std::int32_t, std::int32_t, HexDigits, hexDigits, 0)           \
  X(Boolean, Boolean, EditEnabled, editEnabled, kTrue)             \
  X(Boolean, Boolean, Armed, armed, kFalse)                        \
  X(std::int16_t, std::int16_t, BorderStyle, borderStyle, 1)       \
  X(std::int32_t, std::int32_t, SelStart, selStart, 0)             \
  X(std::int32_t, std::int32_t, SelLength, selLength, 0)
#define KADRELLE_LOGGED_PROPERTY(T, P, Member, field, first) \
  T get_##Member() override {                                \
    return field;                                            \
  }                                                          \
  void put_##Member(P v) override {                          \
    set(#Member, field, v);                                  \
  }
#define KADRELLE_FIELD(T, P, Member, field, first) T field{first};

// An edit box that only stores what it is given and logs every write as "editBox.<Member>=<v>".
class RecordingEditBox : public ChildControlBase<EditBox> {
 public:
  explicit RecordingEditBox(CallLog& log) : log_(log) {}
  // Tests raise the box's events as the box does: to the control first.
  using EditBox::raiseChange, EditBox::raiseClick, EditBox::raiseDblClick, EditBox::raiseKeyDown,
      EditBox::raiseKeyPress, EditBox::raiseKeyUp, EditBox::raiseMouseDown, EditBox::raiseMouseMove,
      EditBox::raiseMouseUp;

  KADRELLE_EDIT_BOX_PROPERTIES(KADRELLE_LOGGED_PROPERTY)
  Variant get_Value() override { return value; }
  void put_Value(const Variant& v) override {
    set("Value", value, v);
    text = CStr(v);
    raiseChange();
  }
  Variant get_InitializeValue() override { return initializeValue; }
  void put_InitializeValue(const Variant& v) override {
    set("InitializeValue", initializeValue, v);
    value = v;
    text = CStr(v);
  }
  Boolean get_SignLock() override { return signLock; }
  void put_SignLock(const Variant& v) override {
    set("SignLock", signLockWritten, v);
    signLock = CBool(v);
  }
  Boolean get_ZeroException() override { return zeroException; }
  void put_ZeroException(const Variant& v) override {
    log_.push_back("editBox.ZeroException=" + show(v));
    zeroException = CBool(v);
  }
  OleColor get_ForeColor() override { return kSystemWindowText; }
  FontRef get_Font() override { return font; }
  void Refresh() override { log_.push_back("editBox.Refresh"); }

  // Input arrives as the edit box's events, raised by the tests themselves.
  void focusIn() override {}
  void focusOut() override {}
  void keyDown(std::int16_t, std::int16_t) override {}
  void keyPress(std::int16_t) override {}
  void keyUp(std::int16_t, std::int16_t) override {}
  void typeText(std::string_view) override {}
  void mouseDown(std::int16_t, std::int16_t, float, float) override {}
  void mouseMove(std::int16_t, std::int16_t, float, float) override {}
  void mouseUp(std::int16_t, std::int16_t, float, float) override {}
  void click() override {}
  void dblClick() override {}

  // A finished entry as the user would make it: text typed, then the entry closed.
  void enter(const std::string& typed) {
    text = typed;
    auto n = parseNumber(typed);
    value = n ? Variant(*n) : Variant(typed);
    raiseChange();
  }

  static std::string describe(const Variant& v) {
    return std::string(Variant::typeName(v.type())) + ":" +
           (v.type() == Variant::Type::Object ? std::string("font") : CStr(v));
  }

  KADRELLE_EDIT_BOX_PROPERTIES(KADRELLE_FIELD)
  Variant value, initializeValue, signLockWritten;
  Boolean signLock, zeroException;
  FontRef font = makeFont();

 private:
  template <class T>
  static std::string show(const T& v) {
    return CStr(Variant(v));
  }
  static std::string show(const Variant& v) { return describe(v); }
  // Logs the write, then stores it.
  template <class T>
  void set(const char* member, T& field, const T& v) {
    log_.push_back("editBox." + std::string(member) + "=" + show(v));
    field = v;
  }
  CallLog& log_;
};

class RecordingEditBoxFactory : public EditBoxFactory {
 public:
  explicit RecordingEditBoxFactory(CallLog& log) : log_(log) {}
  std::unique_ptr<EditBox> createEditBox(ControlSurface&) override {
    return std::make_unique<RecordingEditBox>(log_);
  }

 private:
  CallLog& log_;
};

// A bag in memory that writes a transcript of what it is asked ("Key default" for a read,
// "Key value default" for a write), can fail at a key and can look at the control just before
// a key is read.
class RecordingBag : public MemoryPropertyBag {
 public:
  Variant ReadProperty(const std::string& name, const Variant& defaultValue) override {
    reads.push_back(name + " " + RecordingEditBox::describe(defaultValue));
    if (onRead) onRead(name);
    if (name == failAt) throw Error(Error::kInvalidCall, "bag failure");
    return MemoryPropertyBag::ReadProperty(name, defaultValue);
  }
  void WriteProperty(const std::string& name, const Variant& value,
                     const Variant& defaultValue) override {
    if (name == failAt) throw Error(Error::kInvalidCall, "bag failure");
    writes.push_back(name + " " + RecordingEditBox::describe(value) + " " +
                     RecordingEditBox::describe(defaultValue));
    MemoryPropertyBag::WriteProperty(name, value, defaultValue);
  }

  std::vector<std::string> reads, writes;
  std::string failAt;
  std::function<void(const std::string&)> onRead;
};

// Base of the fakes below: every member can be made to fail as "<name>.<Member>"; calls other
// than reads are logged under the same name.
class Recorder {
 public:
  Recorder(CallLog& log, FaultPlan& faults, std::string name)
      : log_(log), faults_(faults), name_(std::move(name)) {}

 protected:
  template <class T>
  T read(const char* member, T v) {
    faults_.check(name_ + "." + member);
    return v;
  }
  // Fails as `member`, logs `member` followed by `detail`.
  void call(const std::string& member, const std::string& detail = "") {
    faults_.check(name_ + "." + member);
    log_.push_back(name_ + "." + member + detail);
  }
  template <class T>
  void write(const char* member, T& field, const T& v, const std::string& detail) {
    call(member, detail);
    field = v;
  }
  CallLog& log_;
  FaultPlan& faults_;

 private:
  std::string name_;
};

class FakeLockLevel : public LockLevel, Recorder {
 public:
  FakeLockLevel(CallLog& log, FaultPlan& faults, std::string name, std::int32_t level = 0)
      : Recorder(log, faults, std::move(name)), level_(level) {}
  std::int32_t get_Level() override { return read("Level", level_); }
  void put_Level(std::int32_t level) override {
    bool changed = level != level_;
    write("Level=", level_, level, std::to_string(level));
    if (changed) Changed.raise();
  }

 private:
  std::int32_t level_;
};

// The view's read-only properties: type, member, field, first value.
#define KADRELLE_VIEW_PROPERTIES(X)                                         \
  X(double, UpperLimit, upperLimit, 100)                                    \
  X(double, LowerLimit, lowerLimit, 0)                                      \
  X(double, DriveUpperLimit, driveUpperLimit, 1000)                         \
  X(double, DriveLowerLimit, driveLowerLimit, -1000)                        \
  X(Boolean, LimitsEnabled, limitsEnabled, kTrue)                           \
  X(std::string, NumberFormat, numberFormat, "0.0")                         \
  X(std::int32_t, DisplayBase, displayBase, 0)                              \
  X(std::string, Description, description, "Speed Limit")                   \
  X(std::string, DriveDescription, driveDescription, "Speed Limit (drive)") \
  X(std::shared_ptr<Object>, Stepper, stepper, nullptr)
#define KADRELLE_READ_PROPERTY(T, Member, field, first) \
  T get_##Member() override {                           \
    return read(#Member, field);                        \
  }
#define KADRELLE_VIEW_FIELD(T, Member, field, first) T field{first};

// A view whose every answer is a plain field; writes are logged as "<name>.<Member>=<v>".
class FakeView : public View, Recorder {
 public:
  FakeView(CallLog& log, FaultPlan& faults, std::string name)
      : Recorder(log, faults, std::move(name)) {}

  double get_NumericValue() override { return read("NumericValue", numericValue); }
  void put_NumericValue(double v) override {
    write("NumericValue=", numericValue, v, numberText(v));
  }
  double get_DriveValue() override { return read("DriveValue", driveValue); }
  void put_DriveValue(double v) override { write("DriveValue=", driveValue, v, numberText(v)); }
  std::string get_TextValue() override { return read("TextValue", textValue); }
  void put_TextValue(const std::string& v) override { write("TextValue=", textValue, v, v); }
  KADRELLE_VIEW_PROPERTIES(KADRELLE_READ_PROPERTY)
  std::string get_Units(std::int32_t& which) override {
    call("Units", "(" + std::to_string(which) + ")");
    return units;
  }
  void Step(Boolean up, std::int16_t shift) override {
    call("Step", "(" + booleanText(up) + "," + std::to_string(shift) + ")");
  }

  double numericValue = 0, driveValue = 0;
  std::string textValue;
  KADRELLE_VIEW_PROPERTIES(KADRELLE_VIEW_FIELD)
  std::string units = "RPM";
};

class FakeValueObject : public ValueObject, Recorder {
 public:
  FakeValueObject(CallLog& log, FaultPlan& faults)
      : Recorder(log, faults, "value"),
        appView(std::make_shared<FakeView>(log, faults, "appView")),
        driveView(std::make_shared<FakeView>(log, faults, "driveView")),
        appLock(std::make_shared<FakeLockLevel>(log, faults, "appLock", 3)),
        requiredLock(std::make_shared<FakeLockLevel>(log, faults, "requiredLock", 3)) {}

  ViewRef get_AppView() override { return read("AppView", ViewRef(appView)); }
  ViewRef get_DriveView() override { return read("DriveView", ViewRef(driveView)); }
  Boolean get_ReadOnly() override { return read("ReadOnly", readOnly); }
  std::string get_Key() override { return read("Key", key); }
  void put_ParameterNumber(ParameterNumbers number) override {
    write("ParameterNumber=", parameterNumber, number, std::to_string(number));
    if (onParameterNumber) onParameterNumber(*this, number);
  }
  void Commit() override { call("Commit"); }
  LockLevelRef get_AppLock() override { return read("AppLock", heldAppLock); }
  void putref_AppLock(LockLevelRef lock) override { write("AppLock=", heldAppLock, lock, ""); }
  LockLevelRef get_RequiredLock() override { return read("RequiredLock", requiredLock); }
  void putref_Link(std::shared_ptr<Object> link) override {
    call("Link=", link ? "object" : "Nothing");
  }
  std::int32_t get_IsText() override { return read("IsText", isText); }

  std::shared_ptr<FakeView> appView, driveView;
  std::shared_ptr<FakeLockLevel> appLock;
  LockLevelRef requiredLock;
  LockLevelRef heldAppLock = appLock;  // what AppLock answers: appLock until one is assigned
  Boolean readOnly;
  std::string key = "P1010";
  std::int32_t isText = 0;
  ParameterNumbers parameterNumber = 0;
  std::function<void(FakeValueObject&, ParameterNumbers)> onParameterNumber;
};

// A value library whose value objects answer for a parameter number from a small table.
class FakeValueLibrary : public ValueLibrary {
 public:
  FakeValueLibrary(CallLog& log, FaultPlan& faults) : log_(log), faults_(faults) {}

  ValueObjectRef createValueObject() override {
    faults_.check("library.createValueObject");
    auto v = std::make_shared<FakeValueObject>(log_, faults_);
    v->key.clear();
    v->appView->description.clear();
    v->driveView->description.clear();
    v->onParameterNumber = [this](FakeValueObject& obj, ParameterNumbers n) {
      auto it = parameters.find(n);
      obj.key = it == parameters.end() ? "" : it->second.first;
      obj.driveView->description = it == parameters.end() ? "" : it->second.second;
    };
    ++created;
    return v;
  }
  LockLevelRef createLockLevel() override {
    faults_.check("library.createLockLevel");
    return std::make_shared<FakeLockLevel>(log_, faults_, "newLock", 0);
  }
  ValueObjectRef sharedValueObject() override {
    faults_.check("library.sharedValueObject");
    if (!shared) shared = std::make_shared<FakeValueObject>(log_, faults_);
    return shared;
  }

  // number -> key, drive-view description
  std::map<ParameterNumbers, std::pair<std::string, std::string>> parameters = {
      {1010, {"P1010", "Speed @*@Limit"}}, {1020, {"P1020", "Current Limit"}}};
  std::shared_ptr<FakeValueObject> shared;
  int created = 0;

 private:
  CallLog& log_;
  FaultPlan& faults_;
};

// The headless children, counting what they show no trace of: the caption box's moves and the
// caption's redraws.
class CountingPictureBox : public HeadlessPictureBox {
 public:
  using HeadlessPictureBox::HeadlessPictureBox;
  void Move(float left, float top, float width, float height) override {
    ++moves;
    HeadlessPictureBox::Move(left, top, width, height);
  }
  int moves = 0;
};
class CountingRichTextBox : public HeadlessRichTextBox {
 public:
  using HeadlessRichTextBox::HeadlessRichTextBox;
  void Refresh() override { ++refreshes; }
  int refreshes = 0;
};
class CountingToolkit : public HeadlessToolkit {
 public:
  std::unique_ptr<PictureBox> createPictureBox(ControlSurface& parent) override {
    return std::make_unique<CountingPictureBox>(parent);
  }
  std::unique_ptr<RichTextBox> createRichTextBox(PictureBox& parent) override {
    return std::make_unique<CountingRichTextBox>(parent);
  }
};

// Everything a control needs, recording. make() creates a control the site keeps (destroyed
// before the services); the child accessors reach the children of the control made last.
struct TestSite {
  TestSite() : editBoxes(log), values(log, faults) {}

  CallLog log;
  FaultPlan faults;
  RecordingContainer container;
  CountingToolkit toolkit;
  RecordingEditBoxFactory editBoxes;
  FakeValueLibrary values;
  MapSettingsStore settings;
  RecordingDebugChannel debug;
  ControlSite site{container, toolkit, editBoxes, values, settings, debug};

  Kadrelle& make() { return *controls.emplace_back(std::make_unique<Kadrelle>(site)); }
  // Forgets the calls, notifications and trace lines recorded so far.
  void clear() {
    log.clear();
    container.changed.clear();
    debug.lines.clear();
  }
  Kadrelle::Children children() { return controls.back()->children(); }
  RecordingEditBox& editBox() { return static_cast<RecordingEditBox&>(children().editBox); }
  HeadlessSurface& surface() { return static_cast<HeadlessSurface&>(children().surface); }
  CountingRichTextBox& caption() { return static_cast<CountingRichTextBox&>(children().caption); }
  CountingPictureBox& captionBox() {
    return static_cast<CountingPictureBox&>(children().captionBox);
  }
  HeadlessLabel& label() { return static_cast<HeadlessLabel&>(children().measuringLabel); }
  std::shared_ptr<FakeValueObject> makeValue() {
    return std::make_shared<FakeValueObject>(log, faults);
  }

  std::vector<std::unique_ptr<Kadrelle>> controls;
};

}  // namespace kadrelle::test
