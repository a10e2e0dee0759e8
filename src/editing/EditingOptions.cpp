// Enabled and the options that live in the edit box.
#include "control/Kadrelle.h"

namespace kadrelle {

Boolean Kadrelle::get_Enabled() {
  return m_Enabled;
}

void Kadrelle::put_Enabled(Boolean newState) {
  if (traces(2)) Trace("state=" + booleanText(newState), "Enabled", 2);
  if (m_loading) return;
  m_Enabled = newState;
  updateFromState();
  notify("Enabled");
  Trace("done", "Enabled", 2);
}

std::int16_t Kadrelle::get_BorderStyle() {
  return editBox->get_BorderStyle();
}
void Kadrelle::put_BorderStyle(std::int16_t newStyle) {
  editBox->put_BorderStyle(newStyle);
  notify("BorderStyle");
}

Boolean Kadrelle::get_UseLimits() {
  return editBox->get_UseLimits();
}
void Kadrelle::put_UseLimits(Boolean newValue) {
  editBox->put_UseLimits(newValue);
  notify("UseLimits");
}

Boolean Kadrelle::get_SignLock() {
  return editBox->get_SignLock();
}
void Kadrelle::put_SignLock(Boolean newValue) {
  editBox->put_SignLock(Variant(newValue));
  notify("SignLock");
}

Boolean Kadrelle::get_ZeroException() {
  return editBox->get_ZeroException();
}
void Kadrelle::put_ZeroException(Boolean newValue) {
  editBox->put_ZeroException(Variant(newValue));
  notify("ZeroException");
}

Boolean Kadrelle::get_CausesValidation() {
  return editBox->get_CausesValidation();
}
void Kadrelle::put_CausesValidation(Boolean newValue) {
  editBox->put_CausesValidation(newValue);
  notify("CausesValidation");
}

std::string Kadrelle::get_ToolTipText() {
  return editBox->get_ToolTipText();
}
void Kadrelle::put_ToolTipText(const std::string& newText) {
  editBox->put_ToolTipText(newText);
  notify("ToolTipText");
}

}  // namespace kadrelle
