#pragma once

#include <QFont>
#include <QPalette>
#include <QPointer>
#include <QTextDocument>
#include <QWidget>
#include <functional>
#include <memory>

#include "editing/EditBox.h"
#include "ombrel/OmbrelEditBox.h"
#include "platform/ChildControlBase.h"
#include "platform/Toolkit.h"

#pragma GCC visibility push(default)  // what this header declares is public API
namespace kadrelle::qt {

// Twips and pixels: 1440 twips to the inch, at the screen's logical DPI, so a control keeps its
// size in inches on a high-DPI screen.
double pixelsPerTwip(const QWidget* widget);
int toPixels(float twips, const QWidget* widget);
float toTwips(int pixels, const QWidget* widget);

// An OLE colour as a Qt colour: system colours (high byte 0x80) are the palette's colours, so the
// button face 0x8000000F is the palette's button colour and a dark theme shows dark controls.
QColor toQColor(OleColor color, const QPalette& palette);
QFont toQFont(const StdFont& font);
// Writes a Qt font's attributes into a font object (size to the nearest 1/10000 point).
void copyFont(const QFont& from, StdFont& to);

// Reports an exception that reached a Qt event handler (where it must not go on). The default
// writes a warning; a host may set its own.
void reportFailure(const char* where);
extern std::function<void(const std::string& message)> failureHandler;

class QtRichTextBox;

// The control's surface: a QWidget whose size is kept in twips. The control's own height change
// (put_Height) raises Resize synchronously, as in the headless toolkit; a size the host gives the
// widget (a layout, a window resize) reaches the control as a resize too.
class QtSurface : public ControlSurface {
 public:
  QtSurface();
  ~QtSurface() override;

  float get_Width() const override { return width_; }
  float get_Height() const override { return height_; }
  void put_Height(float height) override { resize(width_, height); }
  void resize(float width, float height) override;
  float get_ScaleWidth() const override { return width_; }
  float get_ScaleHeight() const override { return height_; }
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override;
  std::int16_t get_BackStyle() const override { return backStyle_; }
  void put_BackStyle(std::int16_t style) override;
  float TextHeight(const std::string& text) const override;

  // The widget; a host parents and places it. Null once Qt has destroyed it.
  QWidget* widget() const { return widget_; }
  // The font the surface measures in (Arial 8.25 pt).
  const QFont& font() const { return font_; }
  // The caption shown on this surface, for the accessible name.
  QtRichTextBox* caption() const { return caption_; }
  void setCaption(QtRichTextBox* caption) { caption_ = caption; }
  // The host gave the widget this size.
  void widgetResized();

 private:
  QPointer<QWidget> widget_;
  QFont font_;
  float width_ = 3195;
  float height_ = 825;
  OleColor backColor_ = kSystemButtonFace;
  std::int16_t backStyle_ = 1;
  bool sizing_ = false;
  QtRichTextBox* caption_ = nullptr;
};

// A child of a surface or picture box shown by a QWidget; geometry, visibility and tool tip follow
// the child's settings on each DisplayChanged.
template <class Interface>
class QtChild : public ChildControlBase<Interface> {
 public:
  ~QtChild() override { delete widget_.data(); }
  QWidget* widget() const { return widget_; }

 protected:
  void attach(QWidget* widget) {
    widget_ = widget;
    connection_ = this->DisplayChanged.connect([this] { sync(); });
    sync();
  }
  virtual void sync() {
    QWidget* w = widget_;
    if (!w) return;
    const QWidget* scale = w->parentWidget() ? w->parentWidget() : w;
    const int left = toPixels(this->get_Left(), scale), top = toPixels(this->get_Top(), scale);
    w->setGeometry(left, top, toPixels(this->get_Left() + this->get_Width(), scale) - left,
                   toPixels(this->get_Top() + this->get_Height(), scale) - top);
    w->setVisible(static_cast<bool>(this->get_Visible()));
    w->setToolTip(QString::fromStdString(this->get_ToolTipText()));
    w->update();
  }

