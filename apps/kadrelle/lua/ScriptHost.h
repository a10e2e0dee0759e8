#pragma once

#include <filesystem>

#include "../FormSession.h"

namespace kadrelle {

// Runs a Lua 5.4 script against the session's form and drive; returns the exit status (0, or 1
// after printing the script's error with its file and line to standard error).
//
// What a script sees:
//   form                the form: form.SpeedLimit or form[1] is a control, #form their count;
//                       form:focus(control or name), form:focused(), form:type(text),
//                       form:press(key [, shift]), form:names(), form:save() (the drive, and
//                       the form when changed: to its file, the built-in page to its own),
//                       form:save(file) (the form alone)
//   a control k         its published properties and methods by name through dispatch
//                       (k.DisplayMode = 2, k:Refresh(), k.ValueObjRef = nil unbinds);
//                       objects have their own members (a font's Name, Size, Bold, Italic,
//                       Underline, Strikethrough, Weight, Charset; a lock level's Level; a
//                       value object's Key); k:on(event,
//                       function(e) ... end) with the event's arguments as fields of e (what the
//                       handler leaves in a field goes back to the control), and acting as a user:
//                       k:focus(), k:type(text), k:press(key [, shift]). Keys: "Enter", "Escape",
//                       "Backspace", "Tab", "BackTab", "PageUp", "PageDown", "Left", "Right", "Up",
//                       "Down", "Home", "End", "Delete", or a key code
//   drive               drive:get(key), drive:set(key, value), drive:valueObject(key) (assign it
//                       to k.ValueObjRef), drive:tick(seconds), drive:save(), drive.lockLevel
//                       (read and write), drive.appLock (the lock-level object)
// Control errors are Lua errors: a value with fields number and description whose text is
// "file:line: error N: description".
int runScript(const std::filesystem::path& file, FormSession& session);

}  // namespace kadrelle
