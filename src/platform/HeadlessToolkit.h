#pragma once

#include <memory>
#include <string>

#include "platform/ChildControlBase.h"
#include "platform/Toolkit.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle {

// Deterministic text metrics of the headless toolkit: a line is size x 20 x 13 / 11 twips tall
// (195 twips for Arial 8.25 pt), and a character is half the size wide.
struct HeadlessMetrics {
  static float lineHeight(double points);
  static float charWidth(double points);
  static int lineCount(const std::string& text);            // CR LF, CR or LF end a line
  static std::size_t longestLine(const std::string& text);  // in characters (UTF-8 aware)
};

class HeadlessSurface : public ControlSurface {
 public:
  float get_Width() const override { return width_; }
  float get_Height() const override { return height_; }
  void put_Height(float height) override { resize(width_, height); }
  void resize(float width, float height) override;
  float get_ScaleWidth() const override { return width_; }
  float get_ScaleHeight() const override { return height_; }
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  std::int16_t get_BackStyle() const override { return backStyle_; }
  void put_BackStyle(std::int16_t style) override { update(backStyle_, style); }
  float TextHeight(const std::string& text) const override;

  static constexpr double kFontPoints = 8.25;

 private:
  template <class T>
  void update(T& field, T value) {
    if (field == value) return;
    field = value;
    DisplayChanged.raise();
  }

  float width_ = 3195;
  float height_ = 825;
  OleColor backColor_ = kSystemButtonFace;
  std::int16_t backStyle_ = 1;
};

class HeadlessLabel : public ChildControlBase<Label> {
 public:
  explicit HeadlessLabel(ControlSurface& parent) : parent_(parent) {}
  ControlSurface& parent() const { return parent_; }

  std::string get_Caption() const override { return caption_; }
  void put_Caption(const std::string& caption) override;

 private:
  ControlSurface& parent_;
  std::string caption_;
};

class HeadlessPictureBox : public ChildControlBase<PictureBox> {
 public:
  explicit HeadlessPictureBox(ControlSurface& parent) : parent_(parent) {}
  ControlSurface& parent() const { return parent_; }

  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }

 private:
  ControlSurface& parent_;
  OleColor backColor_ = kSystemButtonFace;
};

class HeadlessRichTextBox : public ChildControlBase<RichTextBox> {
 public:
  explicit HeadlessRichTextBox(PictureBox& parent) : parent_(parent) {}
  PictureBox& parent() const { return parent_; }

  const std::string& get_TextRTF() const override { return rtf_; }
  void put_TextRTF(const std::string& rtf) override;
  const std::string& get_Text() const override { return text_; }
  // The runs are read from the document when a renderer first asks for them.
  const RtfDocument& document() const override;
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  Boolean get_Enabled() const override { return enabled_; }
  void put_Enabled(Boolean enabled) override { update(enabled_, enabled); }

 private:
  PictureBox& parent_;
  std::string rtf_;
  mutable std::unique_ptr<RtfDocument> document_;  // of rtf_, once asked for
  std::string text_;
  OleColor backColor_ = kSystemWindow;
  Boolean enabled_ = kTrue;
};

// Makes headless widgets: each child knows its parent, nothing is drawn, and a renderer (a
// terminal host, a test) reads what a control shows through the control's children.
class HeadlessToolkit : public Toolkit {
 public:
  std::unique_ptr<ControlSurface> createSurface() override;
  std::unique_ptr<Label> createLabel(ControlSurface& parent) override;
  std::unique_ptr<PictureBox> createPictureBox(ControlSurface& parent) override;
  std::unique_ptr<RichTextBox> createRichTextBox(PictureBox& parent) override;
};

}  // namespace kadrelle
#pragma GCC visibility pop
