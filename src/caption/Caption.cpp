// What the caption says: the view's description and units, the user's overrides, or the
// description of the parameter number while nothing is bound.
#include "control/Kadrelle.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

namespace {
// Where a multi-axis drive puts the axis number in a description.
constexpr std::string_view kAxisMarker = "@*@";
}  // namespace

std::string Kadrelle::get_UserDescription() {
  return m_UserDescription;
}

void Kadrelle::put_UserDescription(const std::string& newDescription) {
  put_SetUserDescription(newDescription);
  notify("UserDescription");
}

void Kadrelle::put_SetUserDescription(const std::string& newDescription) {
  m_UserDescription = newDescription;
  UpdateCaption();
}

std::string Kadrelle::get_UserUnit() {
  return m_UserUnit.str();
}

void Kadrelle::put_UserUnit(const std::string& newUnit) {
  put_SetUserUnit(newUnit);
  notify("UserUnit");
}

void Kadrelle::put_SetUserUnit(const std::string& newUnit) {
  m_UserUnit = newUnit;
  UpdateCaption();
}

FontRef Kadrelle::get_CaptionFont() {
  return m_CaptionFont;
}

void Kadrelle::putref_CaptionFont(FontRef New_CaptionFont) {
  m_CaptionFont = std::move(New_CaptionFont);
  notify("CaptionFont");
  put_PresetStyle(CustomStyle);
  UpdateCaption();
}

void Kadrelle::UpdateCaption() {
  if (m_loading) return;
  Trace("start", "UpdateCaption", 4);
  m_unitsText.clear();
  ValueObjectRef lookup;  // released when the routine ends
  if (!m_ValueObjRef) {
    lookup = m_site.values.createValueObject();
    deref(lookup).put_ParameterNumber(m_Parameter);
    std::string description = deref(lookup->get_DriveView()).get_Description();
    m_captionText = replaceAll(description, kAxisMarker, "");
    m_rtfCaption->put_Enabled(kFalse);
    editBox->put_EditEnabled(kFalse);
    editBox->put_TextMode(kTrue);
    editBox->put_Text("N/A");
    deref(editBox->get_Font()).put_Italic(kTrue);
  } else {
    m_captionText = m_viewDescription;
    m_rtfCaption->put_Enabled(kFalse);
    m_rtfCaption->put_Enabled(m_Enabled);
  }
  if (!m_UserDescription.empty()) m_captionText = m_UserDescription;
  // The units text is built in place, keeping its storage from one refresh to the next.
  if (!m_UserUnit.empty()) {
    m_unitsText += '(';
    m_unitsText += m_UserUnit.str();
    m_unitsText += ')';
  } else if (m_view) {
    std::int32_t which = 0;
    if (!m_view->get_Units(which).empty()) {
      which = 0;
      const std::string units = m_view->get_Units(which);
      m_unitsText += '(';
      m_unitsText += units;
      m_unitsText += ')';
    }
  }
  ResizeRTF();
  Trace("end", "UpdateCaption", 4);
}

}  // namespace kadrelle
