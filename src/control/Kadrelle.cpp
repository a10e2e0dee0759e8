#include "control/Kadrelle.h"

#include "platform/Error.h"

namespace kadrelle {

Kadrelle::Kadrelle(const ControlSite& site) : m_site(site) {
  m_surface = site.toolkit.createSurface();
  // The size the control was designed at; the host resizes it once placed.
  m_surface->resize(3195, 825);

  editBox = site.editBoxes.createEditBox(*m_surface);
  editBox->Move(60, 150, 645, 375);
  editBox->put_TabIndex(0);
  FontRef boxFont = editBox->get_Font();
  boxFont->put_Name("Arial");
  boxFont->put_Size(Currency::fromScaled(82500));
  boxFont->put_Weight(400);
  boxFont->put_Charset(0);
  boxFont->put_Italic(kFalse);

  heightCalcLbl = site.toolkit.createLabel(*m_surface);
  heightCalcLbl->Move(1110, 540, 45, 15);
  heightCalcLbl->put_TabIndex(1);
  heightCalcLbl->put_Visible(kFalse);

  m_rtfCaptionBox = site.toolkit.createPictureBox(*m_surface);
  m_rtfCaptionBox->Move(810, 240, 1785, 195);
  m_rtfCaptionBox->put_TabIndex(2);

  m_rtfCaption = site.toolkit.createRichTextBox(*m_rtfCaptionBox);
  m_rtfCaption->Move(0, 0, 1785, 195);
  m_rtfCaption->put_TabIndex(3);

  // The control hears its children's events as their owner, ahead of any other handler.
  m_surface->setOwner(this);
  editBox->setOwner(this);
  UserControl_Initialize();
}

Kadrelle::~Kadrelle() {
  // Nothing reaches the control once its destruction has begun.
  editBox->setOwner(nullptr);
  m_surface->setOwner(nullptr);
}

void Kadrelle::UserControl_Initialize() {
  std::string setting = m_site.settings.GetSetting(kTypeName, "1", "Debug", "0");
  // From here on errors are ignored step by step: a bad setting or a failing library leaves the
  // defaults in place.
  try {
    if (auto number = parseNumber(setting)) m_debugLevel = toInt32(*number);
  } catch (const std::exception&) {
  }
  m_debugLevel |= 1;
  try {
    m_appLock = m_site.values.createLockLevel();
    connectAppLock();
    m_appLock->put_Level(0);
  } catch (const std::exception&) {
  }
}

void Kadrelle::UserControl_InitProperties() {
  Trace("", "InitProperties", 2);
  try {
    m_loading = kTrue;
    m_ParamKey.clear();
    m_CaptionFont = m_site.container.AmbientFont();
    m_Font = m_site.container.AmbientFont();
    m_EditorWidth = 0;
    m_EditorPosition = 0;
    m_DisplayMode = APP_VIEW;
    if (m_ValueObjRef) {
      m_ValueObjRef->putref_AppLock(m_appLock);
      deref(m_ValueObjRef->get_RequiredLock()).put_Level(0);
    }
    m_Enabled = kTrue;
    editBox->put_SignLock(Variant(std::int16_t{0}));
    m_Parameter = 0;
    m_BackColor = kSystemButtonFace;
    m_UnitsFontScale = 100;
    put_TransparentBack(kFalse);
  } catch (const std::exception&) {
    // A new instance starts with whatever was set before the failure.
  }
  m_loading = kFalse;
}

void Kadrelle::notify(const char* property) {
  m_site.container.PropertyChanged(property);
}

void Kadrelle::writeTrace(std::string_view message, std::string_view procedure) {
  std::string line = kTypeName;
  if (!procedure.empty()) {
    line += '.';
    line += procedure;
  }
  line += " [";
  line += m_site.container.AmbientDisplayName();
  line += "] ";
  line += message;
  line += ", param=";
  line += m_ParamKey.str();
  line += ", caption=";
  line += m_captionText;
  line += "\r\n";
  // Lines stay UTF-8, the character set of the platform's debug channels.
  m_site.debug.Output(line);
}

}  // namespace kadrelle
