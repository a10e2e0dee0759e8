// Committing a finished entry of the edit box to the bound value object.
#include "control/Kadrelle.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {
constexpr const char* kProcedure = "editBox_Change";
}

void Kadrelle::editBox_Change() {
  // The one trap of the commit: any failure ends the handler with a trace line and no Change.
  try {
    Trace("start", kProcedure, 2);
    if (!m_ValueObjRef) {
      updateFromState();
    } else {
      if (m_ValueObjRef->get_ReadOnly()) return;
      if (!m_view) {
        std::string key = m_ValueObjRef->get_Key();
        if (traces(4)) Trace("view missing in " + key, kProcedure, 4);
        return;
      }
      if (m_ValueObjRef->get_IsText() != 0) {
        std::string text = editBox->get_Text();
        deref(m_ValueObjRef->get_DriveView()).put_TextValue(text);
      } else {
        Variant entry = editBox->get_Value();
        if (IsNumeric(entry)) {
          double number = CDbl(entry);
          // The view is looked up at each use, and held through the write: a handler of the
          // value object's events may rebind the control meanwhile.
          const ViewRef view = m_view;
          if (m_DisplayMode == DRIVE_VIEW) {
            deref(view).put_DriveValue(number);
          } else {
            deref(view).put_NumericValue(number);
          }
        } else {
          std::string key = m_ValueObjRef->get_Key();
          // The entry's text is taken whether or not the line is written.
          Trace("illegal numeric " + key + "='" + concatText(entry) + "'", kProcedure, 4);
        }
      }
      std::string current = deref(m_view).get_TextValue();
      if (traces(2)) Trace("new val=" + current, kProcedure, 2);
    }
    if (m_ValueObjRef) {
      // Held through the commit, which may report an error to a host that unbinds the control.
      const ValueObjectRef committing = m_ValueObjRef;
      committing->Commit();
      updateFromState();
      editBox->put_SelStart(0);
      editBox->put_SelLength(utf8Length(editBox->get_Text()));
    }
    Change.raise();
    std::string shown = editBox->get_Text();
    if (traces(2)) Trace("done, box=" + shown, kProcedure, 2);
  } catch (const std::exception& e) {
    if (traces(4)) Trace("err=" + asError(e).description(), kProcedure, 4);
  }
}

}  // namespace kadrelle