 private:
  QPointer<QWidget> widget_;
  Connection connection_;
};

// The measuring label: sized from the surface font's real metrics, one line per line break.
class QtLabel : public QtChild<Label> {
 public:
  explicit QtLabel(QtSurface& parent);
  std::string get_Caption() const override { return caption_; }
  void put_Caption(const std::string& caption) override;

 private:
  void sync() override;
  QtSurface& parent_;
  std::string caption_;
};

// The caption's container.
class QtPictureBox : public QtChild<PictureBox> {
 public:
  explicit QtPictureBox(QtSurface& parent);
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  QtSurface& surface() const { return parent_; }

 private:
  QtSurface& parent_;
  OleColor backColor_ = kSystemButtonFace;
};

// The caption: the document's formatting runs (font, size, bold, italic, underline, strikeout,
// alignment, paragraphs and line breaks) laid out by a QTextDocument. The same RTF again is not
// read or laid out again; a new width lays the text out again, nothing else does.
class QtRichTextBox : public QtChild<RichTextBox> {
 public:
  explicit QtRichTextBox(QtPictureBox& parent);
  ~QtRichTextBox() override;
  std::string get_TextRTF() const override { return rtf_; }
  void put_TextRTF(const std::string& rtf) override;
  const std::string& get_Text() const override { return text_; }
  const RtfDocument& document() const override { return document_; }
  OleColor get_BackColor() const override { return backColor_; }
  void put_BackColor(OleColor color) override { update(backColor_, color); }
  Boolean get_Enabled() const override { return enabled_; }
  void put_Enabled(Boolean enabled) override { update(enabled_, enabled); }

  // What is drawn, and how often it was laid out.
  const QTextDocument& textDocument() const { return text_document_; }
  int layoutCount() const { return layouts_; }

 private:
  void sync() override;
  QtPictureBox& parent_;
  std::string rtf_;
  RtfDocument document_;
  std::string text_;
  OleColor backColor_ = kSystemWindow;
  Boolean enabled_ = kTrue;
  QTextDocument text_document_;
  int laidOutWidth_ = -1;
  int layouts_ = 0;
};

// The edit box: the edit-box model of OmbrelEditBox shown and fed by a QWidget (text, selection,
// caret, border, colours, font; keys, mouse, focus and the wheel, which steps only with focus).
class QtEditBox : public OmbrelEditBox {
 public:
  explicit QtEditBox(QtSurface* parent);
  ~QtEditBox() override;
  QWidget* widget() const { return widget_; }
  QtSurface* surface() const { return parent_; }

  // Says why the box does not take input; shown in the tool tip while it is not editable.
  void setLockReason(std::function<std::string()> reason) { lockReason_ = std::move(reason); }
  void Refresh() override;
  void sync();

 private:
  QtSurface* parent_;
  QPointer<QWidget> widget_;
  std::function<std::string()> lockReason_;
  Connection connection_;
};

class QtEditBoxFactory : public EditBoxFactory {
 public:
  std::unique_ptr<EditBox> createEditBox(ControlSurface& parent) override;
};

class QtToolkit : public Toolkit {
 public:
  QtToolkit();
  std::unique_ptr<ControlSurface> createSurface() override;
  std::unique_ptr<Label> createLabel(ControlSurface& parent) override;
  std::unique_ptr<PictureBox> createPictureBox(ControlSurface& parent) override;
  std::unique_ptr<RichTextBox> createRichTextBox(PictureBox& parent) override;

  // The widget that shows a surface or child made by this toolkit (or the Qt edit box factory).
  static QWidget* widgetOf(const ControlSurface& surface);
  static QWidget* widgetOf(const ChildControl& child);
};

}  // namespace kadrelle::qt
#pragma GCC visibility pop
