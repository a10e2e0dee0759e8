#include "FormSession.h"

#include <iostream>

#include "brommet/ParameterCatalog.h"
#include "host/FormFile.h"
#include "ombrel/OmbrelEditBox.h"
#include "platform/Error.h"
#include "platform/KeyCodes.h"
#include "platform/Text.h"
#include "platform/Variant.h"
#include "session/DrivePage.h"
#include "session/FormBinder.h"
#include "session/FormFiles.h"
#include "session/Notices.h"
#include "session/ParameterSet.h"

namespace kadrelle {

namespace {

// Virtual-key code of the key that types a character, with Shift for capitals.
std::pair<std::int16_t, std::int16_t> keyFor(char32_t c) {
  if (c >= 'a' && c <= 'z') return {static_cast<std::int16_t>(c - 'a' + 'A'), 0};
  if ((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ')
    return {static_cast<std::int16_t>(c), c >= 'A' && c <= 'Z' ? 1 : 0};
  switch (c) {
    case '.':
      return {190, 0};
    case ',':
      return {188, 0};
    case '-':
      return {189, 0};
    case '+':
      return {187, 1};
    default:
      return {0, 0};
  }
}

}  // namespace

void TraceLog::Output(std::string_view line) {
  if (line.ends_with("\r\n")) line.remove_suffix(2);
  if (echo) std::cerr << line << '\n';
  lines_.emplace_back(line);
  if (lines_.size() > 500) lines_.pop_front();
  if (onLine) onLine();
}

FormSession::FormSession(const std::optional<std::filesystem::path>& formFile,
                         const std::optional<std::string>& debugMask, bool echoTrace,
                         const DriveChoice& drive)
    : drive_(drive), formFile_(formFile) {
  // The trace goes where it is wanted before the first control is made.
  trace_.echo = echoTrace;
  if (debugMask) drive_.settings().overrideTraceMask(*debugMask);
  form_ = std::make_unique<Form>(
      Form::Services{toolkit_, editBoxes_, drive_.library(), drive_.settings(), trace_});
  if (formFile_)
    formFiles_.load(*formFile_, *form_);
  else if (&drive_.description() == DriveDescription::simulated().get())
    loadDrivePage(*form_);
  else
    fillParameterPage(*form_, drive_.catalog());
  if (form_->size() == 0) throw Error::badFileFormat(source(), "the form has no controls");
  bindForm(*form_, drive_, source());
  for (std::size_t i = 0; i < form_->size(); ++i) {
    connect(i);
    dispatch_.push_back(std::make_unique<ControlDispatch>(form_->control(i)));
  }
  form_->markSaved();
  setFocus(0);
  if (ModbusLibrary* network = drive_.network())
    connectionWatch_ =
        network->ConnectionChanged.connect([this] { note(drive_.connectionText()); });
}

std::string FormSession::source() const {
  return formFile_ ? formFile_->string() : std::string(kDrivePageName);
}

FormSession::~FormSession() {
  connections_.clear();
  valueWatches_.clear();
  dispatch_.clear();
}

void FormSession::connect(std::size_t index) {
  Kadrelle& k = form_->control(index);
  const std::string name = form_->name(index);
  auto changed = [this, index] {
    if (onDisplayChanged) onDisplayChanged(index);
  };
  const auto children = k.children();
  connections_.push_back(children.surface.DisplayChanged.connect(changed));
  connections_.push_back(children.editBox.DisplayChanged.connect(changed));
  connections_.push_back(children.captionBox.DisplayChanged.connect(changed));
  connections_.push_back(children.caption.DisplayChanged.connect(changed));
  connections_.push_back(k.Change.connect([this, index, name] {
    Kadrelle& control = form_->control(index);
    note(name + ": Change, " + parameterKey(index) + " = " + control.get_Text());
  }));
  connections_.push_back(
      k.UpdateError.connect([this, index, name](std::int32_t& code, std::string& description) {
        updateErrorSeen_ = true;
        const ParameterInfo* info = boundParameter(index);
        notice(info ? refusalNotice(*info, code, description, unlockHint)
                    : name + ": UpdateError " + std::to_string(code) + ": " + description);
      }));
  valueWatches_.emplace_back();
  watchValue(index);
}

void FormSession::watchValue(std::size_t index) {
  ValueObjectRef value = form_->control(index).get_ValueObjRef();
  valueWatches_[index] =
      value ? value->Changed.connect([this](const Variant&) { driveChanged_ = true; })
            : Connection();
}

std::string FormSession::parameterKey(std::size_t index) {
  const ParameterInfo* info = drive_.description().find(form_->control(index).get_Parameter());
  return info ? std::string(info->key) : std::string();
}

void FormSession::setFocus(std::size_t index) {
  // Focusing the focused control again leaves its caret and selection alone, so that keys and
  // text sent to it one call at a time go on where the last call ended.
  if (index >= form_->size() || (focusGiven_ && index == focus_)) return;
  focusGiven_ = true;
  if (index != focus_) {
    const std::size_t old = focus_;
    focus_ = index;
    form_->control(old).children().editBox.focusOut();
  }
  focus_ = index;
  form_->control(index).children().editBox.focusIn();
}

void FormSession::pressKey(std::int16_t keyCode, std::int16_t shift, std::int16_t character) {
  EditBox& box = form_->control(focus_).children().editBox;
  if (keyCode == kKeyBack || keyCode == kKeyDelete) noticeLocked();
  // An entry the control does not take as typed (held to the limits, or no number and so left as
  // it was) is said here: the control itself raises Change without a word.
  const bool committing = keyCode == kKeyReturn && entryUnderWay();
  const std::string typed = committing ? box.get_Text() : std::string();
  updateErrorSeen_ = false;
  box.keyDown(keyCode, shift);
  if (character != 0) box.keyPress(character);
  box.keyUp(keyCode, shift);
  if (!committing || updateErrorSeen_) return;
  if (const ParameterInfo* info = boundParameter(focus_))
    if (std::string text = entryNotice(*info, typed, displayMode() == 0, box.get_Text());
        !text.empty())
      notice(text);
}

const ParameterInfo* FormSession::boundParameter(std::size_t index) {
  Kadrelle& control = form_->control(index);
  if (!control.get_ValueObjRef()) return nullptr;
  return drive_.description().find(control.get_Parameter());
}

bool FormSession::atDefault(std::size_t index) {
  const ParameterInfo* info = boundParameter(index);
  if (!info || info->measured || info->readOnly) return true;
  try {
    return kadrelle::atDefault(*info, *form_->control(index).get_ValueObjRef());
  } catch (const std::exception&) {  // a value object that cannot say is left unmarked
    return true;
  }
}

void FormSession::noticeLocked() {
  const ParameterInfo* info = boundParameter(focus_);
  if (!info || form_->control(focus_).children().editBox.get_EditEnabled()) return;
  std::string why =
      kadrelle::whyNotWritable(*info, drive_.requiredLevel(*info), drive_.lockLevel(), unlockHint);
  if (!why.empty()) notice(why);
}

void FormSession::notice(const std::string& text) {
  if (events_.empty() || events_.back() != text) note(text);  // in the events once a run
  if (onNotice) onNotice(text);
}

void FormSession::type(const std::string& utf8) {
  noticeLocked();
  for (std::size_t i = 0; i < utf8.size();) {
    const std::size_t start = i;
    const char32_t c = decodeUtf8(utf8, i);
    const std::string bytes = utf8.substr(start, i - start);
    // A character without a key of its own is text input: a key code of 0 would cancel it.
    const auto [code, shift] = keyFor(c);
    if (code == 0) {
      form_->control(focus_).children().editBox.typeText(bytes);
      continue;
    }
    pressKey(code, shift, static_cast<std::int16_t>(static_cast<std::uint16_t>(c)));
  }
}

bool FormSession::entryUnderWay() {
  auto* box = dynamic_cast<OmbrelEditBox*>(&form_->control(focus_).children().editBox);
  return box && box->entryUnderWay();
}

bool FormSession::textFocused() {
  try {
    const ValueObjectRef value = form_->control(focus_).get_ValueObjRef();
    return value && value->get_IsText() != 0;
  } catch (const std::exception&) {  // a value object that cannot say is taken as numeric
    return false;
  }
}

void FormSession::setLockLevel(std::int32_t level) {
  if (level < 0 || level > 3) return;
  drive_.setLockLevel(level);
  note("Lock level " + std::to_string(level) + " (" + ParameterCatalog::lockLevelName(level) + ")");
}

std::int32_t FormSession::displayMode() {
  return form_->control(focus_).get_DisplayMode();
}

void FormSession::cycleDisplayMode() {
  const auto next = static_cast<DisplayModes>((displayMode() + 1) % 3);
  for (std::size_t i = 0; i < form_->size(); ++i) form_->control(i).put_DisplayMode(next);
  static constexpr const char* kNames[] = {"application view", "configuration view", "drive view"};
  note(std::string("Display mode ") + std::to_string(next) + " (" + kNames[next] + ")");
}

void FormSession::setProperty(std::size_t index, const std::string& name, const std::string& text) {
  ControlDispatch& control = dispatch(index);
  const bool parameter = equalsIgnoreCase(name, "Parameter");
  const bool mode = equalsIgnoreCase(name, "DisplayMode");
  const Variant old = parameter || mode ? control.get(name) : Variant();
  control.put(name, Variant(text));
  if (parameter || mode) {
    if (std::string why = cannotBind(form_->control(index), drive_); !why.empty()) {
      control.put(name, old);
      throw Error(Error::kInvalidPropertyValue, why);
    }
  }
  // A new parameter is shown at once, as the form shows it when it is opened again.
  if (parameter) {
    bindControl(form_->control(index), drive_);
    watchValue(index);
  }
  designed_ = true;
  note(form_->name(index) + "." + name + " = " +
       ControlDispatch::display(dispatch(index).get(name), name));
}

void FormSession::saveForm(const std::filesystem::path& file) {
  for (std::size_t i = 0; i < form_->size(); ++i)
    if (std::string why = cannotBind(form_->control(i), drive_); !why.empty())
      throw Error(Error::kInvalidPropertyValue, form_->name(i) + ": " + why +
                                                    "; the form would not open again, so it is "
                                                    "not saved");
  formFiles_.save(*form_, file);
}

void FormSession::save(bool withForm) {
  designed_ = designed_ || withForm;
  drive_.save();
  driveChanged_ = false;
  // A drive on the network keeps what was committed to it itself.
  std::string what = drive_.simulated()
                         ? "Saved the drive parameters to " + drive_.driveFile().string()
                         : "The drive keeps its parameters; saved the lock level";
  if (formWanted() && form_->changed()) {
    const std::filesystem::path file = formFile_ ? *formFile_ : UserFiles::formFile();
    saveForm(file);
    formFile_ = file;
    what += " and the form to " + formFile_->string();
  }
  note(what);
}

void FormSession::note(std::string text) {
  events_.push_back(std::move(text));
  if (events_.size() > kKeptEvents) events_.pop_front();
}

}  // namespace kadrelle
