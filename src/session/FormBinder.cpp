#include "session/FormBinder.h"

#include "platform/Error.h"

namespace kadrelle {

std::string cannotBind(Kadrelle& control, DriveSession& drive) {
  // The control takes any number for these two, but binding needs a parameter of the drive and a
  // display mode with a view.
  const std::int32_t parameter = control.get_Parameter(), mode = control.get_DisplayMode();
  if (parameter != 0 && !drive.hasParameter(parameter))
    return "No parameter " + std::to_string(parameter) + " on this drive";
  if (mode < 0 || mode > 2) return "No display mode " + std::to_string(mode) + " (0, 1 or 2)";
  return {};
}

void bindControl(Kadrelle& control, DriveSession& drive) {
  if (std::string why = cannotBind(control, drive); !why.empty())
    throw Error(Error::kInvalidPropertyValue, why);
  const std::int32_t parameter = control.get_Parameter();
  control.putref_ValueObjRef(parameter == 0 ? nullptr : drive.valueObject(parameter));
}

void bindForm(Form& form, DriveSession& drive, const std::string& source) {
  for (std::size_t i = 0; i < form.size(); ++i) {
    Kadrelle& k = form.control(i);
    if (k.get_Parameter() == 0) continue;
    try {
      bindControl(k, drive);
    } catch (const std::exception& e) {
      throw Error::badFileFormat(source + ".controls[" + std::to_string(i) + "]",
                                 form.name(i) + " cannot be bound to parameter " +
                                     std::to_string(k.get_Parameter()) +
                                     " with its saved settings: " + asError(e).description());
    }
  }
}

}  // namespace kadrelle
