// Colours, fonts, transparency, the units size and the preset styles.
#include <cstdio>

#include "control/Kadrelle.h"
#include "platform/Error.h"

namespace kadrelle {

OleColor Kadrelle::get_BackColor() {
  return m_BackColor;
}

void Kadrelle::put_BackColor(OleColor newColor) {
  SetBackColor(newColor);
  notify("BackColor");
  Refresh();
}

void Kadrelle::SetBackColor(OleColor newColor) {
  if (traces(4)) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(newColor));
    Trace(std::string("color=0x") + hex, "SetBackColor", 4);
  }
  m_BackColor = newColor;
  m_rtfCaption->put_BackColor(newColor);
  m_surface->put_BackColor(newColor);
}

OleColor Kadrelle::get_ForeColor() {
  return editBox->get_ForeColor();
}

FontRef Kadrelle::get_Font() {
  return m_Font;
}

void Kadrelle::putref_Font(FontRef New_Font) {
  m_Font = std::move(New_Font);
  CopyFont(m_Font, editBox->get_Font());
  notify("Font");
}

Boolean Kadrelle::get_TransparentBack() {
  return Boolean(m_surface->get_BackStyle() == 0);
}

void Kadrelle::put_TransparentBack(Boolean newState) {
  ApplyTransparentBack(newState);
  notify("TransparentBack");
}

void Kadrelle::ApplyTransparentBack(Boolean state) {
  m_surface->put_BackStyle(state ? 0 : 1);
  // The caption stays opaque, in the colour the surface has now.
  m_rtfCaption->put_BackColor(m_surface->get_BackColor());
  m_rtfCaption->Refresh();
}

void Kadrelle::CopyFont(const FontRef& source, const FontRef& destination) {
  // Attribute by attribute, in place: weight after bold, character set before name.
  deref(destination).put_Charset(deref(source).get_Charset());
  destination->put_Name(source->get_Name());
  destination->put_Size(source->get_Size());
  destination->put_Bold(source->get_Bold());
  destination->put_Italic(source->get_Italic());
  destination->put_Weight(source->get_Weight());
  destination->put_Strikethrough(source->get_Strikethrough());
  destination->put_Underline(source->get_Underline());
}

std::int32_t Kadrelle::get_UnitsFontScale() {
  return m_UnitsFontScale;
}

void Kadrelle::put_UnitsFontScale(std::int32_t newScale) {
  m_UnitsFontScale = newScale;
  UpdateCaption();
  put_PresetStyle(CustomStyle);
}

PresetStyle Kadrelle::get_PresetStyle() {
  return m_PresetStyle;
}

void Kadrelle::put_PresetStyle(PresetStyle newSetup) {
  put_SetPresetStyle(newSetup);
  updateFromState();
  notify("PresetStyle");
}

void Kadrelle::put_SetPresetStyle(PresetStyle newSetup) {
  m_PresetStyle = newSetup;
  if (m_loading) return;
  if (newSetup != ClassicStyle && newSetup != CorvoStyle) return;
  const bool corvo = newSetup == CorvoStyle;
  CopyFont(editBox->get_Font(), m_CaptionFont);
  m_CaptionFont->put_Bold(Boolean(corvo));
  m_CaptionFont->put_Size(Currency::fromScaled(82500));
  deref(get_Font()).put_Bold(kFalse);
  m_UnitsFontScale = corvo ? 80 : 100;
  UpdateCaption();
  notify("Font");
  notify("CaptionFont");
}

}  // namespace kadrelle
