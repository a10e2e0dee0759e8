#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "component/ControlDispatch.h"
#include "host/Form.h"
#include "ombrel/OmbrelFactory.h"
#include "platform/DebugChannel.h"
#include "platform/HeadlessToolkit.h"
#include "session/DriveSession.h"
#include "session/FormFiles.h"

namespace kadrelle {

// Trace lines, kept for a trace pane and optionally written to standard error as they come.
class TraceLog : public DebugChannel {
 public:
  void Output(std::string_view line) override;
  const std::deque<std::string>& lines() const { return lines_; }
  bool echo = false;
  std::function<void()> onLine;

 private:
  std::deque<std::string> lines_;
};

// A form of controls bound to the user's drive (simulated or on the network), with what a host adds
// around it: the focus, user input to the focused control, the last events, the trace, the lock
// level, the display mode, the drive's clock and saving. The terminal host and the script host both
// drive the controls through one of these.
class FormSession {
 public:
  static constexpr std::size_t kKeptEvents = 50;

  // The built-in drive set-up page, or the controls of a form file, bound to the drive (see
  // bindForm). A form file that cannot be read or bound is an Error naming it. With `echoTrace`
  // trace lines go to standard error from the first control's creation on. A drive on the network
  // notes each change of its connection.
  FormSession(const std::optional<std::filesystem::path>& formFile,
              const std::optional<std::string>& debugMask, bool echoTrace = false,
              const DriveChoice& drive = {});
  ~FormSession();

  Form& form() { return *form_; }
  DriveSession& drive() { return drive_; }
  ValueLibrary& library() { return drive_.library(); }
  TraceLog& trace() { return trace_; }
  // True when the user's Debug mask asks for more than the lines every control writes.
  bool traceWanted() { return drive_.settings().traceWanted(); }

  // The focused control's index; the focus moves in tab order and wraps around. Focusing the
  // focused control does nothing.
  std::size_t focus() const { return focus_; }
  void setFocus(std::size_t index);
  void focusNext() { setFocus((focus_ + 1) % form_->size()); }
  void focusPrevious() { setFocus((focus_ + form_->size() - 1) % form_->size()); }

  // A key to the focused control's edit box as a keyboard sends it: key down, the character it
  // makes (0 for none), key up. Codes are the usual virtual-key codes (13 Enter, 27 Escape, 33
  // Page Up, 34 Page Down, 37..40 arrows, 46 Delete); shift 1 is the Shift key.
  void pressKey(std::int16_t keyCode, std::int16_t shift, std::int16_t character);
  // Typed text, one key per character.
  void type(const std::string& utf8);
  bool entryUnderWay();
  // True when the focused control shows a text parameter.
  bool textFocused();

  void raiseLockLevel() { setLockLevel(drive_.lockLevel() + 1); }
  void lowerLockLevel() { setLockLevel(drive_.lockLevel() - 1); }
  void setLockLevel(std::int32_t level);
  // Every control to the next display mode (application, configuration, drive view).
  void cycleDisplayMode();
  std::int32_t displayMode();

  // By-name access to a control's published members.
  ControlDispatch& dispatch(std::size_t index) { return *dispatch_.at(index); }
  // Design mode: assigns a property of a control by name from text, converted by Basic's rules
  // to the property's type. The form is then saved with the drive, to the built-in page's own
  // file when it came from none. A new Parameter binds the control to it (0 unbinds it); a
  // parameter the drive lacks, or a DisplayMode other than 0 to 2, is refused with error 380.
  void setProperty(std::size_t index, const std::string& name, const std::string& text);

  // Saves the drive's parameters, and the form when it has changed and came from a file, was
  // changed in design mode or `withForm` asks for it.
  void save(bool withForm = false);
  // Saves the form alone. A form whose controls could not all be bound again when it is opened
  // (a parameter the drive lacks, a display mode other than 0 to 2) is refused with error 380;
  // the file this session opened or saved, changed by another program since, with error 75
  // (see FormFiles).
  void saveForm(const std::filesystem::path& file);
  bool unsaved() const { return driveChanged_ || (formWanted() && form_->changed()); }

  // Runs the simulated drive for the given time; pumps a network drive's results.
  void tick(double seconds) { drive_.tick(seconds); }

  // A line for the status area; events are kept newest last.
  void note(std::string text);
  const std::deque<std::string>& events() const { return events_; }

  // How the user raises the lock level in this program, said after a refusal for the level.
  std::string unlockHint = "kadrelle lock N changes the level";

  // Called with what the user is told when an entry or a key did not do what it asked (see
  // session/Notices.h) and with each UpdateError; the line is noted as an event too.
  std::function<void(const std::string&)> onNotice;

  // Called with a control's index whenever something it shows has changed.
  std::function<void(std::size_t)> onDisplayChanged;

  // The parameter a control is bound to, when the drive has it.
  const ParameterInfo* boundParameter(std::size_t index);

  // False when the control shows a parameter one can set whose value is not its default.
  bool atDefault(std::size_t index);

  // The parameter a control is bound to ("" when unbound).
  std::string parameterKey(std::size_t index);

 private:
  // Where the form came from, in messages.
  std::string source() const;
  void connect(std::size_t index);
  // Notes a change of the drive through the control's value object, whichever it is bound to.
  void watchValue(std::size_t index);
  bool formWanted() const { return formFile_ || designed_; }
  // Says why a key that would change the focused control's value did nothing, when it did.
  void noticeLocked();
  void notice(const std::string& text);

  DriveSession drive_;
  HeadlessToolkit toolkit_;
  OmbrelFactory editBoxes_;
  TraceLog trace_;
  FormFiles formFiles_;
  std::unique_ptr<Form> form_;
  std::optional<std::filesystem::path> formFile_;
  std::size_t focus_ = 0;
  bool focusGiven_ = false;  // the first setFocus gives it
  bool driveChanged_ = false;
  bool designed_ = false;
  bool updateErrorSeen_ = false;  // the control raised UpdateError since the flag was cleared
  std::vector<std::unique_ptr<ControlDispatch>> dispatch_;
  std::deque<std::string> events_;
  std::vector<Connection> connections_;
  std::vector<Connection> valueWatches_;  // one per control
  Connection connectionWatch_;
};

}  // namespace kadrelle
