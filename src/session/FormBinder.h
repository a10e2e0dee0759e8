#pragma once

#include <string>

#include "host/Form.h"
#include "session/DriveSession.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Binding the controls of a form to the session's drive, one rule for every program: a control
// whose Parameter is not 0 gets a value object of that parameter.

// Binds every control of a loaded form, or refuses the form as a whole (it is not to be shown):
// error 321 naming the source and the control's place in it, the same words whichever program
// opens the form:
//   "f.json.controls[0]: SpeedLimit cannot be bound to parameter 9999 with its saved settings:
//    No parameter 9999 on this drive"
void bindForm(Form& form, DriveSession& drive, const std::string& source);

// Binds one control to its Parameter (0 unbinds it); a parameter or display mode it cannot be
// bound with is error 380 with the reason, and any error of the binding itself comes through.
void bindControl(Kadrelle& control, DriveSession& drive);

// Why a form holding this control could not be bound when opened again (a parameter the drive
// lacks, a display mode other than 0 to 2); "" when it could.
std::string cannotBind(Kadrelle& control, DriveSession& drive);

}  // namespace kadrelle
#pragma GCC visibility pop
