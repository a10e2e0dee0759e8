// Key, click and mouse events of the edit box: Page Up / Page Down step the value, everything
// else reaches the host with the edit box's own argument cells.
#include <string>

#include "control/Kadrelle.h"
#include "platform/KeyCodes.h"

namespace kadrelle {

void Kadrelle::connectChildren() {
  using I16 = std::int16_t;
  EditBox& box = *editBox;
  m_childConnections[0] = box.Change.connect([this] { editBox_Change(); });
  m_childConnections[1] = box.KeyDown.connect([this](I16& k, I16& s) { editBox_KeyDown(k, s); });
  m_childConnections[2] = box.Click.connect([this] { Click.raise(); });
  m_childConnections[3] = box.DblClick.connect([this] { DblClick.raise(); });
  m_childConnections[4] = box.KeyPress.connect([this](I16& k) { KeyPress.raise(k); });
  m_childConnections[5] = box.KeyUp.connect([this](I16& k, I16& s) { KeyUp.raise(k, s); });
  m_childConnections[6] = box.MouseDown.connect(
      [this](I16& b, I16& s, float& x, float& y) { MouseDown.raise(b, s, x, y); });
  m_childConnections[7] = box.MouseMove.connect(
      [this](I16& b, I16& s, float& x, float& y) { MouseMove.raise(b, s, x, y); });
  m_childConnections[8] = box.MouseUp.connect(
      [this](I16& b, I16& s, float& x, float& y) { MouseUp.raise(b, s, x, y); });
  m_childConnections[9] = m_surface->Resize.connect([this] { UserControl_Resize(); });
}

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
