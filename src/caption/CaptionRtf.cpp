// The caption's rich-text document: a fixed template around the description and the units.
#include "caption/CaptionRtf.h"

#include "control/Kadrelle.h"
#include "platform/Error.h"
#include "platform/Text.h"

namespace kadrelle {

void captionRtf(const CaptionInputs& in, std::string& rtf) {
  rtf.clear();
  // The units go on a line of their own when the edit box is above or below the caption.
  const std::string_view separator =
      (in.editorPosition == kEditorTop || in.editorPosition == kEditorBottom) ? "\\par" : "";
  std::string_view alignment;
  switch (in.captionPosition) {
    case AlignedLeft:
      alignment = "\\ql";
      break;
    case AlignedRight:
      alignment = "\\qr";
      break;
    case Centered:
      alignment = "\\qc";
      break;
    default:
      break;
  }
  if (!in.font) return;

  const StdFont& font = *in.font;
  const std::string& name = font.get_Name();
  const bool bold = static_cast<bool>(font.get_Bold());
  const Currency points = font.get_Size();
  // Twice the size is exact in ten-thousandths, so ties reach the rounding unchanged.
  const std::int16_t descriptionSize =
      toInt16(static_cast<double>(points.scaled() * 2) / static_cast<double>(Currency::kScale));

  rtf.reserve(192 + name.size() + in.description.size() + in.units.size());
  rtf += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033{\\fonttbl{\\f0\\fnil\\fcharset0 ";
  rtf += name;
  rtf += ";}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n";
  rtf += "\\viewkind4";
  rtf += "\\pard\\slmult1\\i0";
  rtf += alignment;
  rtf += bold ? "\\b1" : "\\b0";
  rtf += "\\fs";
  rtf += std::to_string(descriptionSize);
  rtf += ' ';
  appendReplacing(rtf, in.description, "&&", "&");
  if (!in.units.empty()) {
    const std::int16_t unitsSize =
        toInt16(points.toDouble() * 0.02 * static_cast<double>(in.unitsFontScale));
    rtf += separator;
    rtf += "\\slmult1\\b0";
    rtf += "\\fs";
    rtf += std::to_string(unitsSize);
    rtf += ' ';
    if (separator.empty()) rtf += ' ';
    appendReplacing(rtf, in.units, "&&", "&");
  }
  rtf += "\\par";
  rtf += '}';
}

bool CaptionDocument::sameInputs(const CaptionInputs& in) const {
  if (!built_ || hasFont_ != (in.font != nullptr) || description_ != in.description ||
      units_ != in.units || unitsFontScale_ != in.unitsFontScale ||
      editorPosition_ != in.editorPosition || captionPosition_ != in.captionPosition)
    return false;
  if (!in.font) return true;
  return fontName_ == &in.font->get_Name() && bold_ == static_cast<bool>(in.font->get_Bold()) &&
         size_ == in.font->get_Size().scaled();
}

const std::string& CaptionDocument::build(const CaptionInputs& in, const std::string& shown) {
  if (sameInputs(in)) return shown;
  built_ = false;
  thread_local std::string rtf;
  captionRtf(in, rtf);
  description_.assign(in.description);
  units_.assign(in.units);
  hasFont_ = in.font != nullptr;
  if (in.font) {
    fontName_ = &in.font->get_Name();
    bold_ = static_cast<bool>(in.font->get_Bold());
    size_ = in.font->get_Size().scaled();
  }
  unitsFontScale_ = in.unitsFontScale;
  editorPosition_ = in.editorPosition;
  captionPosition_ = in.captionPosition;
  built_ = true;
  return rtf;
}

const std::string& Kadrelle::MakeCaptionRTF() {
  const std::string& rtf =
      m_captionDocument.build({m_captionText, m_unitsText, m_CaptionFont.get(), m_UnitsFontScale,
                               m_EditorPosition, m_CaptionPosition},
                              m_rtfCaption->get_TextRTF());
  if (rtf.empty()) return rtf;
  Trace(rtf, "MakeCaptionRTF", 16);
  Trace("done", "MakeCaptionRTF", 16);
  return rtf;
}

}  // namespace kadrelle
