// Saving the design-time state to the host's property bag and reading it back.
#include "control/Kadrelle.h"
#include "platform/Error.h"

namespace kadrelle {

// One saved setting: its key, its default (the same for writing and reading), where the writer
// takes the value from and what the reader does with it.
struct Kadrelle::SavedKey {
  const char* key;
  Variant (*defaultValue)(Kadrelle&);
  Variant (*save)(Kadrelle&);
  void (*load)(Kadrelle&, const Variant&);
};

// The saved keys in the order they are written and read. Some defaults have another type than
// the value (EditorWidth, SignLock, UnitsFontScale); InitializeValue, SignLock and ZeroException
// pass the stored value on unconverted.
const Kadrelle::SavedKey Kadrelle::kSavedKeys[] = {
    {"Enabled", [](Kadrelle&) { return Variant(kTrue); },
     [](Kadrelle& k) { return Variant(k.m_Enabled); },
     [](Kadrelle& k, const Variant& v) { k.m_Enabled = CBool(v); }},
    {"Font", [](Kadrelle& k) { return Variant(k.m_site.container.AmbientFont()); },
     [](Kadrelle& k) { return Variant(k.m_Font); },
     [](Kadrelle& k, const Variant& v) { k.m_Font = objectOf<StdFont>(v); }},
    {"BorderStyle", [](Kadrelle&) { return Variant(std::int16_t{1}); },
     [](Kadrelle& k) { return Variant(CInt(Variant(k.editBox->get_BorderStyle()))); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_BorderStyle(CInt(v)); }},
    {"InitializeValue", [](Kadrelle&) { return Variant(std::int16_t{0}); },
     [](Kadrelle& k) { return k.editBox->get_InitializeValue(); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_InitializeValue(v); }},
    {"UseLimits", [](Kadrelle&) { return Variant(kFalse); },
     [](Kadrelle& k) { return Variant(k.editBox->get_UseLimits()); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_UseLimits(CBool(v)); }},
    {"ToolTipText", [](Kadrelle&) { return Variant(""); },
     [](Kadrelle& k) { return Variant(k.editBox->get_ToolTipText()); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_ToolTipText(CStr(v)); }},
    {"ParamKey", [](Kadrelle&) { return Variant(""); },
     [](Kadrelle& k) { return Variant(k.m_ParamKey.str()); },
     [](Kadrelle& k, const Variant& v) { k.m_ParamKey = CStr(v); }},
    {"CaptionFont", [](Kadrelle& k) { return Variant(k.m_site.container.AmbientFont()); },
     [](Kadrelle& k) { return Variant(k.m_CaptionFont); },
     [](Kadrelle& k, const Variant& v) { k.m_CaptionFont = objectOf<StdFont>(v); }},
    {"EditorWidth", [](Kadrelle&) { return Variant(std::int16_t{0}); },
     [](Kadrelle& k) { return Variant(k.m_EditorWidth); },
     [](Kadrelle& k, const Variant& v) { k.m_EditorWidth = CSng(v); }},
    {"EditorPosition", [](Kadrelle&) { return Variant(std::int32_t{0}); },
     [](Kadrelle& k) { return Variant(k.m_EditorPosition); },
     [](Kadrelle& k, const Variant& v) { k.m_EditorPosition = CLng(v); }},
    {"DisplayMode", [](Kadrelle&) { return Variant(std::int32_t{APP_VIEW}); },
     [](Kadrelle& k) { return Variant(std::int32_t{k.m_DisplayMode}); },
     [](Kadrelle& k, const Variant& v) {
       k.m_DisplayMode = static_cast<DisplayModes>(CLng(v));
       k.editBox->put_Armed(kTrue);
     }},
    {"SignLock", [](Kadrelle&) { return Variant(std::int16_t{0}); },
     [](Kadrelle& k) { return Variant(k.editBox->get_SignLock()); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_SignLock(v); }},
    {"ZeroException", [](Kadrelle&) { return Variant(kFalse); },
     [](Kadrelle& k) { return Variant(k.editBox->get_ZeroException()); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_ZeroException(v); }},
    {"CausesValidation", [](Kadrelle&) { return Variant(kTrue); },
     [](Kadrelle& k) { return Variant(k.editBox->get_CausesValidation()); },
     [](Kadrelle& k, const Variant& v) { k.editBox->put_CausesValidation(CBool(v)); }},
    {"Parameter", [](Kadrelle&) { return Variant(std::int32_t{0}); },
     [](Kadrelle& k) { return Variant(k.m_Parameter); },
     [](Kadrelle& k, const Variant& v) { k.m_Parameter = CLng(v); }},
    {"TransparentBack", [](Kadrelle&) { return Variant(kFalse); },
     [](Kadrelle& k) { return Variant(k.get_TransparentBack()); },
     [](Kadrelle& k, const Variant& v) { k.ApplyTransparentBack(CBool(v)); }},
    {"BackColor", [](Kadrelle&) { return Variant(static_cast<std::int32_t>(kSystemButtonFace)); },
     [](Kadrelle& k) { return Variant(static_cast<std::int32_t>(k.m_BackColor)); },
     [](Kadrelle& k, const Variant& v) { k.m_BackColor = static_cast<OleColor>(CLng(v)); }},
    {"UnitsFontScale", [](Kadrelle&) { return Variant(std::int16_t{100}); },
     [](Kadrelle& k) { return Variant(k.m_UnitsFontScale); },
     [](Kadrelle& k, const Variant& v) { k.m_UnitsFontScale = CLng(v); }},
    {"PresetStyle", [](Kadrelle&) { return Variant(std::int32_t{ClassicStyle}); },
     [](Kadrelle& k) { return Variant(std::int32_t{k.m_PresetStyle}); },
     [](Kadrelle& k, const Variant& v) { k.m_PresetStyle = static_cast<PresetStyle>(CLng(v)); }},
    {"CaptionPosition", [](Kadrelle&) { return Variant(std::int32_t{AlignedLeft}); },
     [](Kadrelle& k) { return Variant(std::int32_t{k.m_CaptionPosition}); },
     [](Kadrelle& k, const Variant& v) {
       k.m_CaptionPosition = static_cast<CaptionPositions>(CLng(v));
     }},
    {"UserDescription", [](Kadrelle&) { return Variant(""); },
     [](Kadrelle& k) { return Variant(k.m_UserDescription); },
     [](Kadrelle& k, const Variant& v) { k.m_UserDescription = CStr(v); }},
    {"UserUnit", [](Kadrelle&) { return Variant(""); },
     [](Kadrelle& k) { return Variant(k.m_UserUnit.str()); },
     [](Kadrelle& k, const Variant& v) { k.m_UserUnit = CStr(v); }},
};

void Kadrelle::UserControl_WriteProperties(PropertyBag& bag) {
  for (const SavedKey& row : kSavedKeys) {
    bag.WriteProperty(row.key, row.save(*this), row.defaultValue(*this));
  }
}

void Kadrelle::UserControl_ReadProperties(PropertyBag& bag) {
  Trace("start", "ReadProperties", 2);
  // The closing steps run whatever happened while reading the rows.
  auto closingSteps = [this] {
    m_loading = kFalse;
    CopyFont(m_Font, editBox->get_Font());
    updateFromState();
    Trace("done", "ReadProperties", 2);
  };
  bool handlingError = false;
  try {
    m_loading = kTrue;
    for (const SavedKey& row : kSavedKeys)
      row.load(*this, bag.ReadProperty(row.key, row.defaultValue(*this)));
    deref(m_site.values.sharedValueObject()).putref_Link(nullptr);
  } catch (const std::exception&) {
    handlingError = true;
  }
  if (handlingError) {
    // An error while handling the first one is the failure of the read.
    closingSteps();
    return;
  }
  try {
    closingSteps();
  } catch (const std::exception&) {
    closingSteps();
  }
}

}  // namespace kadrelle
