// Placing the edit box and the caption, and the properties that steer it.
#include "control/Kadrelle.h"
#include "platform/Error.h"

namespace kadrelle {

namespace {
// Gap between the edit box and a caption beside it.
constexpr float kCaptionGap = 100;

// Runs one step of a layout pass that goes on after errors: a failing step changes nothing more.
template <class F>
void skipOnError(F&& step) {
  try {
    step();
  } catch (const Error&) {
  }
}
}  // namespace

float Kadrelle::borderMargin() {
  return editBox->get_BorderStyle() == 1 ? 50.0f : 0.0f;
}

float Kadrelle::get_EditorWidth() {
  return m_EditorWidth;
}

void Kadrelle::put_EditorWidth(float New_EditorWidth) {
  m_EditorWidth = New_EditorWidth;
  if (m_EditorWidth > m_surface->get_Width()) m_EditorWidth = m_surface->get_Width();
  notify("EditorWidth");
  UserControl_Resize();
}

EditorPositions Kadrelle::get_EditorPosition() {
  return m_EditorPosition;
}

void Kadrelle::put_EditorPosition(EditorPositions New_EditorPosition) {
  m_EditorPosition = New_EditorPosition;
  notify("EditorPosition");
  UserControl_Resize();
}

CaptionPositions Kadrelle::get_CaptionPosition() {
  return m_CaptionPosition;
}

void Kadrelle::put_CaptionPosition(CaptionPositions newState) {
  put_SetCaptionPosition(newState);
  notify("CaptionPosition");
}

void Kadrelle::put_SetCaptionPosition(CaptionPositions newState) {
  m_CaptionPosition = newState;
  UpdateCaption();
}

void Kadrelle::UserControl_Resize() {
  if (m_loading) return;
  skipOnError([&] { Trace("start", "UserControl_Resize", 2); });
  bool recursing = false;
  skipOnError([&] { recursing = m_surface->get_ScaleWidth() == 0 || m_inResize; });
  if (recursing) {
    skipOnError([&] { Trace("recursing", "UserControl_Resize", 4); });
    return;
  }
  m_inResize = kTrue;
  skipOnError([&] {
    if (m_EditorWidth == 0) {
      m_EditorWidth = m_surface->get_Width();
      notify("EditorWidth");
    }
  });
  skipOnError([&] { m_lineHeight = m_surface->TextHeight("Mj"); });
  float margin = 0;
  skipOnError([&] {
    margin = borderMargin();
    const float minimum = 2 * margin + m_lineHeight;
    // Grows to one line; the nested resize this raises only traces.
    if (minimum > m_surface->get_Height()) m_surface->put_Height(minimum);
  });
  float left = 0, top = 0;
  skipOnError([&] {
    if (m_EditorPosition == 1) {
      left = m_surface->get_Width() - m_EditorWidth;
    } else if (m_EditorPosition == 3) {
      top = m_surface->get_Height() - m_lineHeight - 2 * margin;
    }
  });
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  skipOnError([&] { editBox->Move(left, top, m_EditorWidth, m_lineHeight); });
  m_inResize = kFalse;
  skipOnError([&] { Trace("end", "UserControl_Resize", 4); });
}

void Kadrelle::ResizeRTF() {
  Trace("start", "ResizeRTF", 16);
  const float margin = borderMargin();
  m_captionRTF = MakeCaptionRTF();
  m_rtfCaption->put_TextRTF(m_captionRTF);
  const std::string text = m_rtfCaption->get_Text();
  heightCalcLbl->put_Caption(text);
  heightCalcLbl->Refresh();
  const float contentHeight = heightCalcLbl->get_Height();

  const float width = m_surface->get_Width();
  const float height = m_surface->get_Height();
  float capLeft, capTop, capWidth, capHeight;
  switch (m_EditorPosition) {
    case 0:
      capLeft = m_EditorWidth + kCaptionGap;
      capTop = margin;
      capWidth = width - capLeft;
      capHeight = height - margin;
      break;
    case 1:
      capLeft = 0;
      capTop = margin;
      capWidth = editBox->get_Left() - kCaptionGap;
      capHeight = height - margin;
      break;
    case 2:
      capLeft = 0;
      capTop = editBox->get_Height() + margin;
      capWidth = width;
      capHeight = height - contentHeight;
      break;
    case 3:
      capLeft = 0;
      capTop = 0;
      capWidth = width;
      capHeight = contentHeight;
      break;
    default:
      Trace("unknown editor position", "ResizeRTF", 1);
      return;
  }
  if (traces(2)) {
    Trace(std::string(kTypeName) + ".caption='" + text + "', capHeight=" + numberText(capHeight) +
              ", capWidth=" + numberText(capWidth) + ", capTop=" + numberText(capTop) +
              ", capLeft=" + numberText(capLeft) + ", contentHeight=" + numberText(contentHeight),
          "ResizeRTF", 2);
  }
  for (float* v : {&capWidth, &capHeight, &capTop, &capLeft}) {
    if (*v < 0) *v = 0;
  }
  m_rtfCaptionBox->Move(capLeft, capTop, capWidth, capHeight);
  m_rtfCaption->Move(0, 0, capWidth, capHeight);
  Trace("done", "ResizeRTF", 16);
}

}  // namespace kadrelle
