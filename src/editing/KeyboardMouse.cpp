// Key, click and mouse events of the edit box: Page Up / Page Down step the value, everything
// else reaches the host with the edit box's own argument cells.
#include <string>

#include "control/Kadrelle.h"
#include "platform/KeyCodes.h"

namespace kadrelle {

void Kadrelle::editBox_KeyDown(std::int16_t& KeyCode, std::int16_t& Shift) {
  // Held through the step: a handler of the value object's events may rebind the control and
  // drop the view while it is still stepping.
  const ViewRef view = m_view;
  const bool canStep = m_ValueObjRef && view && view->get_Stepper() != nullptr;
  if (canStep && KeyCode == kKeyPageDown) {
    view->Step(kFalse, Shift);
    KeyCode = 0;
    Trace("PgDn", "editBox_KeyDown", 4);
    return;
  }
  if (canStep && KeyCode == kKeyPageUp) {
    view->Step(kTrue, Shift);
    KeyCode = 0;
    Trace("PgUp", "editBox_KeyDown", 4);
    return;
  }
  if (traces(32)) {
    Trace("unhandled code=" + std::to_string(KeyCode) + ", shift=" + std::to_string(Shift),
          "editBox_KeyDown", 32);
  }
  KeyDown.raise(KeyCode, Shift);
}

}  // namespace kadrelle
