// Placing the edit box and the caption, and the properties that steer it.
#include "caption/Layout.h"

#include "control/Kadrelle.h"
#include "platform/Error.h"

namespace kadrelle {

Point editBoxOrigin(EditorPositions position, float surfaceWidth, float surfaceHeight,
                    float editorWidth, float lineHeight, float margin) {
  Point p;
  if (position == kEditorRight) {
    p.left = surfaceWidth - editorWidth;
  } else if (position == kEditorBottom) {
    p.top = surfaceHeight - lineHeight - 2 * margin;
  }
  if (p.left < 0) p.left = 0;
  if (p.top < 0) p.top = 0;
  return p;
}

std::optional<Rect> captionRect(const CaptionLayout& in) {
  switch (in.position) {
    case kEditorLeft: {
      const float left = in.editorWidth + kCaptionGap;
      return Rect{left, in.margin, in.surfaceWidth - left, in.surfaceHeight - in.margin};
    }
    case kEditorRight:
      return Rect{0, in.margin, in.editBoxLeft - kCaptionGap, in.surfaceHeight - in.margin};
    case kEditorTop:
      return Rect{0, in.editBoxHeight + in.margin, in.surfaceWidth,
                  in.surfaceHeight - in.contentHeight};
    case kEditorBottom:
      return Rect{0, 0, in.surfaceWidth, in.contentHeight};
    default:
      return std::nullopt;
  }
}

namespace {

// Runs one step of a layout pass that goes on after errors: a failing step changes nothing more.
template <class F>
void skipOnError(F&& step) {
  try {
    step();
  } catch (const std::exception&) {
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
  Point origin;
  skipOnError([&] {
    origin = editBoxOrigin(m_EditorPosition, m_surface->get_Width(), m_surface->get_Height(),
                           m_EditorWidth, m_lineHeight, margin);
  });
  skipOnError([&] { editBox->Move(origin.left, origin.top, m_EditorWidth, m_lineHeight); });
  m_inResize = kFalse;
  skipOnError([&] { Trace("end", "UserControl_Resize", 4); });
}

void Kadrelle::ResizeRTF() {
  Trace("start", "ResizeRTF", 16);
  const float margin = borderMargin();
  // The document is handed over from where it was built, without a copy; the box keeps the one
  // copy. One it refused is built again next time.
  try {
    m_rtfCaption->put_TextRTF(MakeCaptionRTF());
  } catch (...) {
    m_captionDocument.forget();
    throw;
  }
  // Read in place; the trace line keeps its own copy, as a handler of the label's events may
  // change the caption meanwhile.
  const std::string& text = m_rtfCaption->get_Text();
  const std::string tracedText = traces(2) ? text : std::string();
  heightCalcLbl->put_Caption(text);
  heightCalcLbl->Refresh();
  const float contentHeight = heightCalcLbl->get_Height();

  const std::optional<Rect> place =
      captionRect({m_EditorPosition, m_surface->get_Width(), m_surface->get_Height(), m_EditorWidth,
                   editBox->get_Left(), editBox->get_Height(), margin, contentHeight});
  if (!place) {
    Trace("unknown editor position", "ResizeRTF", 1);
    return;
  }
  float capLeft = place->left, capTop = place->top, capWidth = place->width,
        capHeight = place->height;
  if (traces(2)) {
    Trace(std::string(kTypeName) + ".caption='" + tracedText +
              "', capHeight=" + numberText(capHeight) + ", capWidth=" + numberText(capWidth) +
              ", capTop=" + numberText(capTop) + ", capLeft=" + numberText(capLeft) +
              ", contentHeight=" + numberText(contentHeight),
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
