// Binding a value object and the refresh that keeps the children in step with it.
#include <cmath>

#include "control/Kadrelle.h"
#include "platform/Error.h"
#include "platform/NumberFormat.h"

namespace kadrelle {

namespace {
constexpr const char* kDriveViewFormat = "#,##0.####";
constexpr const char* kUnboundText = "N/A";

}  // namespace

ValueObjectRef Kadrelle::get_ValueObjRef() {
  return m_ValueObjRef;
}

void Kadrelle::putref_ValueObjRef(ValueObjectRef newValueObj) {
  Trace("starting", "ValueObjRef(set)", 4);
  m_ValueObjRef = std::move(newValueObj);
  connectValueObject();
  if (m_ValueObjRef) {
    m_appLock = m_ValueObjRef->get_AppLock();
    connectAppLock();
  } else {
    m_appLock = m_site.values.createLockLevel();
    connectAppLock();
    deref(editBox->get_Font()).put_Italic(kTrue);
  }
  SetCurrentView();
  updateFromState();
  Trace("done", "ValueObjRef(set)", 4);
}

void Kadrelle::connectValueObject() {
  if (!m_ValueObjRef) {
    for (auto& c : m_valueObjConnections) c.disconnect();
    return;
  }
  m_valueObjConnections[0] = m_ValueObjRef->ContentChanged.connect(
      [this](const Variant&) { m_ValueObjRef_ContentChanged(); });
  m_valueObjConnections[1] =
      m_ValueObjRef->UpdateError.connect([this](std::int32_t& code, std::string& description) {
        m_ValueObjRef_UpdateError(code, description);
      });
}

void Kadrelle::Refresh() {
  Trace("starting", "Refresh", 4);
  updateFromState();
  editBox->Refresh();
  m_rtfCaptionBox->Refresh();
  m_rtfCaption->Refresh();
  Trace("done", "Refresh", 4);
}

void Kadrelle::updateFromState() {
  Trace("start", "updateFromState", 4);
  if (m_ValueObjRef) {
    ViewRef view = m_view;
    Trace("setting up editBox", "updateFromState", 4);
    deref(editBox->get_Font()).put_Italic(kFalse);
    if (m_ValueObjRef->get_IsText() != 0) {
      // A text parameter always shows the drive view's text, whatever the display mode.
      editBox->put_TextMode(kTrue);
      editBox->put_Text(deref(m_ValueObjRef->get_DriveView()).get_TextValue());
      editBox->put_Armed(kTrue);
      editBox->put_InitializeValue(Variant(deref(m_ValueObjRef->get_DriveView()).get_TextValue()));
    } else {
      editBox->put_TextMode(kFalse);
      View& v = deref(view);
      editBox->put_HexMode(Boolean(v.get_DisplayBase() == 1));
      const double range = v.get_UpperLimit() - v.get_LowerLimit();
      // Worked out again only when the view's range changes: it takes a logarithm.
      if (range != m_hexRange) {
        m_hexDigits = NumberFormat::hexDigitsFor(range);
        m_hexRange = range;
      }
      editBox->put_HexDigits(m_hexDigits);
      editBox->put_UseLimits(kFalse);
      editBox->put_TextMode(kFalse);
      editBox->put_Armed(kTrue);
      if (m_DisplayMode != DRIVE_VIEW) {
        editBox->put_FormatString(v.get_NumberFormat());
        editBox->put_MinValue(v.get_LowerLimit());
        editBox->put_MaxValue(v.get_UpperLimit());
        editBox->put_UseLimits(v.get_LimitsEnabled());
      } else {
        editBox->put_FormatString(kDriveViewFormat);
        editBox->put_MinValue(v.get_DriveLowerLimit());
        editBox->put_MaxValue(v.get_DriveUpperLimit());
        editBox->put_SignLock(Variant(kFalse));
      }
      editBox->put_InitializeValue(Variant(v.get_NumericValue()));
    }
  } else {
    UpdateCaption();
    editBox->put_Text(kUnboundText);
    editBox->put_EditEnabled(kFalse);
    deref(editBox->get_Font()).put_Italic(kTrue);
  }
  SetBackColor(m_BackColor);
  UpdateCaption();
  ApplyLockState();
  UserControl_Resize();
  Trace("done", "updateFromState", 4);
}

void Kadrelle::m_ValueObjRef_ContentChanged() {
  Trace("start", "m_ValueObjRef_ContentChanged", 32);
  updateFromState();
  Trace("done", "m_ValueObjRef_ContentChanged", 32);
}

void Kadrelle::m_ValueObjRef_UpdateError(std::int32_t& code, std::string& description) {
  if (traces(4)) Trace("err=" + description, "m_ValueObjRef_UpdateError", 4);
  UpdateError.raise(code, description);
}

}  // namespace kadrelle
