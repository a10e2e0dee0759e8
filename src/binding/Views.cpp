// View selection, the application lock level and editability.
#include "control/Kadrelle.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

DisplayModes Kadrelle::get_DisplayMode() {
  return m_DisplayMode;
}

void Kadrelle::put_DisplayMode(DisplayModes newMode) {
  m_DisplayMode = newMode;
  SetCurrentView();
  Refresh();
  notify("DisplayMode");
}

void Kadrelle::SetCurrentView() {
  if (m_loading) return;
  Trace("start", "SetCurrentView", 2);
  if (!m_ValueObjRef) {
    m_view = nullptr;
  } else {
    switch (m_DisplayMode) {
      case APP_VIEW:
        m_view = m_ValueObjRef->get_AppView();
        m_viewDescription = deref(m_ValueObjRef->get_AppView()).get_Description();
        break;
      case CONFIG_VIEW:
      case DRIVE_VIEW:
        m_view = m_ValueObjRef->get_DriveView();
        m_viewDescription = deref(m_ValueObjRef->get_DriveView()).get_DriveDescription();
        break;
      default:
        // Any other mode keeps the view it had.
        break;
    }
  }
  m_viewDescription = std::string(trim(m_viewDescription, " "));
  Trace("end", "SetCurrentView", 2);
}

LockLevelRef Kadrelle::get_AppLockLevel() {
  return m_appLock;
}

void Kadrelle::putref_AppLockLevel(const LockLevelRef& newLock) {
  m_appLock = newLock;
  connectAppLock();
  if (m_ValueObjRef) {
    m_ValueObjRef->putref_AppLock(m_appLock);
    ApplyLockState();
  }
}

void Kadrelle::connectAppLock() {
  if (!m_appLock) {
    m_appLockConnection.disconnect();
    return;
  }
  m_appLockConnection = m_appLock->Changed.connect([this] { m_appLock_Changed(); });
}

void Kadrelle::m_appLock_Changed() {
  ApplyLockState();
}

void Kadrelle::ApplyLockState() {
  if (m_loading) return;
  if (m_ValueObjRef) {
    // The levels come from the value object's own lock, which binding keeps the same as m_appLock.
    LockLevelRef app = m_ValueObjRef->get_AppLock();
    LockLevelRef required = m_ValueObjRef->get_RequiredLock();
    if (!app || !required) {
      editBox->put_EditEnabled(m_Enabled);
    } else {
      std::int32_t held = app->get_Level();
      std::int32_t needed = required->get_Level();
      Boolean readOnly = m_ValueObjRef->get_ReadOnly();
      editBox->put_EditEnabled(Boolean(held >= needed && m_Enabled && !readOnly));
    }
    m_rtfCaption->put_Enabled(editBox->get_EditEnabled());
  } else {
    m_rtfCaption->put_Enabled(kFalse);
    editBox->put_EditEnabled(kFalse);
  }
  m_rtfCaptionBox->Refresh();
  m_rtfCaption->Refresh();
  editBox->Refresh();
}

}  // namespace kadrelle
